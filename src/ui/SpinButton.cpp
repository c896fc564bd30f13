#include "SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

SpinButton::SpinButton(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(false);
        // The two halves share the height of the field beside them.
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        b->setMinimumSize(16, 6);
        b->setFixedWidth(16);
        b->setIconSize(QSize(8, 8));
        layout->addWidget(b);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setObjectName("up");
    down_->setObjectName("down");
    connect(up_, &QToolButton::clicked, this, &SpinButton::upClicked);
    connect(down_, &QToolButton::clicked, this, &SpinButton::downClicked);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SpinButton::sizeHint() const { return QSize(16, fontMetrics().height() + 8); }
