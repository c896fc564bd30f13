// What an INI file held in memory takes per byte of the file, for the shapes that cost the
// most: a million one-key sections (16 MB), a million short keys in one section, and a file
// of ordinary program lines. Measured at the allocator (what it hands out, its mapped blocks
// included) around the load, and compared with the limit the loader keeps to.
//   fornaxel_ini_memory_probe [sections]      (1000000 by default)
#include "IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

std::size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

QByteArray shape(const char* name, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(6, '0');
        if (qstrcmp(name, "one-key sections") == 0)
            out += "[s" + number + "]\r\nk=1\r\n";
        else if (qstrcmp(name, "short keys") == 0)
            out += (i == 0 ? "[S]\r\n" : "") + QByteArray("k") + number + "=1\r\n";
        else
            out += "Temp" + QByteArray::number(i % 200 + 1) + "=1200\r\nTime" + QByteArray::number(i % 200 + 1) + "=60\r\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    std::printf("%-18s %10s %12s %14s %10s\n", "shape", "file MB", "held MB", "bytes/byte", "limit");
    for (const char* name : {"one-key sections", "short keys", "program lines"}) {
        const QString path = dir.path() + "/probe.ini";
        {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(shape(name, n)) < 0)
                return 1;
        }
        const double fileBytes = double(QFile(path).size());
        IniFile ini;
        const std::size_t before = heapInUse();
        try {
            ini.load(path);
        } catch (const std::exception& e) {
            std::printf("%-18s %10.1f refused: %s\n", name, fileBytes / 1e6, e.what());
            continue;
        }
        const double held = double(heapInUse() - before);
        std::printf("%-18s %10.1f %12.1f %14.2f %10zu\n", name, fileBytes / 1e6, held / 1e6, held / fileBytes,
                    IniFile::kMemoryPerCharacter);
    }
    return 0;
}
