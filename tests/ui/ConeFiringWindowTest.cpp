// The cone firing through the real window: the program it makes is checked against the kiln
// like a typed one, and the dialog gathers the choices in the display scale.
#include "ConeDialog.h"
#include "TForm1.h"

#include "DrivenWindow.h"
#include "FakeTexts.h"
#include "LocaleFacts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
ConeTable shipped() { return ConeTable::Load(ConeTable::PathIn(FORNAXEL_DATA_DIR)); }
}  // namespace

TEST(ConeFiring, AConeAboveTheKilnsMaximumCannotBeStarted)
{
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    WindowServices services;
    TForm1 form(services.app(dir.path()));
    restoreWithoutTimers(form);
    form.MAXTEMP->setText("1100");
    const ConeTable table = shipped();
    struct Case {
        QString cone;
        bool startable;  // 04 ends at 1077 °C, 6 at 1243 °C
    };
    for (const Case& c : {Case{"04", true}, Case{"6", false}, Case{"04", true}}) {
        SCOPED_TRACE(c.cone.toStdString());
        form.ConeProgramChosen(ConeChoice{*table.find(c.cone), ConeSpeed::Medium});
        form.InterfaceTimerTimer();
        EXPECT_EQ(form.state.ProgImpossible, !c.startable);
        EXPECT_EQ(form.StartButton->isEnabled(), c.startable);
        EXPECT_EQ(form.editor->ChartTitleColor(), c.startable ? QColor(0, 0, 255) : QColor(255, 0, 0));
        EXPECT_TRUE(form.editor->ChartTitle().startsWith(dir.path() + "/Prog/?? ConeProgramTitle ??" + c.cone +
                                                         ", ?? ConeSpeedMedium ??.prg"))
            << form.editor->ChartTitle().toStdString();
    }
}

TEST(ConeFiring, DialogTakesTheChoicesInTheDisplayScaleOrSaysWhyItCannot)
{
    FakeTexts texts;
    TemperatureScale fahrenheit;
    fahrenheit.TempScale = 1;
    ConeDialog dialog(shipped(), fahrenheit, texts);
    EXPECT_TRUE(dialog.error->isHidden());
    EXPECT_EQ(dialog.candlingTemp->value(), 194);  // 90 °C
    std::vector<ConeChoice> chosen;
    QObject::connect(&dialog, &ConeDialog::programChosen, [&](const ConeChoice& c) { chosen.push_back(c); });
    dialog.cone->setCurrentText("6");
    dialog.speed->setCurrentIndex(0);
    dialog.candling->setChecked(true);
    dialog.candlingTemp->setValue(212);
    dialog.holdMinutes->setValue(0);
    dialog.write->click();
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].cone.name, "6");
    EXPECT_EQ(chosen[0].speed, ConeSpeed::Slow);
    EXPECT_TRUE(chosen[0].candling);
    EXPECT_NEAR(chosen[0].candlingTemp, 100, 1e-9);
    EXPECT_EQ(chosen[0].holdMinutes, 0);
    EXPECT_TRUE(dialog.summary->text().contains("<ConeSummaryEnd>2232 °F")) << dialog.summary->text().toStdString();

    QTemporaryDir dir;
    const QString missing = ConeTable::PathIn(dir.path());
    ConeDialog broken(ConeTable::Load(missing), fahrenheit, texts);
    EXPECT_FALSE(broken.error->isHidden());
    EXPECT_EQ(broken.error->text(), "<ConeFileUnreadable>" + missing);
    EXPECT_FALSE(broken.write->isEnabled());
    EXPECT_EQ(broken.cone->count(), 0);
}
