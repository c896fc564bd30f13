#pragma once
// Small helpers shared by the TForm1 layout files.
#include <QBoxLayout>
#include <QChildEvent>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <utility>

class QCustomPlot;

namespace layout {

template <class W, class... Args>
W* named(const QString& name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

// A row or column layout without outer margins.
inline QHBoxLayout* row(int spacing = 4)
{
    auto* l = new QHBoxLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    return l;
}

inline QVBoxLayout* column(QWidget* owner, int margin = 4, int spacing = 4)
{
    auto* l = new QVBoxLayout(owner);
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(spacing);
    return l;
}

inline QGridLayout* grid(QWidget* owner, int margin = 6, int hSpacing = 4, int vSpacing = 3)
{
    auto* l = new QGridLayout(owner);
    l->setContentsMargins(margin, margin, margin, margin);
    l->setHorizontalSpacing(hSpacing);
    l->setVerticalSpacing(vSpacing);
    return l;
}

// A label without a name of its own, for texts that read the same in every language.
inline QLabel* plainLabel(const QString& text)
{
    return new QLabel(text);
}

// A number field: narrow, right-aligned.
inline void numberField(QLineEdit* e, int width)
{
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

inline void readOnly(QLineEdit* e)
{
    e->setReadOnly(true);
}

// Gives every child widget of `owner`, also those created later (a radio group whose items
// are replaced on a language change), the owner's font. Needed where a widget class carries
// a font of its own, which stops the owner's font from reaching its children.
class ChildFont : public QObject {
public:
    explicit ChildFont(QWidget* owner) : QObject(owner), owner_(owner)
    {
        owner->installEventFilter(this);
        for (QObject* c : owner->children())
            if (c->isWidgetType())
                static_cast<QWidget*>(c)->setFont(owner->font());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == owner_ && e->type() == QEvent::ChildPolished) {
            QObject* c = static_cast<QChildEvent*>(e)->child();
            if (c->isWidgetType())
                static_cast<QWidget*>(c)->setFont(owner_->font());
        }
        return false;
    }

private:
    QWidget* owner_;
};

// The system's fixed-pitch font, falling back to any monospace face.
QFont fixedFont();

// Charts start white and bare; the subsystems that draw on them set up their series.
void styleChart(QCustomPlot* chart);

}  // namespace layout

// Creates the control in the member of the same name and gives it that name as objectName.
#define UI_NEW(member, Type, ...) (member = ::layout::named<Type>(QStringLiteral(#member) __VA_OPT__(, ) __VA_ARGS__))
