#pragma once
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QColor>
#include <QString>
#include <functional>
#include <vector>

class QCPAbstractPlottable;
class QCPCurve;
class QCPGraph;
class QCPTextElement;
class QCustomPlot;
class QLineEdit;
class ProgramTable;
class StringGrid;
struct ProgramStep;

// The controls the program editor drives.
struct ProgramEditorView {
    StringGrid* Prog = nullptr;     // the program table
    QCustomPlot* Chart2 = nullptr;  // the program preview
    QLineEdit* MAXTEMP = nullptr;   // maximum kiln temperature, °C
};

// Editing of the program table and its preview chart: typing and mouse cycling of the
// cells, clearing, and the curve, line numbers and title redrawn after every edit.
class ProgramEditor {
public:
    static constexpr int kSoundColumn = 3;
    static constexpr int kOutColumn = 4;
    static constexpr int kClearedRows = 200;
    static constexpr double kHeadroom = 10;
    static inline const QColor kCurrentSegment{255, 128, 0};
    static inline const QColor kSegment{0, 0, 192};
    static inline const QColor kImpossibleTitle{255, 0, 0};
    static inline const QColor kTitle{0, 0, 255};
    static inline const QColor kUnreadableCell{255, 0, 0};

    // One point of the preview curve; its colour is that of the segment ending in it.
    struct PreviewPoint {
        double x = 0;  // days from the program start
        double y = 0;  // display scale
        QString label;
        QColor color;
    };

    ProgramEditor(KilnState& state, const MessageSource& texts, EventLogWriter& log, Dialogs& dialogs,
                  ProgramEditorView view);
    ~ProgramEditor();
    ProgramEditor(const ProgramEditor&) = delete;
    ProgramEditor& operator=(const ProgramEditor&) = delete;

    // Rebuilds the preview, the line numbers and the title; true when the program stays
    // within MAXTEMP (state.ProgImpossible clear).
    bool DrawProg();

    // Grid events.
    void ProgSetEditText(int col, int row);
    void ProgRowMoved(int from, int to);
    void ProgKeyPress(int key);  // character code; 13 is Enter
    void ProgExit();
    void ProgMouseDown(Qt::MouseButton button);

    void KProgClearClick();

    // Puts a made-up program into the table in place of the one there, as if typed: the
    // lines in the display scale, every other line cleared, sounds and outputs off. The
    // program is named `title`.prg in the program folder (not written), counts as changed
    // and is redrawn.
    void EnterProgram(const std::vector<ProgramStep>& lines, const QString& title);

    // The two header rows: the captions of "KProgramRow0" (one per line) and the units.
    void SetHeaderRows();

    // The chart title: the file name, and the warning in red while the program is
    // impossible; the name alone in blue otherwise.
    void ShowTitle();

    bool ProgChanged() const { return progChanged_; }
    void SetProgChanged(bool changed) { progChanged_ = changed; }

    // The program file name lives with the program file; these reach it.
    std::function<QString()> ProgFileName;
    std::function<void(const QString&)> SetProgFileName;

    // The first line with a Temp or Time cell that holds no number, as the last DrawProg
    // found it; 0 when there is none.
    int UnreadableLine() const { return unreadableLine_; }

    // What the last DrawProg drew.
    const std::vector<PreviewPoint>& Preview() const { return preview_; }
    double HeadroomY() const { return headroomY_; }
    QString ChartTitle() const { return title_; }
    QColor ChartTitleColor() const { return titleColor_; }
    QCPTextElement* TitleElement() const { return titleElement_; }
    const std::vector<QCPCurve*>& Segments() const { return segments_; }
    QCPGraph* Headroom() const { return headroom_; }

private:
    QString fileName() const { return ProgFileName ? ProgFileName() : QString(); }
    void clearSeries();
    void clearTable();
    // Gives the program its new file name, shows and logs it, and redraws.
    void nameProgram(const QString& name);
    void drawSeries();
    int markUnreadableCells(const ProgramTable& table);

    KilnState& state_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    Dialogs& dialogs_;
    ProgramEditorView view_;
    bool progChanged_ = false;
    bool overMax_ = false;
    int unreadableLine_ = 0;

    std::vector<PreviewPoint> preview_;
    double headroomY_ = 0;
    QString title_;
    QColor titleColor_;
    QCPTextElement* titleElement_ = nullptr;
    std::vector<QCPCurve*> segments_;  // one curve per run of equally coloured segments
    QCPGraph* headroom_ = nullptr;
};
