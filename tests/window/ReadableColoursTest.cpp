// Every state text of the window reads at 4.5:1 or better on the light and the dark palette.
// The contrast is measured on the colours the widgets end up with.
#include "TForm1.h"

#include "ColourScheme.h"
#include "DrivenWindow.h"
#include "Executor.h"
#include "Regulator.h"
#include "Widgets.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace {

// Relative luminance and contrast ratio, written out here rather than borrowed from the code
// under test.
double luminance(const QColor& c)
{
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    const double x = luminance(a) + 0.05;
    const double y = luminance(b) + 0.05;
    return x > y ? x / y : y / x;
}

std::string describe(const QColor& text, const QColor& back)
{
    return (text.name() + " on " + back.name()).toStdString();
}

// A text drawn in the widget's own text colour on its own background.
void expectReadable(const QWidget* w, const char* what)
{
    const QPalette p = w->palette();
    const QColor text = p.color(w->foregroundRole());
    const QColor back = p.color(w->backgroundRole());
    EXPECT_GE(contrast(text, back), 4.5) << what << ": " << describe(text, back);
}

struct PaletteCase {
    const char* name;
    std::function<QPalette()> palette;
};

const PaletteCase kPalettes[] = {
    {"light Fusion", [] { return std::unique_ptr<QStyle>(QStyleFactory::create("Fusion"))->standardPalette(); }},
    {"dark", [] { return ColourScheme::dark(); }},
};

struct ReadableColours : ::testing::Test, WindowServices {
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    static void SetUpTestSuite() { QApplication::setStyle("Fusion"); }
    void TearDown() override
    {
        form.reset();
        QApplication::setPalette(kPalettes[0].palette());
    }
    void open(const PaletteCase& p)
    {
        form.reset();
        QApplication::setPalette(p.palette());
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/English.lng", dir.path() + "/English.lng") ||
                    QFile::exists(dir.path() + "/English.lng"));
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
    }
};

}  // namespace

// The program state line in every state the executor shows, the breakdown in both colours
// of its flashing.
TEST_F(ReadableColours, ProgramStateInEveryState)
{
    const struct {
        const char* name;
        int state;
        QColor flash;
    } states[] = {
        {"stopped", Stopped, Colors::Red},       {"running", Running, Colors::Red},
        {"waiting", Waiting, Colors::Red},       {"paused", Paused, Colors::Red},
        {"finished", Finished, Colors::Red},     {"breakdown, red", BreakDown, Colors::Red},
        {"breakdown, orange", BreakDown, Colors::Orange},
    };
    for (const PaletteCase& p : kPalettes) {
        open(p);
        for (const auto& s : states) {
            SCOPED_TRACE(std::string(p.name) + ", " + s.name);
            form->state.ProgState = s.state;
            form->state.FlashColor = s.flash;
            form->executor->ShowState();
            expectReadable(form->ProgramState, "ProgramState");
        }
    }
}

// The caption of each status indicator in every colour the cycle gives it: the start-up grey,
// green, the light blue of a cooling kiln, the plain face of a kiln at room temperature and
// the two colours of the alarm.
TEST_F(ReadableColours, IndicatorCaptionsOnEveryIndicatorColour)
{
    for (const PaletteCase& p : kPalettes) {
        open(p);
        const QColor colours[] = {Colors::Grey, Colors::Lime, Colors::LightBlue, Colors::buttonFace(),
                                  Colors::Red, Colors::Orange};
        for (Panel* panel : {form->Panel4, form->Panel7, form->Panel8, form->Panel31, form->Panel9}) {
            SCOPED_TRACE(std::string(p.name) + ", " + panel->objectName().toStdString());
            // The caption is drawn on the panel, which fills itself with its colour.
            const auto expectCaptionReadable = [&](const char* what) {
                const QColor text = panel->label()->palette().color(panel->label()->foregroundRole());
                const QColor back = panel->palette().color(QPalette::Window);
                EXPECT_GE(contrast(text, back), 4.5) << what << ": " << describe(text, back);
            };
            expectCaptionReadable("as built");
            for (const QColor& c : colours) {
                panel->setColor(c);
                expectCaptionReadable(qPrintable(c.name()));
            }
        }
    }
}

// The forecast line (red while a temperature will not be reached), the regulator's active and
// inactive parts, a number field marked bad or good, and a program cell marked unreadable.
TEST_F(ReadableColours, MarkedTextsAndFields)
{
    for (const PaletteCase& p : kPalettes) {
        open(p);
        SCOPED_TRACE(p.name);
        for (const QColor& c : {Colors::Red, Colors::plainText()}) {
            Colors::setTextColor(form->ProgramForecast, c);
            expectReadable(form->ProgramForecast, "ProgramForecast");
        }
        for (int mode : {1, 0}) {
            form->PowerRegulation->setItemIndex(mode);
            expectReadable(form->Label28, "Label28");
            expectReadable(form->PIDRegulator, "PIDRegulator");
        }
        for (const QColor& c : {Colors::Red, Colors::Lime, Colors::Grey, Colors::buttonFace()}) {
            Colors::setBackground(form->MAXTEMP, c);
            const QPalette fp = form->MAXTEMP->palette();
            EXPECT_GE(contrast(fp.color(QPalette::Text), fp.color(QPalette::Base)), 4.5)
                << "MAXTEMP: " << describe(fp.color(QPalette::Text), fp.color(QPalette::Base));
        }
        form->Prog->setCell(1, 2, "x");
        form->Prog->setCellBackground(1, 2, Colors::Red);
        QTableWidgetItem* cell = form->Prog->item(2, 1);
        const QVariant ink = cell->data(Qt::ForegroundRole);
        const QColor text = ink.isValid() ? ink.value<QBrush>().color() : form->Prog->palette().color(QPalette::Text);
        EXPECT_GE(contrast(text, Colors::Red), 4.5) << "unreadable cell: " << describe(text, Colors::Red);
    }
}
