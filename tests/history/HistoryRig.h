#pragma once
// Reports of a firing made by hand, and a recorder whose log the test reads.
#include "CycleReport.h"
#include "HistoryRecorder.h"
#include "HistoryStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct ReportMaker {
    QDateTime start = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
    double seconds = 0;
    double energy = 0;
    double cost = 0;

    CycleReport make(int state, int line, std::optional<double> kiln, std::optional<double> setPoint, int power,
                     double step = 2)
    {
        seconds += step;
        CycleReport r;
        r.time = start.addMSecs(qint64(seconds * 1000));
        r.data = true;
        r.state = state;
        r.line = line;
        r.unit = "°C";
        r.kilnTemp = kiln;
        r.setPoint = setPoint;
        r.power = power;
        r.outsideTemp = 21.5;
        r.channels = {{2, "top", kiln ? std::optional<double>(*kiln - 3) : std::nullopt}, {3, "", 20.0}};
        r.energyKWh = energy;
        r.cost = cost;
        r.simulated = true;
        r.recordSeconds = seconds;
        return r;
    }
};

struct RecorderRig {
    QString path;
    QStringList logged;  // "key detail"
    FiringFacts facts = [] {
        FiringFacts f;
        f.program = "Bisque.prg";
        f.programLines = "600\t120\n1000\t60";
        f.kilnFile = "Oven1.ovn";
        f.modelP = "0.05";
        return f;
    }();
    std::function<QDateTime()> wall;  // none: a fixed time
    std::unique_ptr<HistoryRecorder> recorder;

    explicit RecorderRig(const QString& file, std::chrono::milliseconds batch = std::chrono::milliseconds(0)) : path(file)
    {
        HistoryRecorder::Hooks hooks;
        hooks.facts = [this] { return facts; };
        hooks.wallClock = [this] { return wall ? wall() : QDateTime(QDate(2026, 3, 1), QTime(9, 0)); };
        hooks.log = [this](const QString& key, const QString& detail) { logged << (key + " " + detail).trimmed(); };
        recorder = std::make_unique<HistoryRecorder>(file, hooks, batch);
    }
    // Everything written, and the writer's queued messages delivered.
    void settle()
    {
        recorder->flush();
        QCoreApplication::processEvents();
    }
};

inline std::vector<FiringSummary> firingsIn(const QString& path)
{
    HistoryStore store(path, "test-reader");
    store.openForReading();
    return store.list();
}

inline std::vector<CurvePoint> curveOf(const QString& path, qint64 id)
{
    HistoryStore store(path, "test-curve");
    store.openForReading();
    return store.curve(id);
}
