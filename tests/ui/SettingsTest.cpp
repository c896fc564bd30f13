// The settings file through the real window: what a close writes, what the next start brings
// back, and the first start without any settings.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "StoredSettings.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Settings : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;

    void copy(const QString& name)
    {
        QDir().mkpath(QFileInfo(dir.path() + "/" + name).path());
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name)) << name.toStdString();
    }
    void writeIni(const QByteArray& body) { writeBytes(dir.path() + "/term.ini", "[TForm1]\r\n" + body); }

    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        return form;
    }
};

// A value unlike the control's default, by kind.
void changeValue(QWidget* w, const StoredControl& c, int i)
{
    switch (c.kind) {
    case StoredControl::Checked:
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->autoExclusive())
            b->setChecked(!b->isChecked());
        break;
    case StoredControl::Text: qobject_cast<QLineEdit*>(w)->setText("7" + QString::number(i)); break;
    case StoredControl::Color: qobject_cast<Panel*>(w)->setColor(QColor(i * 7, 255 - i * 5, 40)); break;
    case StoredControl::ItemIndex: qobject_cast<RadioGroup*>(w)->setItemIndex(2); break;
    }
}

QString valueOf(QWidget* w, const StoredControl& c)
{
    switch (c.kind) {
    case StoredControl::Checked: return qobject_cast<QAbstractButton*>(w)->isChecked() ? "on" : "off";
    case StoredControl::Text: return qobject_cast<QLineEdit*>(w)->text();
    case StoredControl::Color: return qobject_cast<Panel*>(w)->color().name();
    case StoredControl::ItemIndex: return QString::number(qobject_cast<RadioGroup*>(w)->itemIndex());
    }
    return {};
}

}  // namespace

TEST_F(Settings, EveryStoredValueComesBackAtTheNextStart)
{
    copy("English.lng");
    QMap<QString, QString> written;
    {
        auto form = start();
        form->show();  // restores once more: the values below are set after it
        int i = 0;
        for (const StoredControl& c : StoredSettings::controls()) {
            QWidget* w = form->findChild<QWidget*>(c.control());
            ASSERT_TRUE(w) << c.entry.toStdString();
            if (c.control() != "SIM_SPEED" && c.control() != "OtherLang")
                changeValue(w, c, ++i);
        }
        form->English->setChecked(true);
        form->state.PolThreshold = 7.5;
        form->PageControl1->setCurrentWidget(form->TabLog);
        for (const StoredControl& c : StoredSettings::controls())
            written[c.entry] = valueOf(form->findChild<QWidget*>(c.control()), c);
        ASSERT_TRUE(form->close());
    }
    IniFile ini;
    ini.load(dir.path() + "/term.ini");
    EXPECT_EQ(ini.readString("TForm1", "English_Checked", ""), "TRUE");
    EXPECT_EQ(ini.readString("TForm1", "POL", ""), "7.5");
    EXPECT_EQ(ini.readString("TForm1", "FormVersion", ""), "0");
    EXPECT_TRUE(ini.hasKey("TForm1", "NormPos"));
    auto again = start();
    for (const StoredControl& c : StoredSettings::controls())
        EXPECT_EQ(valueOf(again->findChild<QWidget*>(c.control()), c), written[c.entry]) << c.entry.toStdString();
    EXPECT_EQ(again->state.PolThreshold, 7.5);
    EXPECT_EQ(again->PageControl1->currentWidget(), again->TabLog);
    EXPECT_EQ(again->state.Temps.TempScale, 2);
}

TEST_F(Settings, StoredValueForms)
{
    copy("English.lng");
    writeIni("English_Checked=YES\r\nPanel15_Color=33023\r\nPanel16_Color=clBlue\r\nSIM_SPEED_Text=8\r\n"
             "POL=2,5\r\nTC3=Pt\r\n");
    auto form = start();
    EXPECT_TRUE(form->English->isChecked());
    EXPECT_EQ(form->texts.LS("MBWarning"), "Warning");  // the language was loaded
    EXPECT_EQ(form->Panel15->color(), QColor(255, 128, 0));
    EXPECT_EQ(form->Panel16->color(), QColor(0, 0, 255));
    EXPECT_EQ(form->HardwareTimer->interval(), 12);  // 12.5 rounds to even
    EXPECT_EQ(form->InterfaceTimer->interval(), 250);
    EXPECT_EQ(form->state.PolThreshold, 2.5);
    EXPECT_EQ(form->TCgrid->cell(1, 3), "Pt");
    EXPECT_EQ(StoredSettings::colorText(QColor(255, 128, 0)), "33023");
    EXPECT_EQ(StoredSettings::colorText(QColor(0, 255, 0)), "clLime");
    EXPECT_FALSE(StoredSettings::colorFromText("clNoSuch"));
}

TEST_F(Settings, TheFirstStartWithoutSettings)
{
    copy("Prog/Prog1.prg");
    copy("Oven/Oven1.ovn");
    auto form = start();
    EXPECT_EQ(form->texts.LS("MBWarning"), "?? MBWarning ??");
    EXPECT_TRUE(form->state.simulated());
    EXPECT_EQ(form->state.Temps.TempScale, 0);
    EXPECT_EQ(form->programFile->FileName(), dir.path() + "/Prog/Prog1.prg");
    EXPECT_EQ(form->ovenFile->FileName(), dir.path() + "/Oven/Oven1.ovn");
    EXPECT_EQ(form->PID_P->text(), "10");  // the kiln file was read
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabWork);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
}

TEST_F(Settings, NoQuestionsDuringAShutdownCountdown)
{
    auto form = start();
    form->show();
    form->Prog->setCell(1, 2, "500");
    form->editor->ProgSetEditText(1, 2);
    form->ShutDownTimer->start();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.asked.filter("yesno:").isEmpty());
    form->ShutDownTimer->stop();
}
