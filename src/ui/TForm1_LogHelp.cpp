// The log page, the help page and the service page (built, never offered as a tab).
#include "LayoutHelpers.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>

using namespace layout;

void TForm1::buildLogPage()
{
    UI_NEW(TabLog, QWidget);
    auto* page = column(TabLog, 0, 0);
    UI_NEW(Memo3, QPlainTextEdit);
    Memo3->setReadOnly(true);
    Memo3->setFont(fixedFont());
    Memo3->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo3->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    page->addWidget(Memo3);
}

void TForm1::buildHelpPage()
{
    UI_NEW(TabHelp, QWidget);
    auto* page = column(TabHelp, 0, 0);

    UI_NEW(Panel10, Panel);
    Panel10->setFrameShape(QFrame::NoFrame);
    auto* bar = row(2);
    bar->setContentsMargins(3, 3, 3, 3);
    Panel10->setLayout(bar);
    const auto button = [&](QPushButton*& member, const char* name, const QString& text, QStyle::StandardPixmap icon) {
        member = named<QPushButton>(QString::fromLatin1(name), text);
        member->setFlat(true);
        member->setIcon(style()->standardIcon(icon));
        bar->addWidget(member);
    };
    button(HelpProgram, "HelpProgram", "Программа", QStyle::SP_FileDialogInfoView);
    button(HelpBack, "HelpBack", "Назад", QStyle::SP_ArrowBack);
    button(HelpForward, "HelpForward", "Вперед", QStyle::SP_ArrowForward);
    button(InternetSite, "InternetSite", "Сайт", QStyle::SP_DriveNetIcon);
    button(HelpHardware, "HelpHardware", "Оборудование", QStyle::SP_ComputerIcon);
    button(HelpMaterials, "HelpMaterials", "Материалы", QStyle::SP_FileIcon);
    bar->addStretch(1);
    page->addWidget(Panel10);

    // There is no maker's web site to open.
    InternetSite->setVisible(false);

    UI_NEW(WebBrowser1, QTextBrowser);
    WebBrowser1->setOpenExternalLinks(false);
    page->addWidget(WebBrowser1, 1);
}

void TForm1::connectHelpPage()
{
    connect(HelpProgram, &QPushButton::clicked, this, [this] { HelpProgramClick(); });
    connect(HelpHardware, &QPushButton::clicked, this, [this] { HelpHardwareClick(); });
    connect(HelpMaterials, &QPushButton::clicked, this, [this] { HelpMaterialsClick(); });
    connect(HelpBack, &QPushButton::clicked, this, [this] { HelpBackClick(); });
    connect(HelpForward, &QPushButton::clicked, this, [this] { RxSpeedButton5Click(); });
    // Back and forward are offered while the viewer's history has a page that way.
    HelpBack->setEnabled(false);
    HelpForward->setEnabled(false);
    connect(WebBrowser1, &QTextBrowser::backwardAvailable, HelpBack, &QWidget::setEnabled);
    connect(WebBrowser1, &QTextBrowser::forwardAvailable, HelpForward, &QWidget::setEnabled);
}

void TForm1::HelpProgramClick() { help->Show(HelpPages::kStartPage); }
void TForm1::HelpHardwareClick() { help->Show(HelpPages::kHardwarePage); }
void TForm1::HelpMaterialsClick() { help->Show(HelpPages::kMaterialsPage); }
void TForm1::HelpBackClick() { help->Back(); }
void TForm1::RxSpeedButton5Click() { help->Forward(); }

void TForm1::buildDebugPage()
{
    UI_NEW(TabDebug, QWidget);
    auto* page = new QGridLayout(TabDebug);
    page->setContentsMargins(4, 4, 4, 4);
    page->setSpacing(4);
    const QFont fixed = fixedFont();

    // Traffic trace.
    UI_NEW(Memo1, QPlainTextEdit);
    Memo1->setReadOnly(true);
    Memo1->setFont(fixed);
    UI_NEW(CheckBox4, QCheckBox, "Output");
    UI_NEW(Button2, QPushButton, "Clear");
    auto* trace = row(6);
    trace->addWidget(CheckBox4);
    trace->addWidget(Button2);
    trace->addStretch(1);
    page->addWidget(Memo1, 0, 0);
    page->addLayout(trace, 1, 0);

    // Service output: dumps and register lines.
    UI_NEW(Memo2, QPlainTextEdit);
    Memo2->setReadOnly(true);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);  // a dump line stays one line
    Memo2->setFont(fixed);
    page->addWidget(Memo2, 0, 1, 2, 1);

    auto* tools = new QGridLayout;
    tools->setSpacing(3);
    UI_NEW(Label10, QLabel, "Addr");
    UI_NEW(Label44, QLabel, "Len");
    UI_NEW(Label43, QLabel, "Data");
    UI_NEW(Edit2, QLineEdit, "0000");
    UI_NEW(Edit3, QLineEdit, "100");
    UI_NEW(Edit4, QLineEdit, "00");
    tools->addWidget(Label10, 0, 0);
    tools->addWidget(Edit2, 0, 1, 1, 3);
    tools->addWidget(Label44, 1, 0);
    tools->addWidget(Edit3, 1, 1, 1, 3);
    tools->addWidget(Label43, 2, 0);
    tools->addWidget(Edit4, 2, 1, 1, 3);
    UI_NEW(Button20, QPushButton, "RAM");
    UI_NEW(DumpNVButton, QPushButton, "NV");
    UI_NEW(Button23, QPushButton, "REG");
    UI_NEW(Button5, QPushButton, "RAM");
    UI_NEW(Button15, QPushButton, "NV");
    UI_NEW(Button24, QPushButton, "REG");
    tools->addWidget(plainLabel("Read"), 3, 0);
    tools->addWidget(Button20, 3, 1);
    tools->addWidget(DumpNVButton, 3, 2);
    tools->addWidget(Button23, 3, 3);
    tools->addWidget(plainLabel("Write"), 4, 0);
    tools->addWidget(Button5, 4, 1);
    tools->addWidget(Button15, 4, 2);
    tools->addWidget(Button24, 4, 3);

    UI_NEW(DebugGrid, StringGrid, 4, 8, 1, 1);
    const QStringList head = {"", "Cur", "Cnt", "A/F/F/T"};
    for (int c = 0; c < 4; ++c)
        DebugGrid->setCell(c, 0, head[c]);
    for (int r = 1; r < 8; ++r)
        DebugGrid->setCell(0, r, QString::number(r));
    DebugGrid->setColumnWidth(0, 24);
    for (int c = 1; c < 4; ++c)
        DebugGrid->setColumnWidth(c, 72);
    DebugGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DebugGrid->setInPlaceEditing(false);
    tools->addWidget(DebugGrid, 5, 0, 1, 4);

    UI_NEW(Label1, QLabel, "Tick:");
    UI_NEW(Label2, QLabel, "Hz");
    UI_NEW(Label3, QLabel, "%");
    UI_NEW(Label13, QLabel, "-");
    UI_NEW(Label45, QLabel, "0");
    int r = 6;
    for (QLabel* l : {Label1, Label2, Label3, Label13, Label45})
        tools->addWidget(l, r++, 0, 1, 4);
    tools->setRowStretch(r, 1);
    page->addLayout(tools, 0, 2, 2, 1);

    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
}
