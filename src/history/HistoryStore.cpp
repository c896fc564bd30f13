#include "HistoryStore.h"

#include "CurveCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <stdexcept>

namespace {

// Each step brings the file from the version before it to its own; steps are never edited
// once shipped, only added.
const QStringList kMigrations[] = {
    {
        "CREATE TABLE firings ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " program TEXT, program_lines TEXT, kiln_file TEXT,"
        " model_p TEXT, model_i TEXT, model_r TEXT, pid_p TEXT, pid_i TEXT, pid_d TEXT,"
        " simulated INTEGER NOT NULL DEFAULT 0, controller TEXT, firmware TEXT, unit TEXT, channel_names TEXT,"
        " start_wall TEXT, start_kiln TEXT, end_wall TEXT, end_kiln TEXT,"
        " outcome TEXT NOT NULL DEFAULT '', cause TEXT NOT NULL DEFAULT '',"
        " peak REAL, seconds REAL, energy_kwh REAL, cost REAL, ramp_deviation REAL, hold_deviation REAL,"
        " warnings TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '', heating_rate REAL)",
        "CREATE INDEX firings_by_kiln ON firings (kiln_file, simulated)",
        "CREATE TABLE curve ("
        " firing INTEGER NOT NULL, seq INTEGER NOT NULL, points BLOB NOT NULL,"
        " PRIMARY KEY (firing, seq)) WITHOUT ROWID",
    },
};

constexpr const char* kColumns =
    "id, program, program_lines, kiln_file, model_p, model_i, model_r, pid_p, pid_i, pid_d, simulated, controller,"
    " firmware, unit, channel_names, start_wall, start_kiln, end_wall, end_kiln, outcome, cause, peak, seconds,"
    " energy_kwh, cost, ramp_deviation, hold_deviation, warnings, note, heating_rate";

QString stamp(const QDateTime& t) { return t.isValid() ? t.toString(Qt::ISODateWithMs) : QString(); }
QDateTime fromStamp(const QVariant& v) { return QDateTime::fromString(v.toString(), Qt::ISODateWithMs); }

// Qt binds a null string as NULL; the text columns hold empty text instead.
QVariant text(const QString& s) { return s.isNull() ? QVariant(QString("")) : QVariant(s); }

QVariant optional(const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(); }

FiringSummary summaryOf(const QSqlQuery& q)
{
    FiringSummary s;
    int c = 0;
    const auto next = [&] { return q.value(c++); };
    s.id = next().toLongLong();
    FiringFacts& f = s.facts;
    f.program = next().toString();
    f.programLines = next().toString();
    f.kilnFile = next().toString();
    f.modelP = next().toString();
    f.modelI = next().toString();
    f.modelR = next().toString();
    f.pidP = next().toString();
    f.pidI = next().toString();
    f.pidD = next().toString();
    f.simulated = next().toInt() != 0;
    f.controller = next().toString();
    f.firmware = next().toString();
    f.unit = next().toString();
    const QString names = next().toString();
    f.channelNames = names.isEmpty() ? QStringList() : names.split('\t');
    FiringFigures& g = s.figures;
    g.startWall = fromStamp(next());
    g.startKiln = fromStamp(next());
    g.endWall = fromStamp(next());
    g.endKiln = fromStamp(next());
    s.outcome = outcomeFromName(next().toString());
    s.cause = next().toString();
    g.peak = next().toDouble();
    g.seconds = next().toDouble();
    g.energyKWh = next().toDouble();
    g.cost = next().toDouble();
    g.rampDeviation = next().toDouble();
    g.holdDeviation = next().toDouble();
    const QString warnings = next().toString();
    g.warnings = warnings.isEmpty() ? QStringList() : warnings.split('\n');
    s.note = next().toString();
    const QVariant rate = next();
    if (!rate.isNull())
        g.heatingRate = rate.toDouble();
    return s;
}

}  // namespace

int HistoryStore::schemaVersion() { return int(std::size(kMigrations)); }

QString HistoryStore::newConnectionName(const QString& user)
{
    static std::atomic<int> count{0};
    return user + "-" + QString::number(++count);
}

HistoryStore::HistoryStore(const QString& path, const QString& connectionName)
    : path_(path), connection_(connectionName)
{
}

HistoryStore::~HistoryStore() { closeConnection(); }

void HistoryStore::fail(const QString& what, const QString& sqlError) const
{
    throw std::runtime_error((QDir::toNativeSeparators(path_) + ": " + what +
                              (sqlError.trimmed().isEmpty() ? QString() : " (" + sqlError.trimmed() + ")"))
                                 .toStdString());
}

bool HistoryStore::isOpen() const { return QSqlDatabase::contains(connection_) && QSqlDatabase::database(connection_, false).isOpen(); }

void HistoryStore::openConnection(bool readOnly)
{
    closeConnection();
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection_);
    db.setDatabaseName(path_);
    // A writer busy with its minute's batch holds the file only for moments.
    db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=5000") + (readOnly ? ";QSQLITE_OPEN_READONLY" : ""));
    if (!db.open())
        fail("cannot be opened", db.lastError().text());
}

void HistoryStore::closeConnection()
{
    if (!QSqlDatabase::contains(connection_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

void HistoryStore::openForReading()
{
    if (!QFileInfo(path_).isFile())
        fail("is not there", {});
    openConnection(true);
    if (userVersion() < 1)
        fail("holds no firing history", {});
}

void HistoryStore::openForEditing()
{
    if (!QFileInfo(path_).isFile())
        fail("is not there", {});
    openConnection(false);
    if (userVersion() != schemaVersion())
        fail(QString("has schema %1, not %2").arg(userVersion()).arg(schemaVersion()), {});
}

void HistoryStore::openForWriting(QString* movedTo)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const QFileInfo info(path_);
    if (info.exists() && !info.isFile()) {
        *movedTo = moveAside();
    } else {
        openConnection(false);
        if (!sound()) {
            closeConnection();
            *movedTo = moveAside();
        }
    }
    if (!isOpen())
        openConnection(false);
    const int version = userVersion();
    if (version > schemaVersion()) {
        closeConnection();
        fail(QString("was written by a newer version of the program (schema %1, this one knows %2) and is left as it is")
                 .arg(version)
                 .arg(schemaVersion()),
             {});
    }
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec("PRAGMA journal_mode=WAL") || !q.exec("PRAGMA synchronous=NORMAL"))
        fail("cannot be set up", q.lastError().text());
    migrate();
}

// A file SQLite cannot read, or whose pages do not hang together, is not to be written into.
bool HistoryStore::sound()
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    return q.exec("PRAGMA quick_check") && q.next() && q.value(0).toString() == "ok";
}

QString HistoryStore::moveAside()
{
    const QString aside = path_ + ".broken-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
    for (const QString& suffix : {QString("-wal"), QString("-shm")})
        if (QFileInfo::exists(path_ + suffix) && !QFile::rename(path_ + suffix, aside + suffix))
            QFile::remove(path_ + suffix);
    if (!QFile::rename(path_, aside))
        fail("is damaged and cannot be moved aside", {});
    return aside;
}

int HistoryStore::userVersion() const
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec("PRAGMA user_version") || !q.next())
        fail("cannot be read", q.lastError().text());
    return q.value(0).toInt();
}

void HistoryStore::migrate()
{
    for (int version = userVersion(); version < schemaVersion(); ++version) {
        transaction([&] {
            QSqlQuery q(QSqlDatabase::database(connection_));
            for (const QString& sql : kMigrations[version])
                if (!q.exec(sql))
                    fail("cannot be brought up to date", q.lastError().text());
            if (!q.exec(QString("PRAGMA user_version=%1").arg(version + 1)))
                fail("cannot be brought up to date", q.lastError().text());
        });
    }
}

void HistoryStore::transaction(const std::function<void()>& work)
{
    QSqlDatabase db = QSqlDatabase::database(connection_);
    if (!db.transaction())
        fail("cannot be written", db.lastError().text());
    try {
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QString error = db.lastError().text();
        db.rollback();
        fail("cannot be written", error);
    }
}

namespace {

QSqlQuery run(const QString& connection, const QString& sql, const QVariantList& values,
              const std::function<void(const QString&)>& fail)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        fail(q.lastError().text());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(q.lastError().text());
    return q;
}

}  // namespace

#define RUN(sql, ...) run(connection_, sql, {__VA_ARGS__}, [this](const QString& e) { fail("cannot be written", e); })
#define READ(sql, ...) run(connection_, sql, {__VA_ARGS__}, [this](const QString& e) { fail("cannot be read", e); })

qint64 HistoryStore::begin(const FiringFacts& f, const FiringFigures& g)
{
    const QSqlQuery q = RUN("INSERT INTO firings (program, program_lines, kiln_file, model_p, model_i, model_r, pid_p,"
                            " pid_i, pid_d, simulated, controller, firmware, unit, channel_names, start_wall, start_kiln)"
                            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            f.program, f.programLines, f.kilnFile, f.modelP, f.modelI, f.modelR, f.pidP, f.pidI, f.pidD,
                            int(f.simulated), f.controller, f.firmware, f.unit, f.channelNames.join('\t'),
                            stamp(g.startWall), stamp(g.startKiln));
    return q.lastInsertId().toLongLong();
}

void HistoryStore::appendCurve(qint64 id, const std::vector<CurvePoint>& points)
{
    if (points.empty())
        return;
    RUN("INSERT INTO curve (firing, seq, points) VALUES (?, (SELECT COALESCE(MAX(seq), -1) + 1 FROM curve WHERE firing = ?), ?)",
        id, id, CurveCodec::pack(points));
}

void HistoryStore::update(qint64 id, const FiringFigures& g, Outcome outcome, const QString& cause)
{
    RUN("UPDATE firings SET end_wall = ?, end_kiln = ?, outcome = ?, cause = ?, peak = ?, seconds = ?, energy_kwh = ?,"
        " cost = ?, ramp_deviation = ?, hold_deviation = ?, warnings = ?, heating_rate = ? WHERE id = ?",
        stamp(g.endWall), stamp(g.endKiln), text(outcomeName(outcome)), text(cause), g.peak, g.seconds, g.energyKWh,
        g.cost, g.rampDeviation, g.holdDeviation, text(g.warnings.join('\n')), optional(g.heatingRate), id);
}

qint64 HistoryStore::interruptOpenFirings()
{
    qint64 latest = 0;
    transaction([&] {
        QSqlQuery q = READ("SELECT MAX(id) FROM firings WHERE outcome = ''");
        if (q.next())
            latest = q.value(0).toLongLong();
        RUN("UPDATE firings SET outcome = ? WHERE outcome = ''", text(outcomeName(Outcome::Interrupted)));
    });
    return latest;
}

void HistoryStore::reopen(qint64 id) { RUN("UPDATE firings SET outcome = '' WHERE id = ?", id); }

void HistoryStore::setNote(qint64 id, const QString& note) { RUN("UPDATE firings SET note = ? WHERE id = ?", text(note), id); }

void HistoryStore::remove(qint64 id)
{
    transaction([&] {
        RUN("DELETE FROM curve WHERE firing = ?", id);
        RUN("DELETE FROM firings WHERE id = ?", id);
    });
}

std::vector<FiringSummary> HistoryStore::list() const
{
    std::vector<FiringSummary> all;
    QSqlQuery q = READ(QString("SELECT %1 FROM firings ORDER BY id").arg(kColumns));
    while (q.next())
        all.push_back(summaryOf(q));
    return all;
}

std::optional<FiringSummary> HistoryStore::summary(qint64 id) const
{
    QSqlQuery q = READ(QString("SELECT %1 FROM firings WHERE id = ?").arg(kColumns), id);
    if (!q.next())
        return std::nullopt;
    return summaryOf(q);
}

std::vector<CurvePoint> HistoryStore::curve(qint64 id) const
{
    std::vector<CurvePoint> points;
    QSqlQuery q = READ("SELECT points FROM curve WHERE firing = ? ORDER BY seq", id);
    while (q.next()) {
        std::vector<CurvePoint> batch = CurveCodec::unpack(q.value(0).toByteArray());
        points.insert(points.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    }
    return points;
}

std::vector<double> HistoryStore::heatingRates(const QString& kilnFile, bool simulated) const
{
    std::vector<double> rates;
    QSqlQuery q = READ("SELECT heating_rate FROM firings WHERE kiln_file = ? AND simulated = ? AND outcome != ''"
                       " AND heating_rate IS NOT NULL ORDER BY id",
                       kilnFile, int(simulated));
    while (q.next())
        rates.push_back(q.value(0).toDouble());
    return rates;
}

qint64 HistoryStore::sizeOnDisk() const
{
    return QFileInfo(path_).size() + QFileInfo(path_ + "-wal").size();
}
