// The language file: arbitrary bytes as a .lng file, loaded and applied to the main window
// by TForm1::LangSet (the message table, the captions of every control, the texts built from
// the table). The window is built once; every input replaces the whole table.
//
// Checked: the table holds the file's lines; a control with an entry carries that entry's
// text as its caption.
#include "FuzzSupport.h"
#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "TForm1.h"
#include "TextCodec.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

struct Harness : WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    Harness() { form = std::make_unique<TForm1>(app(dir.path())); }
};

Harness* harness = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startQuietApplication(argc, argv);
    harness = new Harness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& h = *harness;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(h.dir.path() + "/Fuzz.lng");
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            fail("cannot write the input file");
    }
    try {
        h.form->LangSet("Fuzz");
    } catch (const std::exception&) {
        fail("a language file that can be opened was refused");
    }
    TForm1& form = *h.form;
    if (form.texts.lines() != TextCodec::splitLines(TextCodec::decode(bytes)))
        fail("the message table does not hold the file's lines");
    for (const QString& line : form.texts.lines()) {
        if (MessageTable::lineName(line).compare("StartButton", Qt::CaseInsensitive) != 0)
            continue;
        if (form.StartButton->text() != form.texts.LS("StartButton").replace("\r\n", "\n"))
            fail("the start button does not carry the caption of its entry");
        break;
    }
    return 0;
}
