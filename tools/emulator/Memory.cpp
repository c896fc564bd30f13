#include "Memory.h"

#include <QFile>
#include <QSaveFile>
#include <cstdint>

namespace {

QByteArray twoBytes(int value)
{
    QByteArray out;
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
    return out;
}

}  // namespace

QByteArray Memory::read(int address, int count) const
{
    QByteArray out(count, char(0xFF));
    for (int i = 0; i < count; ++i)
        if (address + i >= 0 && address + i < size())
            out[i] = bytes_[address + i];
    return out;
}

void Memory::write(int address, const QByteArray& data)
{
    for (int i = 0; i < data.size(); ++i)
        if (address + i >= 0 && address + i < size())
            bytes_[address + i] = data[i];
}

NvMemory::NvMemory(const QString& statePath, const NvCalibration& factory) : path_(statePath)
{
    const int calibration[] = {factory.z10, factory.k10, factory.zt10, factory.kt10};
    for (int n = 0; n < 4; ++n)
        memory_.write(2 * n, twoBytes(calibration[n]));
    load();
}

void NvMemory::load()
{
    QFile file(path_);
    if (!file.exists())
        return;
    // The state file holds the memory as hexadecimal text, 16 bytes a line.
    const QByteArray content = file.open(QIODevice::ReadOnly) ? QByteArray::fromHex(file.readAll()) : QByteArray();
    if (content.size() != kSize) {
        problem_ = "state file " + path_ + " does not hold " + QString::number(kSize) +
                   " bytes; starting from the factory content";
        return;
    }
    memory_.write(0, content);
}

void NvMemory::save()
{
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("cannot write the state file %s", qPrintable(path_));
        return;
    }
    for (int at = 0; at < kSize; at += 16)
        file.write(memory_.read(at, 16).toHex(' ').toUpper() + '\n');
    if (!file.commit())
        qWarning("cannot write the state file %s", qPrintable(path_));
}

void NvMemory::write(int address, const QByteArray& data)
{
    memory_.write(address, data);
    save();
}

int NvMemory::reg(int n) const
{
    const QByteArray v = memory_.read(2 * n, 2);
    return std::uint8_t(v[0]) + 256 * std::uint8_t(v[1]);
}

void NvMemory::setReg(int n, int value) { write(2 * n, twoBytes(value)); }
