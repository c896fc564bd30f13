#pragma once
#include <QColor>
#include <QFrame>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <vector>

class QGridLayout;
class QLabel;
class QRadioButton;
class QWidget;

// The colours of the validity marks, indicators and state labels. Their meaning stays (red
// breakdown, yellow waiting, green finished, ...); the helpers below keep every text on them,
// or in them, readable on the light and the dark palette alike.
namespace Colors {
inline const QColor Red(255, 0, 0);
inline const QColor Lime(0, 255, 0);
inline const QColor Orange(255, 224, 0);  // the alarm's second colour
inline const QColor LightBlue(128, 128, 255);
inline const QColor Grey(128, 128, 128);
inline const QColor Black(0, 0, 0);
inline const QColor Blue(0, 0, 255);
inline const QColor Yellow(255, 255, 0);
QColor buttonFace();
// The palette's own text colour: ordinary text, what black is on a light palette.
QColor plainText();

// Fills the widget with `c` and gives its text black or white, whichever reads on it.
void setBackground(QWidget* w, const QColor& c);
QColor background(const QWidget* w);
// Colours the widget's text `c`, darkened or lightened as far as its background needs.
void setTextColor(QWidget* w, const QColor& c);
// What setTextColor makes of `c` on the widget's background.
QColor readableText(const QWidget* w, const QColor& c);
QColor textColor(const QWidget* w);
}  // namespace Colors

// The integer tag that several shared handlers use to tell their senders apart.
void setTag(QObject* o, int tag);
int tagOf(const QObject* o);

// A coloured panel holding an optional caption label; clicking it emits clicked().
class Panel : public QFrame {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr);
    void setColor(const QColor& c);
    QColor color() const { return color_; }
    void setCaption(const QString& text);
    QString caption() const;
    QLabel* label() const { return label_; }
    void setLabel(QLabel* label);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    void paintCaption();
    QColor color_;
    QLabel* label_ = nullptr;
};

// A text grid with fixed header rows and a fixed first column, addressed as (column, row)
// like the cells of a spreadsheet. Header rows are ordinary rows drawn as headings. Cell
// texts are kept exactly as typed or set. Rows below the header can be dragged to another
// place by their cell in a fixed column (row moving).
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    StringGrid(int columns, int rows, int fixedRows, int fixedColumns, QWidget* parent = nullptr);

    int colCount() const { return columnCount(); }
    int rows() const { return rowCount(); }
    void setRows(int rows);
    int fixedRows() const { return fixedRows_; }
    int fixedCols() const { return fixedCols_; }

    // A cell outside the grid reads as empty text.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // The cell's background; an invalid colour gives it back the grid's own.
    void setCellBackground(int col, int row, const QColor& color);
    QColor cellBackground(int col, int row) const;

    void setInPlaceEditing(bool on);
    bool inPlaceEditing() const { return editing_; }
    using QTableWidget::edit;
    // Puts the text of an open cell editor into its cell and closes the editor, as Enter
    // does (cellEdited follows when the text changed). False when no editor was open.
    bool commitEditor();

    // Each column becomes as wide as the widest text it holds, never narrower than its
    // minimum; the widths follow the texts as they change (refitted once the event loop
    // runs, or at once with fitColumns).
    void setFittedColumns(std::vector<int> minimumWidths);
    void fitColumns();
    // The width a cell needs to show `text` whole.
    int widthFor(const QString& text) const;
    // With fitted columns: at least the width that shows every column's heading whole.
    QSize minimumSizeHint() const override;

    void setRowMoving(bool on) { rowMoving_ = on; }
    bool rowMoving() const { return rowMoving_; }
    // Takes row `from` out and puts it in at `to`, the rows between moving up or down by
    // one; both must be non-fixed rows. Emits rowMoved when a row moved.
    void moveRow(int from, int to);

signals:
    // A cell text changed by the operator typing.
    void cellEdited(int col, int row);
    // Enter was pressed; an edit in progress has been committed by then.
    void enterPressed();
    // The focus went from the grid (or its cell editor) to another control of the window.
    void focusLeft();
    // After a press: the button and the current cell. A left press on a non-fixed cell has
    // made it current (a left press elsewhere is not reported); other buttons leave the
    // current cell where it was.
    void mouseDown(Qt::MouseButton button, int col, int row);
    // Row `from` was dragged to `to` and the cell texts have been moved.
    void rowMoved(int from, int to);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void styleFixedCell(int col, int row);
    int dropRow(int y) const;
    void textsChanged();

    int fixedRows_;
    int fixedCols_;
    bool editing_ = true;
    bool rowMoving_ = true;
    bool settingText_ = false;
    int dragFrom_ = -1;
    std::vector<int> minimumWidths_;  // empty: the columns keep the widths they are given
    QTimer refit_;
    QTimer delayedEdit_;  // a click on the current cell opens its editor when this runs out
};

// A framed group of radio buttons addressed by item index, laid out in columns.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(const QString& title, QWidget* parent = nullptr);
    void setColumns(int columns);
    // Replacing the items keeps the selected index; when the new list is shorter, the last
    // item becomes the selected one.
    void setItems(const QStringList& items);
    QStringList items() const;
    int count() const { return int(buttons_.size()); }
    int itemIndex() const;
    // Selecting programmatically emits itemClicked when the index changes, as a click would.
    void setItemIndex(int index);
    void setItemText(int index, const QString& text);
    QRadioButton* button(int index) const { return buttons_.at(index); }

signals:
    void itemClicked(int index);

private:
    void relayout();
    std::vector<QRadioButton*> buttons_;
    QGridLayout* grid_;
    int columns_ = 1;
};
