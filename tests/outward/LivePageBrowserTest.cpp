// The live page in a real browser on a phone-sized screen, left open through a simulated firing.
#include "LivePageWindow.h"

#include "HeadlessChromium.h"
#include "HttpProbe.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

// Pixels of the canvas near a colour of the chart's lines.
QString inkOf(int r, int g, int b)
{
    return QString("(() => { const c = document.getElementById('chart');"
                   " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data; let n = 0;"
                   " for (let i = 0; i < d.length; i += 4)"
                   "   if (d[i + 3] > 200 && Math.abs(d[i] - %1) < 40 && Math.abs(d[i + 1] - %2) < 40 &&"
                   "       Math.abs(d[i + 2] - %3) < 40) n++;"
                   " return n; })()")
        .arg(r)
        .arg(g)
        .arg(b);
}

QString textOf(const char* id) { return QString("document.getElementById('%1').textContent").arg(id); }

class LivePageInBrowser : public LivePageWindow {
protected:
    HeadlessChromium browser;
    quint16 port = 0;

    void SetUp() override
    {
        if (HeadlessChromium::program().isEmpty())
            GTEST_SKIP() << "no chromium";
    }

    void openWith(const QString& extra)
    {
        port = freePort();
        open(QString("Enabled=1\r\nPort=%1\r\n").arg(port) + extra);
        ASSERT_EQ(form->livePage->outcome().kind, LivePage::Outcome::Serving);
        ASSERT_TRUE(browser.start(QString("http://127.0.0.1:%1/").arg(port))) << "chromium did not come up";
    }

    // Runs `cycles` cycles of the window spread over real time, so that the page polls meanwhile.
    void runCycles(int cycles)
    {
        for (int i = 0; i < cycles; ++i) {
            form->InterfaceTimerTimer();
            if (i % 20 == 19) {
                QCoreApplication::processEvents();
                QThread::msleep(40);
            }
        }
    }
};

TEST_F(LivePageInBrowser, APhoneLeftOpenThroughAFiringShowsItCurrentAndThenSaysContactIsLost)
{
    openWith("");
    startFiring();
    ASSERT_EQ(form->state.ProgState, Running);
    runCycles(600);
    const QString running = QJsonDocument::fromJson(get(port, "/api/state").body).object()["state_text"].toString();
    EXPECT_TRUE(browser.waitUntil(textOf("state") + " === '" + running + "'", 60000))
        << browser.evaluate(textOf("state")).toString().toStdString() << " / " << running.toStdString();

    int cycles = 0;
    while (form->state.ProgState != Finished && cycles < 6000) {
        runCycles(200);
        cycles += 200;
    }
    ASSERT_EQ(form->state.ProgState, Finished);
    runCycles(10);

    // What the program serves now is what the phone must show.
    const QJsonObject now = QJsonDocument::fromJson(get(port, "/api/state").body).object();
    const QString temp = QString::number(std::floor(now["kiln_temp"].toDouble() + 0.5)) + QChar(0x2009) + "°C";
    const QString line = QString("%1 / %2").arg(now["line"].toInt()).arg(now["line_count"].toInt());
    EXPECT_TRUE(browser.waitUntil(QString("%1 === '%2' && %3 === '%4' && %5 === '%6'")
                                      .arg(textOf("temp"), temp, textOf("state"), now["state_text"].toString(),
                                           textOf("line"), line),
                                  60000))
        << browser.evaluate(textOf("temp")).toString().toStdString() << " / " << temp.toStdString() << ", "
        << browser.evaluate(textOf("state")).toString().toStdString();
    EXPECT_TRUE(browser.evaluate("document.getElementById('contact').hidden").toBool()) << "shown as current";
    EXPECT_EQ(browser.evaluate(textOf("power")).toString(), QString("%1 %").arg(now["power"].toInt()));
    // The chart grew with the firing: the kiln's line and the set point's line are drawn.
    EXPECT_GT(browser.evaluate(inkOf(214, 39, 40)).toDouble(), 300);
    EXPECT_GT(browser.evaluate(inkOf(31, 111, 180)).toDouble(), 50) << "mostly under the kiln's line";

    // The program stops answering (the window's cycle stands still): the page says so and
    // does not show the numbers as if they were current.
    EXPECT_TRUE(browser.waitUntil("!document.getElementById('contact').hidden && "
                                  "document.body.classList.contains('stale')",
                                  60000));
    EXPECT_TRUE(browser.evaluate(textOf("contact")).toString().startsWith(form->texts.LS("PageNoContact")));
}

TEST_F(LivePageInBrowser, OnTheStudioNetworkThePageAsksForTheCodeBeforeShowingAnything)
{
    openWith("Listen=network\r\nCode=4711\r\n");
    runCycles(5);
    ASSERT_TRUE(browser.waitUntil("!document.getElementById('codeform').hidden", 60000));
    EXPECT_EQ(browser.evaluate(textOf("temp")).toString(), QString(QChar(0x2013))) << "nothing shown without the code";
    EXPECT_EQ(browser.evaluate("document.getElementById('code').type").toString(), "password");

    const QString submit = "(() => { document.getElementById('code').value = '%1';"
                           " document.getElementById('codeform').requestSubmit(); return true; })()";
    browser.evaluate(submit.arg("0000"));
    EXPECT_TRUE(browser.waitUntil(textOf("codemessage") + ".startsWith('" + form->texts.LS("PageCodeWrong") + "')",
                                  30000));
    // The right code gets in once the wait after the wrong one has passed.
    QDeadlineTimer deadline(60000);
    while (!browser.evaluate("document.getElementById('codeform').hidden").toBool() && !deadline.hasExpired()) {
        browser.evaluate(submit.arg("4711"));
        runCycles(20);
        QThread::msleep(500);
    }
    ASSERT_TRUE(browser.evaluate("document.getElementById('codeform').hidden").toBool());
    EXPECT_TRUE(browser.waitUntil(textOf("temp") + ".endsWith('°C')", 60000));
}

}  // namespace
