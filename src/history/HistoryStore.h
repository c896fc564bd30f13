#pragma once
#include "HistoryTypes.h"

#include <QString>
#include <functional>
#include <vector>

// The firing history in one SQLite file: a row per firing and its curve in packed batches.
// Each instance is one connection, to be used on the thread that made it. Every failure
// throws std::runtime_error naming the file and what SQLite said.
class HistoryStore {
public:
    // The schema this program writes; a file of a newer one is never changed.
    static int schemaVersion();

    HistoryStore(const QString& path, const QString& connectionName);
    // A connection name no other store of this process has: `user` and a number.
    static QString newConnectionName(const QString& user);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens the file, brought up to our schema. A file that is not a sound database (or not a
    // file at all) is renamed aside with a time stamp and a new one begun; `movedTo` then
    // names it. Throws for a file of a newer program.
    void openForWriting(QString* movedTo);
    // Opens a file of our schema as it is, for a small change (a note, a deletion).
    void openForEditing();
    // Opens for reading only, whatever its version; throws when it cannot be read.
    void openForReading();
    bool isOpen() const;
    const QString& path() const { return path_; }

    void transaction(const std::function<void()>& work);

    qint64 begin(const FiringFacts& facts, const FiringFigures& figures);
    void appendCurve(qint64 id, const std::vector<CurvePoint>& points);
    void update(qint64 id, const FiringFigures& figures, Outcome outcome, const QString& cause);
    // Marks every firing left open Interrupted; returns the latest of them (0: none).
    qint64 interruptOpenFirings();
    // A resumed firing is open again.
    void reopen(qint64 id);
    void setNote(qint64 id, const QString& note);
    void remove(qint64 id);

    std::vector<FiringSummary> list() const;
    std::optional<FiringSummary> summary(qint64 id) const;
    std::vector<CurvePoint> curve(qint64 id) const;
    // The heating rates of a kiln's finished firings of one kind, oldest first.
    std::vector<double> heatingRates(const QString& kilnFile, bool simulated) const;
    // The file's size with its write-ahead log.
    qint64 sizeOnDisk() const;

private:
    void openConnection(bool readOnly);
    void closeConnection();
    bool sound();
    QString moveAside();
    int userVersion() const;
    void migrate();
    [[noreturn]] void fail(const QString& what, const QString& sqlError) const;

    QString path_;
    QString connection_;
};
