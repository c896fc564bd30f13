// The program entry page: the program table with its file buttons and the program chart.
#include "LayoutHelpers.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <qcustomplot.h>

using namespace layout;

void TForm1::buildProgramPage()
{
    UI_NEW(TabEditProgram, QWidget);
    auto* page = row(0);
    TabEditProgram->setLayout(page);

    UI_NEW(Panel1, Panel);
    Panel1->setFixedWidth(kProgramPanelWidth);  // widened by fitSidePanels where the texts need it
    Panel1->setFrameShape(QFrame::NoFrame);
    auto* side = column(Panel1, 3, 3);
    page->addWidget(Panel1);

    UI_NEW(KProgram, QLabel, "Программа обжига");
    KProgram->setAlignment(Qt::AlignCenter);
    QFont bold = KProgram->font();
    bold.setBold(true);
    KProgram->setFont(bold);
    side->addWidget(KProgram);

    // 2 heading rows and 199 program lines; column 0 holds the line numbers.
    UI_NEW(Prog, StringGrid, 5, 201, 2, 1);
    // The output texts of the last column line up only in a fixed-pitch font.
    Prog->setFont(fixedFont());
    Prog->verticalHeader()->setDefaultSectionSize(QFontMetrics(Prog->font()).height() + 4);
    Prog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont gridFont = Prog->font();
    gridFont.setPointSizeF(gridFont.pointSizeF() - 1);
    Prog->setFont(gridFont);
    // Widths at least, in characters: "200 #", "1100", "Время", "Snd", "A  B". A column
    // widens for a longer text (1050.5, 100000 minutes), and the table then scrolls sideways
    // within its panel.
    const auto chars = [this](int n) { return Prog->widthFor(QString(n, '0')); };
    Prog->setFittedColumns({chars(5), chars(5), chars(5), chars(3), chars(4)});
    Prog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Built-in headings until a language supplies its own.
    const QStringList head0 = {"", "Темп", "Время", "Зв", "Вых"};
    const QStringList head1 = {"N", "°C", "мин", "#", "A  B"};
    for (int c = 0; c < 5; ++c) {
        Prog->setCell(c, 0, head0[c]);
        Prog->setCell(c, 1, head1[c]);
    }
    side->addWidget(Prog, 1);

    UI_NEW(Panel3, Panel);
    Panel3->setFrameShape(QFrame::NoFrame);
    auto* buttons = grid(Panel3, 0, 3, 3);
    UI_NEW(KProgLoad, QPushButton, "Загрузить");
    UI_NEW(KProgSave, QPushButton, "Сохранить");
    UI_NEW(KProgClear, QPushButton, "Очистить");
    UI_NEW(KProgCone, QPushButton, "Конус…");
    buttons->addWidget(KProgLoad, 0, 0);
    buttons->addWidget(KProgSave, 0, 1);
    buttons->addWidget(KProgClear, 1, 0);
    buttons->addWidget(KProgCone, 1, 1);
    side->addWidget(Panel3);

    UI_NEW(Chart2, QCustomPlot);
    styleChart(Chart2);
    page->addWidget(Chart2, 1);
}
