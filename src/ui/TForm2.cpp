#include "TForm2.h"

#include "Widgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Texts carry Windows line breaks; a label wants plain ones.
QString lines(QString text) { return text.replace("\r\n", "\n").replace('\r', '\n'); }
}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form2");
    setWindowTitle(QString::fromUtf8("Выключение компьютера"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    QFont f = Label1->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    Label1->setFont(f);
    Colors::setTextColor(Label1, Colors::Red);
    Label1->setText(lines(QString::fromUtf8("Внимание!\r\nКомпьютер будет выключен\r\nчерез 10 секунд!")));

    Button1 = new QPushButton(QString::fromUtf8("Выключить"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(QString::fromUtf8("Отмена"), this);
    Button2->setObjectName("Button2");
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);

    adjustSize();
    setFixedSize(size().expandedTo(QSize(360, 170)));
}

void TForm2::setHandlers(std::function<void()> shutdownNow, std::function<void()> cancel)
{
    shutdownNow_ = std::move(shutdownNow);
    cancel_ = std::move(cancel);
}

void TForm2::showCountdown(const QString& text)
{
    Label1->setText(lines(text));
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm2::closeDialog() { hide(); }

void TForm2::Button1Click()
{
    if (shutdownNow_)
        shutdownNow_();
}

void TForm2::Button2Click()
{
    if (cancel_)
        cancel_();
    else
        hide();
}

void TForm2::reject() { Button2Click(); }
