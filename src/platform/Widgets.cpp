#include "Widgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QRadioButton>
#include <QGridLayout>
#include <algorithm>

namespace Colors {

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

void setBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QColor background(const QWidget* w) { return w->palette().color(QPalette::Base); }

void setTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

QColor textColor(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

}  // namespace Colors

void setTag(QObject* o, int tag) { o->setProperty("tag", tag); }

int tagOf(const QObject* o) { return o->property("tag").toInt(); }

Panel::Panel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
}

void Panel::setColor(const QColor& c)
{
    color_ = c;
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
}

void Panel::setLabel(QLabel* label)
{
    label_ = label;
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(3, 1, 3, 1);
    layout->addWidget(label);
    label->setAlignment(Qt::AlignCenter);
}

void Panel::setCaption(const QString& text)
{
    if (!label_)
        setLabel(new QLabel(this));
    label_->setText(text);
}

QString Panel::caption() const { return label_ ? label_->text() : QString(); }

void Panel::mousePressEvent(QMouseEvent* e)
{
    QFrame::mousePressEvent(e);
    emit clicked();
}

StringGrid::StringGrid(int columns, int rows, int fixedRows, int fixedColumns, QWidget* parent)
    : QTableWidget(rows, columns, parent), fixedRows_(fixedRows), fixedCols_(fixedColumns)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            styleFixedCell(c, r);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!settingText_)
            emit cellEdited(item->column(), item->row());
    });
    setInPlaceEditing(true);
}

void StringGrid::setRows(int newRows)
{
    const int old = rowCount();
    setRowCount(newRows);
    for (int r = old; r < newRows; ++r)
        for (int c = 0; c < columnCount(); ++c)
            styleFixedCell(c, r);
}

void StringGrid::styleFixedCell(int col, int row)
{
    if (row >= fixedRows_ && col >= fixedCols_)
        return;
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        settingText_ = true;
        it = new QTableWidgetItem();
        setItem(row, col, it);
        settingText_ = false;
    }
    it->setFlags(Qt::ItemIsEnabled);
    it->setBackground(palette().color(QPalette::Button));
}

QString StringGrid::cell(int col, int row) const
{
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount())
        return QString();
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void StringGrid::setCell(int col, int row, const QString& text)
{
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount())
        return;
    settingText_ = true;
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem(text);
        setItem(row, col, it);
        if (row < fixedRows_ || col < fixedCols_)
            styleFixedCell(col, row);
    } else if (it->text() != text) {
        it->setText(text);
    }
    settingText_ = false;
}

void StringGrid::setInPlaceEditing(bool on)
{
    editing_ = on;
    setEditTriggers(on ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked)
                       : QAbstractItemView::NoEditTriggers);
}

void StringGrid::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit enterPressed();
        e->accept();
        return;
    }
    QTableWidget::keyPressEvent(e);
}

void StringGrid::focusOutEvent(QFocusEvent* e)
{
    QTableWidget::focusOutEvent(e);
    QWidget* now = QApplication::focusWidget();
    if (!now || (now != this && !isAncestorOf(now)))
        emit focusLeft();
}

void StringGrid::mousePressEvent(QMouseEvent* e)
{
    QTableWidget::mousePressEvent(e);
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && idx.isValid())
        setCurrentCell(idx.row(), idx.column());
    emit mouseDown(e->button(), currentColumn(), currentRow());
}

RadioGroup::RadioGroup(const QString& title, QWidget* parent) : QGroupBox(title, parent), grid_(new QGridLayout(this))
{
    grid_->setContentsMargins(6, 4, 6, 4);
    grid_->setSpacing(2);
}

void RadioGroup::setColumns(int columns)
{
    columns_ = columns < 1 ? 1 : columns;
    relayout();
}

void RadioGroup::relayout()
{
    const int n = count();
    const int perColumn = (n + columns_ - 1) / columns_;
    for (int i = 0; i < n; ++i) {
        grid_->removeWidget(buttons_[i]);
        grid_->addWidget(buttons_[i], perColumn ? i % perColumn : 0, perColumn ? i / perColumn : 0);
    }
}

void RadioGroup::setItems(const QStringList& items)
{
    const int selected = itemIndex();
    for (QRadioButton* b : buttons_)
        delete b;
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setAutoExclusive(true);
        connect(b, &QRadioButton::clicked, this, [this, i] { emit itemClicked(i); });
        buttons_.push_back(b);
    }
    relayout();
    if (selected >= 0 && !buttons_.empty())
        buttons_[std::min<std::size_t>(selected, buttons_.size() - 1)]->setChecked(true);
}

QStringList RadioGroup::items() const
{
    QStringList out;
    for (QRadioButton* b : buttons_)
        out << b->text();
    return out;
}

int RadioGroup::itemIndex() const
{
    for (int i = 0; i < count(); ++i)
        if (buttons_[i]->isChecked())
            return i;
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (index == itemIndex())
        return;
    if (index < 0 || index >= count()) {
        for (QRadioButton* b : buttons_) {
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
        return;
    }
    buttons_[index]->setChecked(true);
    emit itemClicked(index);
}

void RadioGroup::setItemText(int index, const QString& text)
{
    if (index >= 0 && index < count())
        buttons_[index]->setText(text);
}
