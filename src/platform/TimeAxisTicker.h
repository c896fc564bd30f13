#pragma once
#include <QString>
#include <functional>
#include <qcustomplot.h>

// Time axis over date-time numbers (days): ticks on whole clock steps counted from an origin
// (0 for durations and clock time, the recording start for elapsed time), labelled by the
// function that labels the points, so the axis shows what each point's label says.
class TimeAxisTicker : public QCPAxisTicker {
public:
    explicit TimeAxisTicker(std::function<QString(double)> label, std::function<double()> origin = {});

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override;

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double) override { return 0; }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override { return label_(tick); }

private:
    std::function<QString(double)> label_;
    std::function<double()> origin_;
};
