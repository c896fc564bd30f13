#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QByteArray>

class Dialogs;
class FrameLink;
class QLineEdit;
class QPlainTextEdit;

struct ServiceCommandsView {
    QLineEdit* Edit2 = nullptr;  // address, hexadecimal; the NV register for REG
    QLineEdit* Edit3 = nullptr;  // dump length, hexadecimal
    QLineEdit* Edit4 = nullptr;  // data bytes, hexadecimal, separated by blanks
    QPlainTextEdit* Memo2 = nullptr;
    QLineEdit* TERM_Z = nullptr;
    QLineEdit* TERM_K = nullptr;
    QLineEdit* TERM_ZT = nullptr;
    QLineEdit* TERM_KT = nullptr;
};

// Memory dumps and writes, single NV registers, and the calibration the controller keeps in
// NV registers 0..3.
class ServiceCommands {
public:
    // Data bytes one memory write request carries at most; longer data goes in several.
    static constexpr int kMaxWriteBytes = 250;
    static constexpr int kDefaultDumpLength = 16;

    ServiceCommands(KilnState& state, FrameLink& link, Dialogs& dialogs, const MessageSource& texts,
                    ServiceCommandsView view);

    void DumpCmd(int command);   // 7 RAM, 12 NV
    void WriteCmd(int command);  // 9 RAM, 14 NV
    void LoadNvReg(int n);
    void SaveNvReg(int n, int value);
    void Button23Click();  // read the NV register in Edit2
    void Button24Click();  // write Edit4's first value into it
    void ReadCalibrationButtonClick();
    void WriteCalibrationButtonClick();
    // Asked for without a question, at start-up.
    void ReadCalibration();
    // The registers asked for since start-up; their replies fill the calibration fields.
    QByteArray NvRegsRequested;

    // Replies the polling pass hands over.
    void NvRegisterReply(const QByteArray& reply);
    void DumpBlock(const QByteArray& reply);

    // A hexadecimal number as typed (no prefix); the default for an empty or invalid text.
    static long long parseHex(const QString& text, long long fallback);

private:
    long long hexField(QLineEdit* field, long long fallback) const;

    KilnState& state_;
    FrameLink& link_;
    Dialogs& dialogs_;
    const MessageSource& texts_;
    ServiceCommandsView view_;
};
