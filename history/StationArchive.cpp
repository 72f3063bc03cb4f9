// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationArchive.h"

#include <atomic>
#include <filesystem>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

#include "ArchiveSchema.h"
#include "ArchiveTables.h"
#include "StationName.h"
#include "Utf8Path.h"

namespace kolmaris::history {

namespace {

std::atomic<int> connections{0};

// SQLite's result codes and PostgreSQL's SQLSTATEs that say more than their text.
constexpr int kSqliteBusy = 5, kSqliteLocked = 6, kSqliteReadOnly = 8, kSqliteCorrupt = 11, kSqliteNotADatabase = 26;
constexpr const char* kPostgresLockTimeout = "55P03";
// The key of the archive's write lock on PostgreSQL (an advisory lock of the database).
constexpr int kPostgresWriteLock = 0x4B4F4C4D;

// A database's message in one line: PostgreSQL's run over several.
std::string OneLine(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines.isEmpty() ? std::string("unknown database error") : lines.join("; ").toStdString();
}

std::string Text(const QSqlError& e)
{
    return OneLine(e.databaseText().isEmpty() ? e.driverText() : e.databaseText());
}

// How an archive's failures read: what they mean for it, where it is, never a password.
struct Describe {
    const std::string& where;
    bool postgres;

    std::string operator()(const QSqlError& e) const
    {
        const std::string text = Text(e);
        const QString code = e.nativeErrorCode();
        if (postgres) {
            if (code == kPostgresLockTimeout)
                return Busy(text);
            return text;
        }
        switch (code.toInt() & 0xFF) {  // the primary code of an extended one
            case kSqliteCorrupt:
            case kSqliteNotADatabase:
                return "the archive is damaged: " + text + " (" + where +
                       "; left as it is). To recover, import the downloads' tab files into a new archive "
                       "(kolmaris-cli archive import DIR... --archive NEW), or save what SQLite can read: sqlite3 " +
                       where + " .recover | sqlite3 NEW";
            case kSqliteBusy:
            case kSqliteLocked:
                return Busy(text);
            case kSqliteReadOnly:
                return "the archive " + where + " cannot be written: " + text;
            default:
                return text;
        }
    }

    std::string Busy(const std::string& text) const
    {
        return "another program holds the archive " + where + " (waited up to " +
               std::to_string(StationArchive::kBusySeconds) + " s: " + text + "); try again when it is done";
    }
};

bool Exec(QSqlQuery& q, const Describe& describe, std::string& error)
{
    if (q.exec())
        return true;
    error = describe(q.lastError());
    return false;
}

// The end of every read: rows that stopped for an error are no smaller answer but a failure.
bool Finished(const QSqlQuery& q, const Describe& describe, std::string& error)
{
    if (q.lastError().type() == QSqlError::NoError)
        return true;
    error = describe(q.lastError());
    return false;
}

QString Placeholders(qsizetype n)
{
    QStringList marks;
    for (qsizetype i = 0; i < n; ++i)
        marks << "?";
    return marks.join(", ");
}

// Stores the rows of one kind not already present. Rows of the station in the batch's time span
// are read once; a key met again in the batch is judged against the row it gave. With `missing`
// nothing is written: the rows not present with equal values are put there.
template <class Row>
bool StoreKind(QSqlDatabase db, const Describe& describe, const QString& station, const std::vector<Row>& rows,
               KindCounts& counts, std::string& error, std::vector<Row>* missing = nullptr)
{
    if (rows.empty())
        return true;
    using T = Table<Row>;
    TerminalTime first = rows.front().time, last = rows.front().time;
    for (const Row& r : rows) {
        first = std::min(first, r.time);
        last = std::max(last, r.time);
    }
    const QString columns = T::Columns().join(", ");
    QSqlQuery select(db);
    select.setForwardOnly(true);
    select.prepare(QString("SELECT %1 FROM %2 WHERE station = ? AND terminal_time BETWEEN ? AND ?")
                       .arg(columns, T::kName));
    select.addBindValue(station);
    select.addBindValue(qint64{first});
    select.addBindValue(qint64{last});
    if (!Exec(select, describe, error))
        return false;
    std::map<decltype(T::Key(rows.front())), Row> held;
    while (select.next()) {
        const Row row = T::Read(select);
        held.emplace(T::Key(row), row);
    }
    if (!Finished(select, describe, error))
        return false;

    QSqlQuery insert(db);
    if (!insert.prepare(QString("INSERT INTO %1 (station, %2) VALUES (?, %3)")
                            .arg(T::kName, columns, Placeholders(T::Columns().size())))) {
        error = describe(insert.lastError());
        return false;
    }
    for (const Row& row : rows) {
        const auto [at, added] = held.emplace(T::Key(row), row);
        if (!added) {
            const bool same = at->second == row;
            ++(same ? counts.present : counts.conflicts);
            if (missing && !same)
                missing->push_back(row);
            continue;
        }
        ++counts.added;
        if (missing) {
            missing->push_back(row);
            continue;
        }
        insert.addBindValue(station);
        for (const QVariant& value : T::Values(row))
            insert.addBindValue(value);
        if (!Exec(insert, describe, error))
            return false;
    }
    return true;
}

bool MarkWholeDownload(QSqlDatabase db, const Describe& describe, const QString& station, const ArchiveBatch& batch,
                       std::string& error)
{
    if (!batch.wholeMemory || batch.meteo.empty())
        return true;
    // The first read, newest in the memory whatever its time says.
    const TerminalTime newest = batch.meteo.front().time;
    QSqlQuery remove(db), insert(db);
    remove.prepare("DELETE FROM whole_downloads WHERE station = ?");
    remove.addBindValue(station);
    insert.prepare("INSERT INTO whole_downloads (station, newest_meteo) VALUES (?, ?)");
    insert.addBindValue(station);
    insert.addBindValue(qint64{newest});
    return Exec(remove, describe, error) && Exec(insert, describe, error);
}

template <class Row>
bool ReadKind(QSqlDatabase db, const Describe& describe, const QString& where, const QVariantList& values,
              std::vector<Row>& rows, std::string& error)
{
    using T = Table<Row>;
    const QStringList columns = T::Columns();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Key order: the key columns come first.
    const qsizetype keys = std::tuple_size_v<decltype(T::Key(Row{}))>;
    q.prepare(QString("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                  .arg(columns.join(", "), T::kName, where, columns.mid(0, keys).join(", ")));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!Exec(q, describe, error))
        return false;
    while (q.next())
        rows.push_back(T::Read(q));
    return Finished(q, describe, error);
}

// `location` with the password of a URL in it masked, also where the URL does not parse.
std::string MaskPassword(const std::string& location)
{
    const std::size_t scheme = location.find("://");
    const std::size_t at = location.rfind('@');
    if (scheme == std::string::npos || at == std::string::npos || at < scheme)
        return location;
    const std::size_t colon = location.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at)
        return location;
    return location.substr(0, colon + 1) + "***" + location.substr(at);
}

bool OpenPostgres(QSqlDatabase& db, const std::string& location, const QString& name, std::string& where,
                  std::string& error)
{
    if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
        error = "Qt's PostgreSQL driver is not installed (Debian: libqt6sql6-psql)";
        return false;
    }
    const QUrl url(QString::fromStdString(location));
    if (!url.isValid() || url.path().size() < 2) {
        error = "not a PostgreSQL URL: " + MaskPassword(location) + " (postgresql://user@host:port/database)";
        return false;
    }
    db = QSqlDatabase::addDatabase("QPSQL", name);
    db.setHostName(url.host().isEmpty() ? QString("localhost") : url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    // Without one in the URL libpq takes the password from PGPASSWORD or ~/.pgpass.
    db.setPassword(url.password());
    db.setDatabaseName(url.path().mid(1));
    const QUrlQuery query(url);
    QString seconds = query.queryItemValue("connect_timeout");
    QStringList options;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded))
        options << key + "=" + value;
    if (seconds.isEmpty()) {
        seconds = QString::number(StationArchive::kConnectSeconds);
        options << "connect_timeout=" + seconds;
    }
    db.setConnectOptions(options.join(';'));
    where = url.toDisplayString(QUrl::RemovePassword).toStdString();
    if (db.open())
        return true;
    const std::string text = Text(db.lastError());
    if (text.find("timeout expired") != std::string::npos)
        error = "the PostgreSQL server at " + db.hostName().toStdString() + ":" + std::to_string(db.port()) +
                " did not answer within " + seconds.toStdString() + " s (" + where +
                "; ?connect_timeout=SECONDS in the URL sets the time-out)";
    else
        error = "cannot reach the archive " + where + ": " + text;
    return false;
}

bool OpenSqlite(QSqlDatabase& db, const std::string& location, const QString& name, std::string& where,
                std::string& error)
{
    if (!QSqlDatabase::isDriverAvailable("QSQLITE")) {
        error = "Qt's SQLite driver is not installed (Debian: libqt6sql6-sqlite)";
        return false;
    }
    const std::filesystem::path file = PathFromUtf8(location.empty() ? StationArchive::DefaultLocation() : location);
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
    db = QSqlDatabase::addDatabase("QSQLITE", name);
    where = Utf8FromPath(file);
    db.setDatabaseName(QString::fromStdString(where));
    db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(StationArchive::kBusySeconds * 1000));
    if (db.open())
        return true;
    error = (existed ? "cannot open the archive " : "cannot create the archive ") + where + ": " +
            Text(db.lastError());
    return false;
}

}  // namespace

StationArchive::StationArchive() : connection_(QString("kolmaris-archive-%1").arg(connections++)) {}

StationArchive::~StationArchive()
{
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

std::string StationArchive::DefaultLocation()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath("kolmaris/archive.sqlite").toStdString();
}

bool StationArchive::Open(const std::string& location, std::string& error, Use use)
{
    postgres_ = location.starts_with("postgresql://") || location.starts_with("postgres://");
    QSqlDatabase db;
    if (!(postgres_ ? OpenPostgres : OpenSqlite)(db, location, connection_, where_, error))
        return false;
    if (!postgres_) {
        // Reads every page (about 0.15 s for a year of 16 probes' hourly records): damage is found
        // before anything is read or written.
        QSqlQuery check(db);
        if (!check.exec("PRAGMA quick_check") || !check.next()) {
            error = Describe{where_, postgres_}(check.lastError());
            return false;
        }
        if (const QString verdict = check.value(0).toString(); verdict != "ok") {
            QSqlError damage(QString(), verdict, QSqlError::StatementError, QString::number(kSqliteCorrupt));
            error = Describe{where_, postgres_}(damage);
            return false;
        }
    }
    return Upgrade(error) && (use == Use::Read || ProveWritable(error));
}

bool StationArchive::Run(const QString& statement, std::string& error)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (q.exec(statement))
        return true;
    error = Describe{where_, postgres_}(q.lastError());
    return false;
}

bool StationArchive::BeginWrite(std::string& error)
{
    // SQLite: the write lock at once, waiting for another writer, so that two writers never meet
    // in a read lock each that neither can raise. PostgreSQL: the archive's writer lock.
    if (!postgres_)
        return Run("BEGIN IMMEDIATE", error);
    if (!Run("BEGIN", error))
        return false;
    if (Run(QString("SET LOCAL lock_timeout = '%1s'").arg(kBusySeconds), error) &&
        Run(QString("SELECT pg_advisory_xact_lock(%1)").arg(kPostgresWriteLock), error))
        return true;
    Rollback();
    return false;
}

bool StationArchive::Commit(std::string& error)
{
    if (Run("COMMIT", error))
        return true;
    Rollback();
    return false;
}

void StationArchive::Rollback()
{
    std::string ignored;
    Run("ROLLBACK", ignored);
}

bool StationArchive::Reconnect(std::string& error)
{
    if (!postgres_ || Run("SELECT 1", error))
        return true;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
    if (db.open())
        return true;
    error = "cannot reach the archive " + where_ + " again: " + Text(db.lastError());
    return false;
}

bool StationArchive::Upgrade(std::string& error)
{
    const Describe describe{where_, postgres_};
    // The version, and whether the database belongs to another program.
    const auto read = [&](int& version) {
        QSqlQuery tables(QSqlDatabase::database(connection_, false));
        tables.setForwardOnly(true);
        if (!tables.exec(postgres_ ? "SELECT table_name FROM information_schema.tables"
                                     " WHERE table_schema = current_schema()"
                                   : "SELECT name FROM sqlite_master WHERE type = 'table'"
                                     " AND name NOT LIKE 'sqlite_%'")) {
            error = describe(tables.lastError());
            return false;
        }
        QStringList names;
        while (tables.next())
            names << tables.value(0).toString();
        if (!Finished(tables, describe, error))
            return false;
        version = 0;
        if (names.isEmpty())
            return true;
        if (!names.contains("archive_info")) {
            names.sort();
            error = where_ + " is not an archive of this program but another program's database (tables " +
                    names.mid(0, 5).join(", ").toStdString() + (names.size() > 5 ? ", ..." : "") +
                    "); it was left as it is";
            return false;
        }
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        if (!q.exec("SELECT value FROM archive_info WHERE name = 'schema_version'") || !q.next()) {
            error = where_ + " has no schema version: not an archive of this program";
            return false;
        }
        version = q.value(0).toInt();
        if (version > kSchemaVersion) {
            error = where_ + " has schema version " + std::to_string(version) + "; this program knows up to " +
                    std::to_string(kSchemaVersion) + ": a newer program made it";
            return false;
        }
        return true;
    };
    if (!read(version_))
        return false;
    if (version_ == kSchemaVersion)
        return true;
    // Again under the write lock: another program may be creating or upgrading it now, and this
    // one then finds its work done.
    const std::string doing = version_ == 0 ? "cannot create the archive " + where_
                                            : "cannot upgrade " + where_ + " to schema version " +
                                                  std::to_string(kSchemaVersion);
    if (!BeginWrite(error)) {
        error = doing + ": " + error;
        return false;
    }
    if (!read(version_)) {
        Rollback();
        return false;
    }
    for (int step = version_; step < kSchemaVersion; ++step) {
        for (const char* statement : kSchemaSteps[static_cast<std::size_t>(step)]) {
            if (!Run(statement, error)) {
                Rollback();
                error = doing + ": " + error;
                return false;
            }
        }
    }
    if (!Run(QString("UPDATE archive_info SET value = '%1' WHERE name = 'schema_version'").arg(kSchemaVersion),
             error) ||
        !Commit(error)) {
        Rollback();
        error = doing + ": " + error;
        return false;
    }
    version_ = kSchemaVersion;
    return true;
}

// A write taken back: a read-only file, folder or server fails here and not after a download.
// (A row that changes no byte would not do: SQLite leaves such a page and its journal alone.)
bool StationArchive::ProveWritable(std::string& error)
{
    if (!BeginWrite(error) ||
        !Run("INSERT INTO archive_info (name, value) VALUES ('write_check', '')", error)) {
        Rollback();
        if (!error.starts_with("the archive " + where_ + " cannot be written: ") &&
            !error.starts_with("another program holds "))
            error = "the archive " + where_ + " cannot be written: " + error;
        return false;
    }
    Rollback();
    return true;
}

bool StationArchive::Store(const std::string& station, const ArchiveBatch& batch, StoreResult& result,
                           std::string& error)
{
    result = {};
    if (const std::string problem = StationNameProblem(station); !problem.empty()) {
        error = "nothing stored in " + where_ + ": " + problem;
        return false;
    }
    if (!Reconnect(error) || !BeginWrite(error)) {
        error = "nothing stored in " + where_ + ": " + error;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Describe describe{where_, postgres_};
    result.undated = batch.undated;
    const QString name = QString::fromStdString(station);
    const bool stored = StoreKind(db, describe, name, batch.radon, result.radon, error) &&
                        StoreKind(db, describe, name, batch.spectra, result.spectra, error) &&
                        StoreKind(db, describe, name, batch.meteo, result.meteo, error) &&
                        StoreKind(db, describe, name, batch.dia, result.dia, error) &&
                        MarkWholeDownload(db, describe, name, batch, error);
    const int conflicts = result.Conflicts();
    const int present = result.radon.present + result.spectra.present + result.meteo.present + result.dia.present;
    if (stored && conflicts >= kForeignConflicts && conflicts > present) {
        Rollback();
        error = "the data do not belong to station \"" + station + "\": " + std::to_string(conflicts) + " of the " +
                std::to_string(conflicts + present) +
                " records the archive holds for their times differ from them (another terminal, or a memory "
                "cleared and filled anew?); nothing stored in " + where_ + ", store them under another station name";
        result = {};
        return false;
    }
    if (stored && Commit(error))
        return true;
    if (!stored)
        Rollback();
    error = "nothing stored in " + where_ + ": " + error;
    result = {};
    return false;
}

bool StationArchive::Content(std::map<std::string, StationContent>& content, std::string& error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Describe describe{where_, postgres_};
    const auto each = [&](const QString& statement, const auto& take) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(statement)) {
            error = describe(q.lastError());
            return false;
        }
        while (q.next())
            take(content[q.value(0).toString().toStdString()], q);
        return Finished(q, describe, error);
    };
    const auto time = [](const QSqlQuery& q, int i) { return static_cast<TerminalTime>(q.value(i).toLongLong()); };
    return each("SELECT station, probe, COUNT(*), MIN(terminal_time), MAX(terminal_time) FROM radon_records"
                " GROUP BY station, probe",
                [&](StationContent& s, const QSqlQuery& q) {
                    ProbeContent& p = s.probes[q.value(1).toInt()];
                    p.radonRecords = q.value(2).toInt();
                    p.first = time(q, 3);
                    p.last = time(q, 4);
                }) &&
           each("SELECT station, probe, COUNT(*) FROM spectra GROUP BY station, probe",
                [](StationContent& s, const QSqlQuery& q) { s.probes[q.value(1).toInt()].spectra = q.value(2).toInt(); }) &&
           each("SELECT station, COUNT(*), MIN(terminal_time), MAX(terminal_time) FROM meteo_records GROUP BY station",
                [&](StationContent& s, const QSqlQuery& q) {
                    s.meteoRecords = q.value(1).toInt();
                    s.first = time(q, 2);
                    s.last = time(q, 3);
                }) &&
           each("SELECT station, COUNT(*) FROM diagnostic_events GROUP BY station",
                [](StationContent& s, const QSqlQuery& q) { s.diaEvents = q.value(1).toInt(); });
}

bool StationArchive::RadonRecords(const std::string& station, int probe, TerminalTime from, TerminalTime to,
                                  std::vector<RadonRow>& rows, std::string& error)
{
    rows.clear();
    return ReadKind(QSqlDatabase::database(connection_, false), Describe{where_, postgres_},
                    "station = ? AND probe = ? AND terminal_time BETWEEN ? AND ?",
                    {QString::fromStdString(station), probe, qint64{from}, qint64{to}}, rows, error);
}

bool StationArchive::Rows(const std::string& station, ArchiveBatch& rows, std::string& error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Describe describe{where_, postgres_};
    const QVariantList name{QString::fromStdString(station)};
    rows = {};
    return ReadKind(db, describe, "station = ?", name, rows.radon, error) &&
           ReadKind(db, describe, "station = ?", name, rows.spectra, error) &&
           ReadKind(db, describe, "station = ?", name, rows.meteo, error) &&
           ReadKind(db, describe, "station = ?", name, rows.dia, error);
}

bool StationArchive::Missing(const std::string& station, const ArchiveBatch& batch, ArchiveBatch& missing,
                             std::string& error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Describe describe{where_, postgres_};
    const QString name = QString::fromStdString(station);
    StoreResult counts;
    missing = {};
    return StoreKind(db, describe, name, batch.radon, counts.radon, error, &missing.radon) &&
           StoreKind(db, describe, name, batch.spectra, counts.spectra, error, &missing.spectra) &&
           StoreKind(db, describe, name, batch.meteo, counts.meteo, error, &missing.meteo) &&
           StoreKind(db, describe, name, batch.dia, counts.dia, error, &missing.dia);
}

bool StationArchive::Ends(const std::string& station, StationEnds& ends, std::string& error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Describe describe{where_, postgres_};
    ends = {};
    // Each statement gives rows of (probe or 0, newest time).
    const auto each = [&](const QString& statement, const auto& take) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(statement);
        q.addBindValue(QString::fromStdString(station));
        if (!Exec(q, describe, error))
            return false;
        while (q.next())
            if (!q.value(1).isNull())
                take(q.value(0).toInt(), static_cast<TerminalTime>(q.value(1).toLongLong()));
        return Finished(q, describe, error);
    };
    return each("SELECT probe, MAX(terminal_time) FROM radon_records WHERE station = ? GROUP BY probe",
                [&](int probe, TerminalTime t) { ends.radon[probe] = t; }) &&
           each("SELECT probe, MAX(terminal_time) FROM spectra WHERE station = ? GROUP BY probe",
                [&](int probe, TerminalTime t) { ends.spectra[probe] = t; }) &&
           each("SELECT 0, MAX(terminal_time) FROM meteo_records WHERE station = ?",
                [&](int, TerminalTime t) { ends.meteo = t; }) &&
           each("SELECT 0, MAX(terminal_time) FROM diagnostic_events WHERE station = ?",
                [&](int, TerminalTime t) { ends.dia = t; }) &&
           each("SELECT 0, newest_meteo FROM whole_downloads WHERE station = ?",
                [&](int, TerminalTime t) { ends.wholeDownload = t; });
}

}  // namespace kolmaris::history
