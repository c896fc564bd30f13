// The live page as the window starts it from its settings and as the operator applies them.
#include "LivePageWindow.h"

#include "HttpProbe.h"
#include "LivePageGroup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

using LivePageWindowStart = LivePageWindow;

TEST_F(LivePageWindowStart, ATakenPortIsLoggedWithWhatToDoAndAnotherPortAppliedIsKept)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    const QString taken = QString::number(holder.serverPort());
    open("Enabled=1\r\nPort=" + taken + "\r\n");
    const QStringList lines = logLines().filter(form->texts.LS("LogLivePagePortTaken"));
    ASSERT_EQ(lines.size(), 1) << logLines().join("\n").toStdString();
    EXPECT_TRUE(lines.front().contains(taken + ". " + form->texts.LS("LivePagePortAdvice")));
    EXPECT_TRUE(form->LivePageBox->outcome->text().contains(taken));

    const quint16 free = freePort();
    form->LivePageBox->LivePagePort->setValue(free);
    form->LivePageBox->LivePageApply->click();
    EXPECT_EQ(form->livePage->outcome().kind, LivePage::Outcome::Serving);
    EXPECT_EQ(get(free, "/").status, 200);
    EXPECT_EQ(form->LivePageBox->outcome->text(), QString("http://127.0.0.1:%1/").arg(free));
    IniFile onDisk;
    onDisk.load(dir.filePath("term.ini"));
    EXPECT_EQ(onDisk.readString("LivePage", "Port", ""), QString::number(free)) << "kept at Apply, not only at close";
    EXPECT_TRUE(onDisk.readBool("LivePage", "Enabled", false));

    form->LivePageBox->setChecked(false);
    ASSERT_TRUE(form->LivePageBox->LivePageApply->isEnabled());
    form->LivePageBox->LivePageApply->click();
    EXPECT_EQ(get(free, "/").status, 0) << "switched off";
    EXPECT_EQ(logLines().filter(form->texts.LS("LogLivePageOff")).size(), 1);
}

TEST_F(LivePageWindowStart, TheStudioNetworkWithoutACodeIsRefusedAndACodeIsNeverLogged)
{
    const quint16 port = freePort();
    open(QString("Enabled=1\r\nPort=%1\r\nListen=network\r\nCode=\r\n").arg(port));
    EXPECT_EQ(form->livePage->outcome().kind, LivePage::Outcome::NoCode);
    EXPECT_EQ(logLines().filter(form->texts.LS("LogLivePageNoCode")).size(), 1);
    EXPECT_EQ(form->LivePageBox->outcome->text(), form->texts.LS("LogLivePageNoCode"));
    EXPECT_EQ(get(port, "/").status, 0) << "nothing listens";

    form->LivePageBox->LivePageCode->setText("Glaze#7");
    form->LivePageBox->LivePageApply->click();
    EXPECT_EQ(form->livePage->outcome().kind, LivePage::Outcome::Serving);
    EXPECT_EQ(form->LivePageBox->LivePageCode->echoMode(), QLineEdit::Password);
    form->InterfaceTimerTimer();
    EXPECT_EQ(get(port, "/api/state").status, 401);
    EXPECT_EQ(post(port, "/api/code", "Glaze#7").status, 200);
    for (const QString& line : logLines())
        EXPECT_FALSE(line.contains("Glaze#7")) << line.toStdString();
}

}  // namespace
