#include "ServiceCommands.h"

#include "FrameCodec.h"
#include "FrameLink.h"
#include "Numbers.h"
#include "ReplyFields.h"
#include "Services.h"
#include "TemperatureText.h"
#include "Wire.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

int byteAt(const QByteArray& bytes, int i) { return i < bytes.size() ? quint8(bytes.at(i)) : 0; }

QString hex(long long value, int digits) { return QString::number(value, 16).toUpper().rightJustified(digits, '0'); }

QByteArray addressed(int command, long long address)
{
    QByteArray out;
    out.append(char(Wire::kAddress));
    out.append(char(command));
    out.append(char(address % 256));
    out.append(char((address / 256) % 256));
    return out;
}

}  // namespace

ServiceCommands::ServiceCommands(KilnState& state, FrameLink& link, Dialogs& dialogs, const MessageSource& texts,
                                 ServiceCommandsView view)
    : state_(state), link_(link), dialogs_(dialogs), texts_(texts), view_(view)
{
}

long long ServiceCommands::parseHex(const QString& text, long long fallback)
{
    if (text.isEmpty() || text.size() > 8)
        return fallback;
    long long v = 0;
    for (QChar ch : text) {
        const int digit = ch.unicode() < 128 ? QString("0123456789abcdef").indexOf(ch.toLower()) : -1;
        if (digit < 0)
            return fallback;
        v = v * 16 + digit;
    }
    return v;
}

long long ServiceCommands::hexField(QLineEdit* field, long long fallback) const
{
    return field ? parseHex(field->text(), fallback) : fallback;
}

void ServiceCommands::DumpCmd(int command)
{
    long long address = hexField(view_.Edit2, 0);
    const long long length = hexField(view_.Edit3, kDefaultDumpLength);
    const long long blocks = (length - 1) / Wire::kDumpBlockBytes + 1;
    for (long long i = 0; i < blocks; ++i, address += Wire::kDumpBlockBytes) {
        QByteArray request = addressed(command, address);
        request.append(char(Wire::kDumpBlockBytes));
        request.append(char(0));
        link_.tx_block(request);
    }
}

void ServiceCommands::WriteCmd(int command)
{
    QByteArray data;
    for (const QString& piece : (view_.Edit4 ? view_.Edit4->text() : QString()).split(' ')) {
        const long long v = parseHex(piece, 256) % 65536;
        if (v <= 255)
            data.append(char(v));
    }
    // A frame carries at most 254 payload bytes: longer data goes in several requests, each
    // at its own address. Without data one request goes out all the same.
    long long address = hexField(view_.Edit2, 0);
    qsizetype from = 0;
    do {
        const QByteArray part = data.mid(from, kMaxWriteBytes);
        link_.tx_block(addressed(command, address) + part);
        from += kMaxWriteBytes;
        address += kMaxWriteBytes;
    } while (from < data.size());
}

void ServiceCommands::LoadNvReg(int n)
{
    QByteArray request;
    request.append(char(Wire::kAddress));
    request.append(char(Wire::ReadRegister));
    request.append(char(Wire::NvRegister));
    request.append(char(n & 0xFF));
    link_.tx_block(request);
    NvRegsRequested.append(char(n & 0xFF));
}

void ServiceCommands::SaveNvReg(int n, int value)
{
    QByteArray request;
    request.append(char(Wire::kAddress));
    request.append(char(Wire::WriteRegister));
    request.append(char(Wire::NvRegister));
    request.append(char(n & 0xFF));
    // Negative values go as their 16-bit two's complement.
    const int v = value & 0xFFFF;
    request.append(char(v % 256));
    request.append(char(v / 256));
    link_.tx_block(request);
}

void ServiceCommands::Button23Click()
{
    QByteArray request;
    request.append(char(Wire::kAddress));
    request.append(char(Wire::ReadRegister));
    request.append(char(Wire::NvRegister));
    request.append(char(hexField(view_.Edit2, 0) & 0xFF));
    link_.tx_block(request);
}

void ServiceCommands::Button24Click()
{
    const QString text = view_.Edit4 ? view_.Edit4->text() : QString();
    const int value = int(parseHex(text.section(' ', 0, 0), 0));
    SaveNvReg(hexField(view_.Edit2, 0), value);
}

void ServiceCommands::ReadCalibration()
{
    for (int n : {0, 1, 3, 2})
        LoadNvReg(n);
}

void ServiceCommands::ReadCalibrationButtonClick()
{
    if (dialogs_.askYesNo(texts_.LS("MBWarning"), texts_.LS("MBReadCalibration")))
        ReadCalibration();
}

void ServiceCommands::WriteCalibrationButtonClick()
{
    if (!dialogs_.askYesNo(texts_.LS("MBWarning"), texts_.LS("MBWriteCalibration")))
        return;
    const auto tenths = [](QLineEdit* field, double fallback) {
        return Numbers::roundHalfEven(EditValue(field, fallback) * 10);
    };
    SaveNvReg(0, tenths(view_.TERM_Z, 90));
    SaveNvReg(1, tenths(view_.TERM_K, 500));
    SaveNvReg(3, tenths(view_.TERM_KT, 980));
    SaveNvReg(2, tenths(view_.TERM_ZT, 25.5));
}

void ServiceCommands::NvRegisterReply(const QByteArray& reply)
{
    const int n = byteAt(reply, 3);
    const int e = byteAt(reply, 4) + 256 * byteAt(reply, 5);
    if (view_.Memo2)
        view_.Memo2->appendPlainText("NVREG " + QString::number(n) + " = $" + hex(e, 4) + " (" +
                                     QString::number(e) + ")");
    if (!NvRegsRequested.contains(char(n)))
        return;
    // The fields hold what the controller keeps: readings in counts and temperatures in °C,
    // whatever the display scale, so that writing them back sends the same values.
    QLineEdit* const fields[] = {view_.TERM_Z, view_.TERM_K, view_.TERM_ZT, view_.TERM_KT};
    if (n <= 3 && fields[n])
        fields[n]->setText(Numbers::formatFixed(e / 10.0, 6, 1));
}

void ServiceCommands::DumpBlock(const QByteArray& reply)
{
    if (!view_.Memo2)
        return;
    const int kind = byteAt(reply, 1);
    const int address = byteAt(reply, 2) + 256 * byteAt(reply, 3);
    if (address == hexField(view_.Edit2, 0)) {
        view_.Memo2->clear();
        QString header = kind == Wire::RamBlock ? "Addr" : "A_NV";
        for (int i = 0; i <= reply.size() - 5; ++i)
            header += " " + hex(i, 2);
        view_.Memo2->appendPlainText(header);
    }
    QString line = hex(address, 4) + " ";
    // Bytes the reply does not hold are left out.
    for (int i = 4; i < 4 + Wire::kDumpBlockBytes && i < reply.size(); ++i)
        line += hex(byteAt(reply, i), 2) + " ";
    view_.Memo2->appendPlainText(line);
}
