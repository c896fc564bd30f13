// Event sounds and the help pages, on the real main window with test services, and the
// sound files and help pages the program ships.
#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "MessageTable.h"
#include "TForm1.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {

const QString kData = QString(FORNAXEL_DATA_DIR);
const QStringList kPages = {"Help.htm", "Hardware.htm", "Materials.htm"};

// Also records where the file dialog starts and what it preselects.
class DialogsWithFolder : public FakeDialogs {
public:
    QString folder, fileName;
    QString openFile(const QString& title, const QString& filter, const QString& ext, const QString& f,
                     const QString& n) override
    {
        folder = f;
        fileName = n;
        return FakeDialogs::openFile(title, filter, ext, f, n);
    }
};

struct Window : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    FakeClock clock;
    FakeRandom random;
    DialogsWithFolder dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    std::unique_ptr<TForm1> form;

    void start()
    {
        form = std::make_unique<TForm1>(AppServices{clock, random, dialogs, sound, powerOff, dir.path()});
        restoreWithoutTimers(*form);
    }
    QString sounds() const { return dir.path() + "/Sounds"; }
    void shipSound(const QString& name)
    {
        QDir().mkpath(sounds());
        writeBytes(sounds() + "/" + name, "RIFF");  // the player is a fake: any bytes do
    }
};

}  // namespace

TEST_F(Window, SoundsPlayFromTheSoundsFolderAndAreSilentWithoutAFile)
{
    shipSound("CHIMES.WAV");
    writeBytes(dir.path() + "/bell.wav", "RIFF");
    start();
    const int entries = form->log->lines().size();

    form->PlaySound(1);  // APPLAUSE.WAV is not there
    form->WAV4->clear();
    form->PlaySound(4);
    form->PlaySound(0);
    form->PlaySound(7);
    EXPECT_TRUE(sound.played.isEmpty());
    EXPECT_FALSE(form->sounds->SoundStarted());
    // Before any sound has been played, nothing touches the player.
    form->PageControl1->setCurrentWidget(form->TabLog);
    EXPECT_EQ(sound.stops, 0);

    form->PlaySound(3);  // the bare default name, from the program folder's Sounds/
    form->WAV2->setText(dir.path() + "/bell.wav");
    form->PlaySound(2);  // a full path as it stands
    EXPECT_EQ(sound.played, QStringList({sounds() + "/CHIMES.WAV", dir.path() + "/bell.wav"}));
    EXPECT_TRUE(form->sounds->SoundStarted());
    // Nothing was ever reported or logged.
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(form->log->lines().size(), entries);
}

TEST_F(Window, APageChangeAndAClickOnTheStatusAreaOrAChartSilenceTheSound)
{
    shipSound("EXPLODE.WAV");
    start();
    form->show();
    form->PlaySound(6);
    int stops = 0;
    const auto stopped = [&] {
        const bool more = sound.stops > stops;
        stops = sound.stops;
        return more;
    };
    form->PageControl1->setCurrentWidget(form->TabOptions);
    EXPECT_TRUE(stopped()) << "page change";
    for (QWidget* w : std::initializer_list<QWidget*>{form->Panel4, form->Panel7, form->Panel8, form->Panel31,
                                                       form->Panel9, form->ProgramPanel, form->StatusPanel})
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_TRUE(stopped()) << w->objectName().toStdString();
    }
    QTest::mouseClick(form->StatusInside, Qt::LeftButton);  // a label leaves the press to its group
    EXPECT_TRUE(stopped()) << "status text";
    form->PageControl1->setCurrentWidget(form->TabWork);
    stopped();
    QTest::mouseClick(form->Chart1, Qt::LeftButton);
    EXPECT_TRUE(stopped()) << "chart";
    QTest::mouseClick(form->StopButton, Qt::LeftButton);  // a button takes its own clicks
    EXPECT_FALSE(stopped()) << "stop button";
}

TEST_F(Window, ProgramLinesAndTheAlarmPlayTheirSounds)
{
    for (const char* name : {"CASHREG.WAV", "EXPLODE.WAV"})
        shipSound(name);
    start();
    const auto line = [&](int n, const char* temp, const char* minutes, const char* sound) {
        form->Prog->setCell(1, n + 1, temp);
        form->Prog->setCell(2, n + 1, minutes);
        form->Prog->setCell(3, n + 1, sound);
    };
    line(1, "30", "0", "7");  // steps within reach of the room temperature; no sound 7
    line(2, "30", "0", "2");
    line(3, "0", "0", " ");  // the end
    for (int i = 0; i < 3; ++i)
        form->InterfaceTimerTimer();
    form->StartButtonClick();
    for (int i = 0; i < 8 && form->state.ProgState != Finished; ++i)
        form->InterfaceTimerTimer();
    ASSERT_EQ(form->state.ProgState, Finished);
    EXPECT_EQ(sound.played, QStringList({sounds() + "/CASHREG.WAV"}));

    // A breakdown repeats the alarm every cycle; silenced, it comes back at the next one.
    sound.played.clear();
    form->BreakTimerTimer();
    form->InterfaceTimerTimer();
    form->InterfaceTimerTimer();
    EXPECT_EQ(sound.played, QStringList(2, sounds() + "/EXPLODE.WAV"));
    QTest::mouseClick(form->StatusPanel, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(sound.stops, 1);
    form->InterfaceTimerTimer();
    EXPECT_EQ(sound.played.size(), 3);
}

TEST_F(Window, TheChoiceButtonsPutTheChosenFileIntoTheirField)
{
    start();
    dialogs.fileAnswer = dir.path() + "/Media/../Media/gong.wav";
    QTest::mouseClick(form->Button22, Qt::LeftButton);  // the "..." beside WAV3
    EXPECT_EQ(form->WAV3->text(), dir.path() + "/Media/gong.wav");
    EXPECT_EQ(dialogs.asked, QStringList({"open:" + form->OpenDialog3.title}));
    EXPECT_EQ(dialogs.lastDefaultExt, "wav");
    EXPECT_EQ(dialogs.lastFilter, form->OpenDialog3.filter);
    EXPECT_EQ(dialogs.folder, sounds());

    // The dialog preselects the field's file; a bare name is the one in Sounds/.
    dialogs.fileAnswer.clear();
    QTest::mouseClick(form->Button28, Qt::LeftButton);
    EXPECT_EQ(dialogs.fileName, sounds() + "/EXPLODE.WAV");
    EXPECT_EQ(form->WAV6->text(), "EXPLODE.WAV");  // cancelled: unchanged
    QTest::mouseClick(form->Button22, Qt::LeftButton);
    EXPECT_EQ(dialogs.fileName, dir.path() + "/Media/gong.wav");
}

TEST_F(Window, TheHelpButtonsShowTheLanguagesPagesWithBackAndForward)
{
    QFile::copy(kData + "/English.lng", dir.path() + "/English.lng");
    const QString folder = dir.path() + "/Help/English";
    QDir().mkpath(folder);
    for (const QString& page : kPages)
        ASSERT_TRUE(QFile::copy(kData + "/Help/English/" + page, folder + "/" + page)) << page.toStdString();
    start();
    form->LangSet("English");
    const auto shown = [&] { return form->WebBrowser1->source().toLocalFile(); };
    EXPECT_EQ(shown(), folder + "/Help.htm");  // the start page
    EXPECT_FALSE(form->HelpBack->isEnabled());
    EXPECT_FALSE(form->HelpForward->isEnabled());
    EXPECT_FALSE(form->InternetSite->isVisibleTo(form.get()));

    QTest::mouseClick(form->HelpHardware, Qt::LeftButton);
    EXPECT_EQ(shown(), folder + "/Hardware.htm");
    QTest::mouseClick(form->HelpMaterials, Qt::LeftButton);
    EXPECT_EQ(shown(), folder + "/Materials.htm");
    EXPECT_TRUE(form->HelpBack->isEnabled());
    QTest::mouseClick(form->HelpBack, Qt::LeftButton);
    QTest::mouseClick(form->HelpBack, Qt::LeftButton);
    EXPECT_EQ(shown(), folder + "/Help.htm");
    EXPECT_FALSE(form->HelpBack->isEnabled());
    EXPECT_TRUE(form->HelpForward->isEnabled());
    QTest::mouseClick(form->HelpForward, Qt::LeftButton);
    EXPECT_EQ(shown(), folder + "/Hardware.htm");
    // A link of the page itself, as the viewer follows it: the first one leads to the hardware.
    QTest::mouseClick(form->HelpProgram, Qt::LeftButton);
    EXPECT_EQ(shown(), folder + "/Help.htm");
    form->show();
    form->PageControl1->setCurrentWidget(form->TabHelp);
    QTest::keyClick(form->WebBrowser1, Qt::Key_Tab);
    QTest::keyClick(form->WebBrowser1, Qt::Key_Return);
    EXPECT_EQ(shown(), folder + "/Hardware.htm");

    // A language without the page: its name on an empty page, nothing reported.
    QFile::remove(folder + "/Hardware.htm");
    QTest::mouseClick(form->HelpHardware, Qt::LeftButton);
    EXPECT_TRUE(form->WebBrowser1->toPlainText().contains("Hardware.htm"));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// Every shipped language has its three pages in the folder its HelpFolder names, in UTF-8,
// and every link in them leads to a page (and an anchor) that is there.
TEST(ShippedHelp, EveryLanguageHasItsPagesAndEveryLinkResolves)
{
    const QStringList languages = QDir(kData).entryList({"*.lng"}, QDir::Files);
    ASSERT_GE(languages.size(), 3);
    const QRegularExpression href(R"(href\s*=\s*"([^"]*)\")", QRegularExpression::CaseInsensitiveOption);
    const auto anchorsOf = [](const QString& html) {
        QStringList names;
        const QRegularExpression name(R"(<a\s+name\s*=\s*"([^"]+)\")", QRegularExpression::CaseInsensitiveOption);
        for (const auto& m : name.globalMatch(html))
            names << m.captured(1);
        return names;
    };
    const auto read = [](const QString& path) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(readBytes(path));
        EXPECT_FALSE(utf8.hasError()) << path.toStdString();
        return text;
    };
    for (const QString& file : languages) {
        MessageTable texts(kData);
        texts.LoadLng(file);
        const QString folder = kData + "/Help/" + texts.LS("HelpFolder");
        SCOPED_TRACE(folder.toStdString());
        for (const QString& page : kPages) {
            SCOPED_TRACE(page.toStdString());
            const QString html = read(folder + "/" + page);
            ASSERT_FALSE(html.isEmpty());
            EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">", Qt::CaseInsensitive));
            int links = 0;
            for (const auto& m : href.globalMatch(html)) {
                const QString link = m.captured(1);
                if (link.contains(':'))  // another scheme: not a page of ours
                    continue;
                ++links;
                const QString target = link.section('#', 0, 0);
                const QString anchor = link.section('#', 1);
                const QString path = target.isEmpty() ? folder + "/" + page : QDir(folder).filePath(target);
                ASSERT_TRUE(QFileInfo(path).isFile()) << link.toStdString();
                if (!anchor.isEmpty()) {
                    EXPECT_TRUE(anchorsOf(read(path)).contains(anchor)) << link.toStdString();
                }
            }
            EXPECT_GE(links, 2) << "a page links to the other two";
        }
    }
}

// The default sound names are files the program folder ships: PCM WAV, 16 bits, mono, 22050 Hz,
// each shorter than the two seconds of a control cycle.
TEST(ShippedSounds, TheDefaultNamesAreShortPcmWaves)
{
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    QTemporaryDir dir;
    TForm1 form(AppServices{clock, random, dialogs, sound, powerOff, dir.path()});
    for (const QLineEdit* field : {form.WAV1, form.WAV2, form.WAV3, form.WAV4, form.WAV5, form.WAV6}) {
        const QString path = kData + "/Sounds/" + field->text();
        SCOPED_TRACE(path.toStdString());
        const QByteArray b = readBytes(path);
        ASSERT_GE(b.size(), 44);
        const auto u16 = [&](int at) { return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8); };
        const auto u32 = [&](int at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
        EXPECT_EQ(b.left(4), "RIFF");
        EXPECT_EQ(u32(4), quint32(b.size() - 8));
        EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(u16(20), 1);       // PCM
        EXPECT_EQ(u16(22), 1);       // mono
        EXPECT_EQ(u32(24), 22050u);  // samples a second
        EXPECT_EQ(u16(34), 16);      // bits a sample
        ASSERT_EQ(b.mid(36, 4), "data");
        const quint32 bytes = u32(40);
        EXPECT_EQ(bytes, quint32(b.size() - 44));
        EXPECT_GT(bytes, 22050u * 2 / 5);  // at least 0.2 s
        EXPECT_LT(bytes, 22050u * 2 * 2);  // under 2 s
    }
}
