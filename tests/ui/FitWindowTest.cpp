// The kiln page's fit and tune buttons through the real main window: the recording it fits,
// what "Apply" puts into the fields, and a tuning cancelled or cut short by closing.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "FitDialog.h"
#include "LocaleFacts.h"
#include "Numbers.h"
#include "TuneDialog.h"
#include "Widgets.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

LocaleFacts decimalComma()
{
    LocaleFacts f;
    f.decimalSeparator = ',';
    f.thousandSeparator = '.';
    return f;
}

bool settle(const std::function<bool()>& busy, int ms = 120000)
{
    QDeadlineTimer deadline(ms);
    while (busy()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents();
        QThread::msleep(10);
    }
    QApplication::processEvents();
    return true;
}

struct FitWindow : ::testing::Test {
    ScopedLocaleFacts locale{decimalComma()};
    QTemporaryDir dir;
    WindowServices services;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/English.lng", dir.path() + "/English.lng"));
        form = std::make_unique<TForm1>(services.app(dir.path()));
        form->show();
        restoreWithoutTimers(*form);
        form->LangSet("English");
        form->ovenFile->SetOvenChanged(false);
    }
    void TearDown() override { form->closeUnattended(); }

    // The simulated kiln heated by hand at `percent` for `minutes`.
    void heatByHand(int percent, int minutes)
    {
        form->PowerRegulation->setItemIndex(1);
        form->ManualPower->setValue(100 - percent);
        for (int k = 0; k < minutes * 30; ++k) {
            services.clock.advance(2);
            form->InterfaceTimerTimer();
        }
    }
    template <class Dialog>
    Dialog* opened()
    {
        Dialog* d = form->findChild<Dialog*>();
        EXPECT_NE(d, nullptr);
        return d;
    }
    void enterProgram(const std::vector<ProgramStep>& lines) { form->editor->EnterProgram(lines, "Test"); }
};

}  // namespace

// The chart holds the recording in the window's scale; the fit must see °C, or the gain it
// finds is 1.8 times too high.
TEST_F(FitWindow, TheRecordingInFahrenheitIsFittedAndApplyWritesTheFields)
{
    form->state.Temps.TempScale = 1;
    // The simulated kiln is the model with the fields' factors: a kiln that reaches 1275 °C.
    const auto setModel = [&](const char* p, const char* i, const char* r) {
        form->MODEL_P->setText(p);
        form->MODEL_I->setText(i);
        form->MODEL_R->setText(r);
    };
    setModel("0,03", "0,0024", "0,002");
    heatByHand(100, 150);
    heatByHand(40, 60);
    heatByHand(0, 90);
    ASSERT_GT(form->chart->pointCount(7), 8500);
    setModel("0,02", "0,005", "0,003");
    form->ovenFile->SetOvenChanged(false);

    form->FitButton->click();
    FitDialog* dialog = opened<FitDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->startFit();
    ASSERT_TRUE(settle([&] { return dialog->busy(); }));
    const FitResult& r = dialog->outcome().result;
    ASSERT_EQ(r.verdict, FitResult::Verdict::Fitted) << dialog->message->text().toStdString();
    EXPECT_NEAR(r.after.p, 0.03, 0.0015);
    EXPECT_NEAR(r.after.i, 0.0024, 0.00012);
    EXPECT_NEAR(r.after.r, 0.002, 0.0001);

    ASSERT_TRUE(dialog->apply->isEnabled());
    QPointer<FitDialog> gone(dialog);
    dialog->apply->click();
    EXPECT_EQ(form->MODEL_P->text(), Numbers::formatGeneral(r.after.p, 4));
    EXPECT_EQ(form->MODEL_I->text(), Numbers::formatGeneral(r.after.i, 4));
    EXPECT_EQ(form->MODEL_R->text(), Numbers::formatGeneral(r.after.r, 4));
    EXPECT_TRUE(form->MODEL_P->text().contains(','));
    EXPECT_NEAR(EditValue(form->MODEL_P, 0), r.after.p, r.after.p * 1e-3);
    EXPECT_TRUE(form->ovenFile->OvenChanged());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(FitWindow, TuneSaysWhyWhenThereIsNothingToTune)
{
    struct Case {
        const char* name;
        std::vector<ProgramStep> program;
        const char* p;
        const char* r;
        const char* says;
    };
    const std::vector<ProgramStep> bisque = {{600, 120}, {600, 30}};
    for (const Case& c : {Case{"no program", {}, "0,02", "0,003", "TuneNoProgram"},
                          Case{"gain not a number", bisque, "abc", "0,003", "TuneModelNotNumbers"},
                          Case{"no exchange", bisque, "0,02", "0", "TuneModelUnusable"}}) {
        SCOPED_TRACE(c.name);
        form->editor->KProgClearClick();
        if (!c.program.empty())
            enterProgram(c.program);
        form->MODEL_P->setText(c.p);
        form->MODEL_R->setText(c.r);
        form->TuneButton->click();
        TuneDialog* dialog = opened<TuneDialog>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->message->text(), form->texts.LS(c.says));
        EXPECT_FALSE(dialog->busy());
        EXPECT_FALSE(dialog->apply->isEnabled());
        dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(FitWindow, ATunedRegulatorIsAppliedToTheFields)
{
    enterProgram({{500, 90}, {500, 30}});
    // A sluggish start that any search improves on.
    form->PID_P->setText("0,1");
    form->PID_I->setText("0");
    form->PID_D->setText("0");
    form->PID_CORR->setItemIndex(0);
    form->ovenFile->SetOvenChanged(false);
    form->TuneButton->click();
    TuneDialog* dialog = opened<TuneDialog>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(settle([&] { return !dialog->done(); }));
    const TuneResult& r = dialog->outcome().result;
    EXPECT_FALSE(r.cancelled);
    ASSERT_TRUE(r.improved);
    EXPECT_LT(r.afterFigures.worstRampError, r.beforeFigures.worstRampError);
    EXPECT_FALSE(dialog->outcome().after.kiln.empty());
    ASSERT_TRUE(dialog->apply->isEnabled());
    dialog->apply->click();
    EXPECT_EQ(form->PID_P->text(), Numbers::formatGeneral(r.after.p, 4));
    EXPECT_EQ(form->PID_I->text(), Numbers::formatGeneral(r.after.i, 4));
    EXPECT_EQ(form->PID_D->text(), Numbers::formatGeneral(r.after.d, 4));
    EXPECT_EQ(form->PID_CORR->itemIndex(), r.after.corr);
    EXPECT_TRUE(form->ovenFile->OvenChanged());
}

TEST_F(FitWindow, CancelKeepsTheBestSoFarAndChangesNoField)
{
    enterProgram({{1000, 600}, {1000, 60}});
    const QString p = form->PID_P->text();
    form->TuneButton->click();
    TuneDialog* dialog = opened<TuneDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->cancel->click();
    EXPECT_FALSE(dialog->cancel->isEnabled());
    ASSERT_TRUE(settle([&] { return !dialog->done(); }));
    EXPECT_TRUE(dialog->outcome().result.cancelled);
    EXPECT_EQ(dialog->progress->value(), 100);
    EXPECT_TRUE(dialog->message->text().startsWith(form->texts.LS("TuneCancelled")));
    EXPECT_EQ(form->PID_P->text(), p);
    EXPECT_FALSE(form->ovenFile->OvenChanged());
}

// Closing the dialog, or the window under it, in the middle of a search ends the search:
// nothing runs on, nothing reports into a dialog that is gone.
TEST_F(FitWindow, ClosingWhileTuningStopsTheSearch)
{
    enterProgram({{1000, 600}, {1000, 60}});
    form->TuneButton->click();
    QPointer<TuneDialog> dialog = opened<TuneDialog>();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->busy());
    dialog->close();
    EXPECT_FALSE(dialog->busy());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());

    form->TuneButton->click();
    ASSERT_NE(opened<TuneDialog>(), nullptr);
    form->closeUnattended();
    form.reset();  // the dialog goes with its window and waits for its thread
    QApplication::processEvents();
    form = std::make_unique<TForm1>(services.app(dir.path()));
}
