// The settings restore: arbitrary bytes as term.ini, applied to the main window by the
// start-up restore (the window placement, the stored control values, the further keys, the
// program and oven files they name). The window is built once over a program folder with the
// shipped language and oven files and a short program; before every input the stored
// controls get their first values back.
//
// Checked: the restore ends or raises an error with a text; the values it brings into force
// stay in range (scale, simulator speed, timer intervals, the indicator threshold).
#include "LivePageSettings.h"
#include "MqttSettings.h"
#include "FuzzSupport.h"
#include "DrivenWindow.h"
#include "EventLog.h"
#include "FakeSerialPort.h"
#include "FrameLink.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "StoredSettings.h"
#include "TForm1.h"
#include "TextCodec.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

struct Harness : WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    FakeSerialPort serial;
    std::unique_ptr<TForm1> form;
    IniFile firstValues;

    Harness()
    {
        const QString data = FORNAXEL_DATA_DIR;
        QDir().mkpath(dir.path() + "/Prog");
        QDir().mkpath(dir.path() + "/Oven");
        for (const char* name : {"English.lng", "Russian.lng", "Oven/Oven1.ovn"})
            QFile::copy(data + "/" + name, dir.path() + "/" + name);
        QFile prog(dir.path() + "/Prog/Prog1.prg");
        if (prog.open(QIODevice::WriteOnly))
            prog.write("[TForm1]\r\nFormVersion=0\r\nScale=\xB0" "C\r\nCount=2\r\nTemp1=600\r\nTime1=60\r\n"
                       "Sound1=\r\nOut1=\r\nTemp2=600\r\nTime2=10\r\nSound2=\r\nOut2=\r\n");
        form = std::make_unique<TForm1>(app(dir.path(), &serial));
        StoredSettings::save(firstValues, *form);
    }
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
    TForm1& form = *h.form;
    StoredSettings::restore(h.firstValues, form, [](QWidget*) {});
    form.log->clear();
    form.link->Hard_init();
    form.SettingsApplied = false;
    h.serial.written.clear();
    h.dialogs.asked.clear();
    h.dialogs.errors.clear();

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    form.settings.loadFromText(TextCodec::decode(bytes));
    // A fuzz run opens no server and connects nowhere, whatever the bytes switch on.
    form.settings.writeBool(LivePageSettings::kSection, "Enabled", false);
    form.settings.writeBool(MqttSettings::kSection, "Enabled", false);
    bool ended = true;
    try {
        form.FormStorage1RestorePlacement();
    } catch (const std::exception& e) {
        if (!*e.what())
            fail("the restore raised an error without a text");
        ended = false;
    }
    form.InterfaceTimer->stop();
    form.HardwareTimer->stop();
    form.FlashTimer->stop();

    if (form.state.Temps.TempScale < 0 || form.state.Temps.TempScale > 4)
        fail("the display scale is out of range");
    if (!std::isfinite(form.state.PolThreshold))
        fail("the indicator threshold is not finite");
    if (ended) {
        if (!(form.state.SimSpeed > 0) || !std::isfinite(form.state.SimSpeed))
            fail("the simulator speed is not a positive number");
        if (form.HardwareTimer->interval() < 1 || form.InterfaceTimer->interval() < 1)
            fail("a timer interval is below 1 ms");
        if (!form.SettingsApplied)
            fail("the restore ended without applying the settings");
    }
    return 0;
}
