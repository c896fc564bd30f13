#pragma once
#include "CountsScale.h"

#include <QByteArray>
#include <QString>

// A byte-addressed memory. Reads beyond its end give 0xFF (nothing answers there), writes
// beyond it are lost.
class Memory {
public:
    Memory(int size, char fill) : bytes_(size, fill) {}

    int size() const { return int(bytes_.size()); }
    QByteArray read(int address, int count) const;
    void write(int address, const QByteArray& data);

    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

// The non-volatile memory: 512 bytes, kept in a state file between runs. NV register n is
// the 16-bit little-endian value at address 2n. A missing state file gives the factory
// content: the default calibration in registers 0..3 and erased bytes (0xFF) elsewhere.
class NvMemory {
public:
    static constexpr int kSize = 512;

    // Reads the state file; an unreadable one is reported in `problem` and replaced by the
    // factory content.
    NvMemory(const QString& statePath, const NvCalibration& factory);

    QString problem() const { return problem_; }
    QByteArray read(int address, int count) const { return memory_.read(address, count); }
    // Writes and saves the state file.
    void write(int address, const QByteArray& data);
    int reg(int n) const;
    void setReg(int n, int value);

private:
    void load();
    void save();

    QString path_;
    Memory memory_{kSize, char(0xFF)};
    QString problem_;
};
