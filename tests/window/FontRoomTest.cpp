// Nothing of the work page, the program panel and the status row loses its end at a larger
// system font, in any shipped language.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "Executor.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FontRoom : ::testing::Test, WindowServices {
    QTemporaryDir dir;
    QFont systemFont = QApplication::font();

    void SetUp() override
    {
        for (const char* name : {"English.lng", "Russian.lng", "Deutsch.lng"})
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name));
    }
    void TearDown() override { QApplication::setFont(systemFont); }

    std::unique_ptr<TForm1> open(double points, const QString& language)
    {
        QFont f = systemFont;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        auto form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        form->LangSet(language);
        form->show();
        form->PageControl1->setCurrentWidget(form->TabWork);
        longestTexts(*form);
        QApplication::processEvents();
        return form;
    }

    // The longest texts the cycle and the executor write: a four-digit reading, full power,
    // the longest state, line 200 and the longest time.
    static void longestTexts(TForm1& f)
    {
        const QString reading = "1288.8 " + f.state.Temps.Deg();
        f.StatusInside->setText(f.texts.LS("StatusInside") + reading);
        f.StatusPower->setText(f.texts.LS("StatusPower") + ":100 %");
        f.StatusTarget->setText(f.texts.LS("StatusTarget") + reading);
        f.StatusOutside->setText(f.texts.LS("StatusOutside") + reading);
        QString state;
        for (const char* key : {"ProgStopped", "ProgRunning", "ProgWaiting", "ProgPaused", "ProgFinished", "ProgBreakDown"})
            if (f.texts.LS(key).size() > state.size())
                state = f.texts.LS(key);
        f.ProgramState->setText(f.texts.LS("ProgramState") + state);
        f.ProgramLineNumber->setText(f.texts.LS("ProgramLineNumber") + "200");
        f.ProgramTime->setText(f.texts.LS("ProgramTime") + "-23:59:59");
    }

    static int widestLine(const QFontMetrics& m, const QString& text)
    {
        int widest = 0;
        for (const QString& line : text.split('\n'))
            widest = std::max(widest, m.horizontalAdvance(line));
        return widest;
    }

    // Each visible text under `area` fits the room its widget gives it.
    static void expectFits(TForm1& f, QWidget* area)
    {
        for (QLabel* l : area->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(&f) || l->text().isEmpty() || l->objectName() == "ProgramForecast")
                continue;
            EXPECT_LE(widestLine(l->fontMetrics(), l->text()), l->contentsRect().width())
                << l->objectName().toStdString() << " \"" << l->text().toStdString() << "\"";
        }
        for (QAbstractButton* b : area->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(&f) || b->text().isEmpty())
                continue;
            // A push button's size hint has a style minimum beyond its text; its text, icon and
            // frame are what must fit.
            const int need = qobject_cast<QPushButton*>(b)
                                 ? b->fontMetrics().horizontalAdvance(b->text()) +
                                       (b->icon().isNull() ? 0 : b->iconSize().width() + 4) + 4
                                 : b->sizeHint().width();
            EXPECT_LE(need, b->width()) << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
        }
        for (QGroupBox* g : area->findChildren<QGroupBox*>()) {
            if (!g->isVisibleTo(&f))
                continue;
            // The title sits in the frame line, 5 px in from the left.
            EXPECT_LE(5 + g->fontMetrics().horizontalAdvance(g->title()), g->width())
                << g->objectName().toStdString() << " \"" << g->title().toStdString() << "\"";
        }
    }
};

}  // namespace

TEST_F(FontRoom, EveryTextFitsAtNineElevenAndThirteenPoints)
{
    for (double points : {9.0, 11.0, 13.0}) {
        for (const char* language : {"English", "Russian", "Deutsch"}) {
            SCOPED_TRACE(std::to_string(points) + " pt, " + language);
            auto form = open(points, language);
            for (QWidget* area : {static_cast<QWidget*>(form->ProgramPanel), static_cast<QWidget*>(form->StatusPanel),
                                  form->TabWork})
                expectFits(*form, area);
            // The program table shows every column with its heading without scrolling sideways.
            form->PageControl1->setCurrentWidget(form->TabEditProgram);
            QApplication::processEvents();
            form->Prog->fitColumns();
            QApplication::processEvents();
            int columns = 0;
            for (int c = 0; c < form->Prog->colCount(); ++c) {
                columns += form->Prog->columnWidth(c);
                for (int r = 0; r < 2; ++r)
                    EXPECT_LE(form->Prog->widthFor(form->Prog->cell(c, r)), form->Prog->columnWidth(c))
                        << "heading " << form->Prog->cell(c, r).toStdString();
            }
            EXPECT_LE(columns, form->Prog->viewport()->width()) << "the table scrolls sideways";
            // The kiln temperature is the text of the status row that is never drawn smaller.
            for (QWidget* w : form->StatusPanel->findChildren<QLabel*>())
                EXPECT_LE(w->font().pointSizeF(), form->StatusInside->font().pointSizeF()) << w->objectName().toStdString();
        }
    }
}
