// The controller link: the port, the frame queue, the polling pass, the service commands and
// the service page that shows them.
#include "TForm1.h"

#include "QtSerialPort.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

namespace {
const QString kSection = "TForm1";
}

void TForm1::createLink()
{
    SerialPort* serial = services_.serialPort;
    if (!serial) {
        systemPort_ = std::make_unique<QtSerialPort>();
        serial = systemPort_.get();
    }
    port = std::make_unique<PortManager>(state, *serial, services_.dialogs, texts, *log,
                                         PortManagerView{PortSelect, PageControl1, HardwareTimer, InterfaceTimer});
    link = std::make_unique<FrameLink>(*port, services_.random, FrameLinkView{Memo1, CheckBox4});

    ServiceCommandsView sv;
    sv.Edit2 = Edit2;
    sv.Edit3 = Edit3;
    sv.Edit4 = Edit4;
    sv.Memo2 = Memo2;
    sv.TERM_Z = TERM_Z;
    sv.TERM_K = TERM_K;
    sv.TERM_ZT = TERM_ZT;
    sv.TERM_KT = TERM_KT;
    service = std::make_unique<ServiceCommands>(state, *link, services_.dialogs, texts, sv);

    PollerHooks hooks;
    hooks.OutputLevel = [this](int k) { return regulator->OutputLevel(k); };
    hooks.NvRegisterReply = [this](const QByteArray& reply) { service->NvRegisterReply(reply); };
    hooks.DumpBlock = [this](const QByteArray& reply) { service->DumpBlock(reply); };
    poller = std::make_unique<Poller>(state, *link, texts, *log, PollerView{DebugGrid, Label13}, hooks);
}

void TForm1::connectServicePage()
{
    connect(HardwareTimer, &QTimer::timeout, this, [this] { HardwareTimerTimer(); });
    connect(PortSelect, &QPushButton::clicked, this, [this] { PortSelectClick(); });
    const auto button = [this](QPushButton* b, std::function<void()> f) {
        connect(b, &QPushButton::clicked, this, [this, f] { guardedCall(f); });
    };
    button(Button20, [this] { service->DumpCmd(7); });
    button(DumpNVButton, [this] { service->DumpCmd(12); });
    button(Button5, [this] { service->WriteCmd(9); });
    button(Button15, [this] { service->WriteCmd(14); });
    button(Button23, [this] { service->Button23Click(); });
    button(Button24, [this] { service->Button24Click(); });
    button(Button2, [this] { Memo1->clear(); });
    button(ReadCalibrationButton, [this] { service->ReadCalibrationButtonClick(); });
    button(WriteCalibrationButton, [this] { service->WriteCalibrationButtonClick(); });
    // The service page is for the workshop: no operator presses this by accident.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_D), this);
    connect(shortcut, &QShortcut::activated, this, [this] { ShowServicePage(); });
}

void TForm1::restorePort()
{
    // Older settings name the port by number; a device path of its own takes precedence.
    port->PortSetNumber(settings.readInteger(kSection, "Port_ComNumber", 0));
    const QString path = settings.readString(kSection, "Port_Path", QString());
    if (!path.isEmpty())
        port->PortSetName(path);
    PortSelect->setText(texts.LS("Port") + port->PortName());
    if (!state.simulated())
        port->PortOpenTry();
}

// Queued before the port opens; the requests go out with the first successful write.
void TForm1::readCalibrationAtStart()
{
    service->NvRegsRequested.clear();
    if (!state.simulated() && READCALIBRATION->isChecked())
        service->ReadCalibration();
}

void TForm1::HardwareTimerTimer() { guardedCall([&] { poller->WorkHardware(); }); }

void TForm1::PortSelectClick() { guardedCall([&] { port->PortSelectClick(); }); }

void TForm1::ShowServicePage()
{
    const int index = PageControl1->indexOf(TabDebug);
    PageControl1->setTabVisible(index, true);
    PageControl1->setCurrentIndex(index);
}
