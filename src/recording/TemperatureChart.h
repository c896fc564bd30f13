#pragma once
#include "ChartRecord.h"
#include "KilnState.h"
#include "Services.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <array>
#include <functional>
#include <vector>

class QCPGraph;
class QCPGraphData;
class QCPItemLine;
class QCPItemText;
class QCheckBox;
class QCustomPlot;
class QLineEdit;
class Panel;

// The controls the live chart drives or reads.
struct TemperatureChartView {
    QCustomPlot* Chart1 = nullptr;
    QCheckBox* RealTime = nullptr;  // null counts as checked
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    // Finds a series switch by its object name ("CheckBox6"); null when there is none.
    std::function<QCheckBox*(const QString& name)> findCheckBox;
};

// The live temperature chart of the Work tab: 17 series in a fixed order (the order is the
// series index that the switches, colour panels and data file rely on), one point per data
// series per control cycle, x being the recording's time line in days (the kiln clock as long
// as the wall clock does not jump).
class TemperatureChart {
public:
    static constexpr int kSeriesCount = 17;
    static constexpr int kDataSeries = 15;  // 0..14 go to the data file
    static constexpr int kRange = 15;
    static constexpr int kNumbers = 16;
    static constexpr int kRedrawDelayMs = 40;
    static constexpr double kTermLimit = 100;

    TemperatureChart(KilnState& state, Dialogs& dialogs, const TemperatureChartView& view);
    ~TemperatureChart();
    TemperatureChart(const TemperatureChart&) = delete;
    TemperatureChart& operator=(const TemperatureChart&) = delete;

    // One cycle's points; called by the control cycle after the power decision.
    void DrawGraph();
    // A program line mark on "Numbers"; y is in the display scale already.
    void AddLineMark(double x, double y, const QString& label);
    int LineMarkCount() const;

    // Shared click handler of the series switches: series index = the sender's tag.
    void CheckBox6Click(QCheckBox* sender);
    // Shared click handler of the colour panels.
    void Panel15Click(Panel* sender);
    // Series 0..14 relabelled after RealTime changed: their labels follow it, the axis is redrawn.
    void RealTimeClick();

    // Gives the series belonging to the panel's switch the panel's colour (also used when
    // the stored colours are applied at start-up). False when the panel has no switch.
    bool ApplyPanelColor(Panel* panel);
    void SetSeriesVisible(int index, bool visible);
    bool seriesVisible(int index) const;
    void SetSeriesColor(int index, const QColor& color);
    QColor seriesColor(int index) const;
    void SetMarksBackground(const QColor& color);
    QColor marksBackground() const { return marksBackground_; }

    void SetAxisTitles(const QString& left, const QString& bottom);
    // Empties all 17 series.
    void ClearAll();

    // The label of a point at x under the current RealTime state and RecordStart; the time
    // axis shows exactly these texts.
    QString TimeLabel(double x) const;

    // Read access for the data file (points oldest first; NaN outside the series).
    int pointCount(int series) const;
    double pointX(int series, int j) const;
    double pointY(int series, int j) const;
    QString pointLabel(int series, int j) const;
    // The wall clock as it was at the cycle of data point j (x is on the recording's time line).
    double pointStamp(int j) const;
    QString seriesTitle(int series) const;
    QCPGraph* graph(int series) const { return graphs_.at(std::size_t(series)); }

    // Redraw now (axis ranges and replot); the control cycle only schedules one.
    void Redraw();
    bool redrawPending() const { return redrawTimer_.isActive(); }

private:
    struct Extremes {
        double lo;
        double hi;
        void reset();
        void add(double v);
        bool empty() const { return lo > hi; }
    };
    struct Mark {
        QCPItemLine* callout;
        QCPItemText* text;
    };

    void setUpChart();
    void addPoint(int series, double x, double y);
    void refreshDrawing();
    int insertionIndex(int series, double x) const;
    Extremes shownExtremes(bool withRange) const;
    void updateRange(double x, const QString& label);
    void updateAxisRanges();
    void styleMark(const Mark& m) const;
    void scheduleRedraw();
    bool realTime() const;

    KilnState& state_;
    Dialogs& dialogs_;
    TemperatureChartView view_;
    QPointer<QCustomPlot> plot_;
    std::array<QCPGraph*, kSeriesCount> graphs_{};
    std::array<Extremes, kSeriesCount> extremes_{};
    ChartRecord record_;        // series 0..14, whole
    std::array<bool, kDataSeries> drawingStale_{};  // a graph lags behind the record until redrawn
    QVector<QCPGraphData> drawingBuffer_;
    QStringList rangeLabels_;
    QStringList markLabels_;
    std::vector<Mark> marks_;
    QColor marksBackground_;
    QTimer redrawTimer_;
};
