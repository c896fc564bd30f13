// Draws the live page as a phone shows it during a firing on the simulated kiln, for the
// README. The real window, driven cycle by cycle as the end-to-end tests drive it, serves the
// page; headless chromium at 390 x 844 takes the picture. Run it without a display:
//   QT_QPA_PLATFORM=offscreen build/tests/outward/live_page_screenshot docs/screenshots/live-page.png
// Arguments: picture, cycles of 2 s (default 4 hours of firing).
#include "TForm1.h"

#include "DrivenWindow.h"
#include "HeadlessChromium.h"
#include "Widgets.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool writeSettings(const QString& folder, quint16 port)
{
    QFile ini(folder + "/term.ini");
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(QString("[TForm1]\r\nEnglish_Checked=1\r\nRussian_Checked=0\r\n[Remote]\r\nKilnName=Studio kiln\r\n"
                      "[LivePage]\r\nEnabled=1\r\nPort=%1\r\n")
                  .arg(port)
                  .toLatin1());
    return QFile::copy(QString(FORNAXEL_DATA_DIR) + "/English.lng", folder + "/English.lng");
}

void setLine(TForm1& form, int n, const char* temp, const char* minutes)
{
    form.Prog->setCell(1, n + 1, temp);
    form.Prog->setCell(2, n + 1, minutes);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s picture.png [cycles]\n", argv[0]);
        return 2;
    }
    const int cycles = args.size() > 2 ? args[2].toInt() : 7200;
    QTemporaryDir folder;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    if (!folder.isValid() || !writeSettings(folder.path(), port)) {
        std::fprintf(stderr, "cannot prepare a program folder\n");
        return 1;
    }

    WindowServices services;
    services.random.fallback = -1;
    services.clock.value = 46000 + 20.0 / 24;  // an evening start, 20:00
    TForm1 form(services.app(folder.path()));
    restoreWithoutTimers(form);
    form.MODEL_P->setText("0.05");
    form.PID_P->setText("5");
    form.PID_I->setText("0.005");
    form.PID_D->setText("50");
    setLine(form, 1, "200", "120");
    setLine(form, 2, "600", "160");
    setLine(form, 3, "600", "30");
    setLine(form, 4, "950", "240");
    setLine(form, 5, "950", "20");
    setLine(form, 6, "0", "0");
    for (int i = 0; i < 5; ++i)
        form.InterfaceTimerTimer();
    form.StartButtonClick();
    for (int i = 0; i < cycles; ++i) {
        services.clock.advance(2);
        form.InterfaceTimerTimer();
    }

    HeadlessChromium browser;
    if (!browser.start(QString("http://127.0.0.1:%1/").arg(port))) {
        std::fprintf(stderr, "chromium did not come up\n");
        return 1;
    }
    // Kept current while the page loads and draws, as the program would.
    QDeadlineTimer deadline(60000);
    while (!browser.evaluate("document.getElementById('contact').hidden && "
                             "document.getElementById('temp').textContent.endsWith('°C')")
                .toBool() &&
           !deadline.hasExpired()) {
        services.clock.advance(2);
        form.InterfaceTimerTimer();
        QApplication::processEvents();
        QThread::msleep(200);
    }
    QThread::msleep(2500);  // one more round of polling, so that the chart has every point
    QFile picture(args[1]);
    const QByteArray png = browser.screenshotPng();
    if (png.isEmpty() || !picture.open(QIODevice::WriteOnly) || picture.write(png) != png.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    browser.stop();
    form.closeUnattended();
    return 0;
}
