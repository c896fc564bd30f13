#include "Widgets.h"

#include "Contrast.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScrollBar>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QRadioButton>
#include <QGridLayout>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace Colors {

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

QColor plainText() { return QApplication::palette().color(QPalette::WindowText); }

namespace {
void setTextRoles(QPalette& p, const QColor& c)
{
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
}
}  // namespace

void setBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    setTextRoles(p, Contrast::textOn(c));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QColor background(const QWidget* w) { return w->palette().color(QPalette::Base); }

void setTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    setTextRoles(p, readableText(w, c));
    w->setPalette(p);
}

QColor readableText(const QWidget* w, const QColor& c)
{
    return Contrast::readableOn(c, w->palette().color(w->backgroundRole()));
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
    paintCaption();
}

// The caption reads black or white, whichever stands out on the panel's colour.
void Panel::paintCaption()
{
    if (!label_ || !color_.isValid())
        return;
    QPalette p = label_->palette();
    p.setColor(QPalette::WindowText, Contrast::textOn(color_));
    label_->setPalette(p);
}

void Panel::setLabel(QLabel* label)
{
    label_ = label;
    paintCaption();
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

namespace {
// Sets a flag for the lifetime of a scope and puts the old value back.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};
}  // namespace

StringGrid::StringGrid(int columns, int rows, int fixedRows, int fixedColumns, QWidget* parent)
    : QTableWidget(rows, columns, parent), fixedRows_(fixedRows), fixedCols_(fixedColumns)
{
    // A fixed-pitch font lines up the output texts of the program table.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            styleFixedCell(c, r);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        textsChanged();
        if (!settingText_)
            emit cellEdited(item->column(), item->row());
    });
    refit_.setSingleShot(true);
    refit_.setInterval(0);
    connect(&refit_, &QTimer::timeout, this, &StringGrid::fitColumns);
    delayedEdit_.setSingleShot(true);
    connect(&delayedEdit_, &QTimer::timeout, this, [this] {
        if (editing_)
            QTableWidget::edit(currentIndex());
    });
    // The cell editor holds the focus while a cell is typed, so leaving the grid is seen
    // on the application's focus changes rather than on the grid's own focus-out.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        if (inside(old) && now && !inside(now) && now->window() == window())
            emit focusLeft();
    });
    setInPlaceEditing(true);
}

void StringGrid::setRows(int newRows)
{
    const int old = rowCount();
    FlagScope scope(settingText_);
    setRowCount(newRows < 0 ? 0 : newRows);
    for (int r = old; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            styleFixedCell(c, r);
    textsChanged();
}

void StringGrid::textsChanged()
{
    // Many cells change at once when a program is loaded; one refit follows them all.
    if (!minimumWidths_.empty() && !refit_.isActive())
        refit_.start();
}

void StringGrid::setFittedColumns(std::vector<int> minimumWidths)
{
    minimumWidths_ = std::move(minimumWidths);
    fitColumns();
}

int StringGrid::widthFor(const QString& text) const
{
    // As a cell is painted: the text between a margin on either side, then the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int advance = int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text)));
    return advance + 2 * margin + (showGrid() ? 1 : 0);
}

void StringGrid::fitColumns()
{
    refit_.stop();
    if (minimumWidths_.empty())
        return;
    const QFontMetricsF metrics(font());
    const int margins = widthFor(QString());
    for (int c = 0; c < columnCount(); ++c) {
        int width = c < int(minimumWidths_.size()) ? minimumWidths_[std::size_t(c)] : 0;
        for (int r = 0; r < rowCount(); ++r)
            width = std::max(width, int(std::ceil(metrics.horizontalAdvance(cell(c, r)))) + margins);
        if (columnWidth(c) != width)
            setColumnWidth(c, width);
    }
    updateGeometry();
}

QSize StringGrid::minimumSizeHint() const
{
    const QSize hint = QTableWidget::minimumSizeHint();
    if (minimumWidths_.empty())
        return hint;
    // Wide enough for the headings and the minimum widths; a longer value scrolls sideways.
    const QFontMetricsF metrics(font());
    const int margins = widthFor(QString());
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < columnCount(); ++c) {
        int column = c < int(minimumWidths_.size()) ? minimumWidths_[std::size_t(c)] : 0;
        for (int r = 0; r < std::min(fixedRows_, rowCount()); ++r)
            column = std::max(column, int(std::ceil(metrics.horizontalAdvance(cell(c, r)))) + margins);
        width += column;
    }
    return QSize(width, hint.height());
}

void StringGrid::styleFixedCell(int col, int row)
{
    if (row >= fixedRows_ && col >= fixedCols_)
        return;
    FlagScope scope(settingText_);
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem();
        setItem(row, col, it);
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
    FlagScope scope(settingText_);
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem(text);
        setItem(row, col, it);
        if (row < fixedRows_ || col < fixedCols_)
            styleFixedCell(col, row);
        textsChanged();
    } else if (it->text() != text) {
        it->setText(text);  // itemChanged follows
    }
}

void StringGrid::setCellBackground(int col, int row, const QColor& color)
{
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        if (!color.isValid())
            return;
        setCell(col, row, QString());
        it = item(row, col);
        if (!it)
            return;
    }
    const QVariant wanted = color.isValid() ? QVariant(QBrush(color)) : QVariant();
    if (it->data(Qt::BackgroundRole) == wanted)
        return;
    FlagScope scope(settingText_);  // not the operator's edit
    it->setData(Qt::BackgroundRole, wanted);
    // A coloured cell's text is black or white, whichever reads on it.
    it->setData(Qt::ForegroundRole, color.isValid() ? QVariant(QBrush(Contrast::textOn(color))) : QVariant());
}

QColor StringGrid::cellBackground(int col, int row) const
{
    const QTableWidgetItem* it = item(row, col);
    const QVariant v = it ? it->data(Qt::BackgroundRole) : QVariant();
    return v.canConvert<QBrush>() ? v.value<QBrush>().color() : QColor();
}

bool StringGrid::commitEditor()
{
    QWidget* editor = state() == QAbstractItemView::EditingState ? indexWidget(currentIndex()) : nullptr;
    if (!editor)
        return false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void StringGrid::setInPlaceEditing(bool on)
{
    editing_ = on;
    setEditTriggers(on ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked)
                       : QAbstractItemView::NoEditTriggers);
}

void StringGrid::moveRow(int from, int to)
{
    const int last = rowCount() - 1;
    if (from == to || from < fixedRows_ || to < fixedRows_ || from > last || to > last)
        return;
    std::vector<QStringList> texts;
    texts.reserve(std::size_t(last - fixedRows_ + 1));
    for (int r = fixedRows_; r <= last; ++r) {
        QStringList row;
        for (int c = 0; c < columnCount(); ++c)
            row << cell(c, r);
        texts.push_back(row);
    }
    const QStringList moving = texts[std::size_t(from - fixedRows_)];
    texts.erase(texts.begin() + (from - fixedRows_));
    texts.insert(texts.begin() + (to - fixedRows_), moving);
    for (int r = fixedRows_; r <= last; ++r)
        for (int c = 0; c < columnCount(); ++c)
            setCell(c, r, texts[std::size_t(r - fixedRows_)][c]);
    emit rowMoved(from, to);
}

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // A click on the current cell opens its editor once the double-click interval has
    // passed (a double click opens it at once). The wait is kept here, not in the base
    // class, whose wait swallows the keys typed during it: a key typed now opens the
    // editor at once with that key, as any other editing start cancels the wait.
    if (trigger == SelectedClicked) {
        if (!(editTriggers() & SelectedClicked) || state() == QAbstractItemView::EditingState || !index.isValid() ||
            !(index.flags() & Qt::ItemIsEditable) || !selectionModel()->isSelected(index))
            return false;
        delayedEdit_.start(QApplication::doubleClickInterval());
        return true;
    }
    delayedEdit_.stop();
    return QTableWidget::edit(index, trigger, event);
}

void StringGrid::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Commit the typed text first, so that whoever handles Enter reads it in the cell.
        commitEditor();
        emit enterPressed();
        e->accept();
        return;
    }
    QTableWidget::keyPressEvent(e);
}

int StringGrid::dropRow(int y) const
{
    int r = rowAt(y);
    if (r < 0)
        r = y < 0 ? rowAt(0) : rowCount() - 1;
    return std::max(r, fixedRows_);
}

void StringGrid::mousePressEvent(QMouseEvent* e)
{
    const QModelIndex idx = indexAt(e->position().toPoint());
    const bool fixedCell = idx.isValid() && (idx.row() < fixedRows_ || idx.column() < fixedCols_);
    if (e->button() == Qt::LeftButton && rowMoving_ && idx.isValid() && idx.column() < fixedCols_ &&
        idx.row() >= fixedRows_) {
        dragFrom_ = idx.row();
        viewport()->setCursor(Qt::SizeVerCursor);
        return;
    }
    if (e->button() == Qt::LeftButton) {
        // A left press acts on the cell it makes current; one on a fixed cell or beside
        // the cells does not reach the handlers, which would otherwise change whatever
        // cell happened to be current.
        if (fixedCell)
            return;
        QTableWidget::mousePressEvent(e);
        if (!idx.isValid())
            return;
        if (currentIndex() != idx)
            setCurrentIndex(idx);
    }
    // Other buttons leave the current cell where it was and act on it.
    emit mouseDown(e->button(), currentColumn(), currentRow());
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second press of a double click arrives only as this event. It is a press like
    // the first one (a sound or output steps twice); in a typed column it also opens the
    // cell editor.
    mousePressEvent(e);
    if (e->button() == Qt::LeftButton && editing_ && dragFrom_ < 0)
        QTableWidget::mouseDoubleClickEvent(e);
}

void StringGrid::mouseMoveEvent(QMouseEvent* e)
{
    if (dragFrom_ < 0) {
        QTableWidget::mouseMoveEvent(e);
        return;
    }
    // Scroll while a dragged row is held above or below the visible rows.
    const int y = int(e->position().y());
    if (y < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (y > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* e)
{
    if (dragFrom_ < 0) {
        QTableWidget::mouseReleaseEvent(e);
        return;
    }
    const int from = dragFrom_;
    dragFrom_ = -1;
    viewport()->unsetCursor();
    if (e->button() == Qt::LeftButton)
        moveRow(from, dropRow(int(e->position().y())));
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
