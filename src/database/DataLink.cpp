// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/DataLink.h"

#include "database/CellarSchema.h"
#include "database/FileMark.h"
#include "database/FrenchCollation.h"
#include "database/Lot.h"
#include "database/LotIdentity.h"

#include <QFile>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace {

constexpr int BusyTimeoutMs = 3000;

int collateFrench(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return FrenchCollation::compare(static_cast<const char*>(a), lengthA, static_cast<const char*>(b),
                                    lengthB);
}

int collateFrenchReversed(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return -collateFrench(nullptr, lengthA, a, lengthB, b);
}

// The search is the same for every row of a statement: its words are kept between calls.
void searchFrench(sqlite3_context* context, int count, sqlite3_value** values) {
    if (count < 1 || sqlite3_value_type(values[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    auto* search = static_cast<FrenchCollation::Search*>(sqlite3_get_auxdata(context, 0));
    if (!search) {
        search = new FrenchCollation::Search(reinterpret_cast<const char*>(sqlite3_value_text(values[0])),
                                             sqlite3_value_bytes(values[0]));
        sqlite3_set_auxdata(context, 0, search,
                            [](void* p) { delete static_cast<FrenchCollation::Search*>(p); });
        search = static_cast<FrenchCollation::Search*>(sqlite3_get_auxdata(context, 0));
        if (!search) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    constexpr int MostFields = 16;
    std::string_view fields[MostFields];
    size_t n = 0;
    for (int i = 1; i < count && n < MostFields; ++i) {
        if (sqlite3_value_type(values[i]) == SQLITE_NULL)
            continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
        fields[n++] = std::string_view(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(values[i])));
    }
    sqlite3_result_int(context, search->matches(fields, n) ? 1 : 0);
}

// A lot's fingerprint: its wine's four values in the high half, its quantity and price in the low one.
void lotFingerprint(sqlite3_context* context, int count, sqlite3_value** values) {
    quint32 halves[2] = {LotIdentity::FoldStart, LotIdentity::FoldStart};
    for (int i = 0; i < count; ++i) {
        quint32& hash = halves[i < 4 ? 0 : 1];
        sqlite3_value* value = values[i];
        const int type = sqlite3_value_type(value);
        unsigned char number[8];
        auto little = [&](quint64 bits) {
            for (int b = 0; b < 8; ++b)
                number[b] = static_cast<unsigned char>(bits >> (8 * b));
            hash = LotIdentity::fold(hash, type, number, 8);
        };
        switch (type) {
        case SQLITE_INTEGER:
            little(static_cast<quint64>(sqlite3_value_int64(value)));
            break;
        case SQLITE_FLOAT: {
            const double real = sqlite3_value_double(value);
            quint64 bits = 0;
            std::memcpy(&bits, &real, sizeof bits);
            little(bits);
            break;
        }
        case SQLITE_TEXT: {
            const unsigned char* text = sqlite3_value_text(value);
            hash = LotIdentity::fold(hash, type, text, sqlite3_value_bytes(value));
            break;
        }
        case SQLITE_BLOB: {
            const void* blob = sqlite3_value_blob(value);
            hash = LotIdentity::fold(hash, type, blob, sqlite3_value_bytes(value));
            break;
        }
        default:
            hash = LotIdentity::fold(hash, type, nullptr, 0);
        }
    }
    sqlite3_result_int64(context,
                         static_cast<sqlite3_int64>((static_cast<quint64>(halves[0]) << 32) | halves[1]));
}

// The cause of a failure, from the engine's code and, for input and output, the system's own.
Failure failureOf(const QString& path, int code, int systemErrno, const QString& detail) {
    if (systemErrno == ENOSPC || systemErrno == EDQUOT)
        return CellarSchema::diskFull(path, detail);
    if (systemErrno == EACCES || systemErrno == EPERM || systemErrno == EROFS)
        return CellarSchema::accessRefused(path, detail);
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return CellarSchema::locked(path, detail);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return CellarSchema::notACellar(path, detail);
    case SQLITE_FULL:
        return CellarSchema::diskFull(path, detail);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return CellarSchema::accessRefused(path, detail);
    default:
        return CellarSchema::engineFailure(path, detail);
    }
}

Failure fromException(const QString& path, sqlite3* db, const SQLite::Exception& e) {
    return failureOf(path, e.getExtendedErrorCode(), db ? sqlite3_system_errno(db) : 0,
                     QString::fromUtf8(e.what()));
}

// A cellar is data: no trigger, view or virtual table runs from it, and its schema cannot be altered
// through the connection.
void makeDefensive(sqlite3* db) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
}

// The objects of the file that the program never creates, as "déclencheur « X »".
QStringList foreignObjects(SQLite::Database& db) {
    QStringList found;
    SQLite::Statement objects(db, "SELECT type, name FROM sqlite_schema WHERE type IN ('trigger', 'view') OR "
                                  "(type = 'table' AND sql LIKE 'CREATE VIRTUAL TABLE%') ORDER BY name");
    while (objects.executeStep()) {
        const QString type = QString::fromUtf8(objects.getColumn(0).getText());
        const QString kind = type == QLatin1String("trigger") ? QStringLiteral("déclencheur")
                             : type == QLatin1String("view")  ? QStringLiteral("vue")
                                                              : QStringLiteral("table virtuelle");
        found << QStringLiteral("%1 « %2 »").arg(kind, QString::fromUtf8(objects.getColumn(1).getText()));
    }
    return found;
}

QVariant columnValue(const SQLite::Column& c) {
    switch (c.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(c.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(c.getDouble());
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        // Kept a blob, so that bound back (a page's last key) it compares as the engine compared it.
        return QVariant(QByteArray(static_cast<const char*>(c.getBlob()), c.getBytes()));
    default:
        return QVariant(QString::fromUtf8(c.getText(), c.getBytes()));
    }
}

void bindAll(SQLite::Statement& st, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        const int index = i + 1;
        if (v.isNull()) {
            st.bind(index);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            st.bind(index, static_cast<int64_t>(v.toLongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            st.bind(index, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            st.bind(index, bytes.constData(), static_cast<int>(bytes.size()));
            break;
        }
        default:
            st.bind(index, v.toString().toStdString());
            break;
        }
    }
}

QStringList columnNames(SQLite::Statement& st) {
    QStringList names;
    for (int i = 0; i < st.getColumnCount(); ++i)
        names << QString::fromUtf8(st.getColumnName(i));
    return names;
}

} // namespace

int DbRows::column(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList DbRows::texts(const QString& name) const {
    QStringList out;
    const int c = column(name);
    if (c < 0)
        return out;
    for (const DbRow& row : rows)
        if (!row.at(static_cast<size_t>(c)).isNull())
            out << row.at(static_cast<size_t>(c)).toString();
    return out;
}

struct DataLink::Impl {
    std::unique_ptr<SQLite::Database> db;
    // Statements without rows are prepared once per connection: an import runs the same insert
    // thousands of times.
    std::unordered_map<QString, std::unique_ptr<SQLite::Statement>> prepared;
    std::unique_ptr<SQLite::Statement> cursor;
    bool cursorAtEnd = true;
    std::unique_ptr<SQLite::Transaction> hold;
    // The file opened, to tell whether the name still leads to it once a write lock is held.
    struct stat opened {};
    // The tables added on the first write, as found at opening.
    bool addedTablesPresent = false;
    Status addedTablesProblem;
    std::function<bool()> keepGoing;
    bool stopped = false;
    // The file as the current transaction found it, and whether its details were seen whole since.
    std::optional<FileMark> mark;
    qint64 dataVersion = 0;
    bool whole = false;
};

namespace {

// Engine instructions between two calls of the progress function: a few milliseconds of work.
constexpr int ProgressPeriod = 200000;

} // namespace

int DataLink::progressCallback(void* impl) {
    auto* d = static_cast<Impl*>(impl);
    if (d->keepGoing && !d->keepGoing()) {
        d->stopped = true;
        return 1;
    }
    return 0;
}

void DataLink::setProgress(std::function<bool()> keepGoing) {
    d->keepGoing = std::move(keepGoing);
    d->stopped = false;
    if (d->db)
        sqlite3_progress_handler(d->db->getHandle(), d->keepGoing ? ProgressPeriod : 0,
                                 d->keepGoing ? progressCallback : nullptr, d.get());
}

bool DataLink::stopped() const {
    return d->stopped;
}

DataLink::DataLink() : d(std::make_unique<Impl>()) {}

DataLink::DataLink(const QString& databaseName) : DataLink() {
    m_databaseName = databaseName;
}

DataLink::~DataLink() {
    close();
}

void DataLink::setDatabaseName(const QString& path) {
    if (path != m_databaseName)
        close();
    m_databaseName = path;
}

bool DataLink::isOpen() const {
    return d->db != nullptr;
}

void DataLink::close() {
    d->hold.reset();
    d->prepared.clear();
    d->cursor.reset();
    d->cursorAtEnd = true;
    d->db.reset();
}

namespace {

// Whether the file looks like a cellar before the engine opens it.
Status checkKind(const QString& path) {
    switch (CellarSchema::detectKind(path)) {
    case CellarSchema::FileKind::Missing:
        return CellarSchema::missingFile(path);
    case CellarSchema::FileKind::Jet:
        return CellarSchema::earlierFormat(path);
    case CellarSchema::FileKind::Unreadable:
        return CellarSchema::accessRefused(path, {});
    case CellarSchema::FileKind::SQLite:
        return std::nullopt;
    default:
        return CellarSchema::notACellar(path);
    }
}

// The collations and functions the program's statements use.
void addFunctions(sqlite3* db) {
    sqlite3_create_collation_v2(db, FrenchCollation::Name, SQLITE_UTF8, nullptr, collateFrench, nullptr);
    sqlite3_create_collation_v2(db, FrenchCollation::ReversedName, SQLITE_UTF8, nullptr,
                                collateFrenchReversed, nullptr);
    sqlite3_create_function_v2(db, FrenchCollation::SearchFunction, -1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, searchFrench,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, LotIdentity::Function, CellarSchema::LotColumnCount,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, lotFingerprint,
                               nullptr, nullptr, nullptr);
    LotRules::addSqlFunctions(db);
}

// The columns of each table named, as the file holds them.
std::map<std::string, QStringList> columnsOf(SQLite::Database& db,
                                             const QList<CellarSchema::RequiredTable>& tables) {
    QStringList marks;
    for (int t = 1; t <= tables.size(); ++t)
        marks << QStringLiteral("?%1").arg(t);
    SQLite::Statement info(db, QStringLiteral("SELECT upper(m.name), upper(p.name) FROM sqlite_schema m JOIN "
                                              "pragma_table_info(m.name) p WHERE m.type = 'table' AND "
                                              "upper(m.name) IN (%1)")
                                   .arg(marks.join(QStringLiteral(", ")))
                                   .toStdString());
    for (int t = 0; t < tables.size(); ++t)
        info.bind(t + 1, tables.at(t).name);
    std::map<std::string, QStringList> present;
    while (info.executeStep())
        present[info.getColumn(0).getString()] << QString::fromUtf8(info.getColumn(1).getText());
    return present;
}

// Details written before they carried their lot's fingerprint get it, from the lot they name now: the
// best that can be known of them, once.
void upgradeDetails(SQLite::Database& db, std::map<std::string, QStringList>& present) {
    QStringList& detail = present[CellarSchema::DetailTable];
    if (detail.isEmpty() || detail.contains(QLatin1String(CellarSchema::DetailFingerprint)))
        return;
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    db.exec(QStringLiteral("ALTER TABLE DETAIL ADD COLUMN %1 INTEGER; UPDATE DETAIL SET %1 = (SELECT %2 FROM "
                           "ORNY o WHERE o.rowid = DETAIL.LOT)")
                .arg(QLatin1String(CellarSchema::DetailFingerprint),
                     LotIdentity::fingerprintSql(QStringLiteral("o")))
                .toStdString());
    transaction.commit();
    detail << QLatin1String(CellarSchema::DetailFingerprint);
}

} // namespace

Status DataLink::checkShape(SQLite::Database& db) {
    const QStringList foreign = foreignObjects(db);
    if (!foreign.isEmpty())
        return CellarSchema::foreignObjects(m_databaseName, foreign);
    // The columns of the cellar's tables and of those the program adds, in one reading.
    QList<CellarSchema::RequiredTable> tables = CellarSchema::requiredTables();
    const qsizetype required = tables.size();
    tables += CellarSchema::addedTables();
    std::map<std::string, QStringList> present = columnsOf(db, tables);
    upgradeDetails(db, present);
    d->addedTablesPresent = true;
    d->addedTablesProblem.reset();
    for (qsizetype t = 0; t < tables.size(); ++t) {
        const CellarSchema::RequiredTable& table = tables.at(t);
        const QStringList& columns = present[table.name];
        Status problem;
        if (columns.isEmpty()) {
            if (t >= required) {
                d->addedTablesPresent = false;
                continue;
            }
            problem = CellarSchema::incomplete(m_databaseName,
                                               QStringLiteral("la table %1").arg(QLatin1String(table.name)));
        }
        for (const QString& column : table.columns)
            if (!problem && !columns.contains(column))
                problem = CellarSchema::incomplete(
                    m_databaseName,
                    QStringLiteral("la colonne %1 de la table %2").arg(column, QLatin1String(table.name)));
        if (problem && t < required)
            return problem;
        if (problem && !d->addedTablesProblem)
            d->addedTablesProblem = problem;
    }
    return std::nullopt;
}

Status DataLink::makeDurable(SQLite::Database& db) {
    // A commit is on disk when it returns, and no journal is left beside the file once closed. A file
    // left in WAL mode by another tool has its committed changes written back into it here.
    db.exec("PRAGMA synchronous = FULL");
    SQLite::Statement mode(db, "PRAGMA journal_mode = DELETE");
    if (!mode.executeStep() || mode.getColumn(0).getString() != "delete")
        return CellarSchema::locked(m_databaseName, QStringLiteral("journal_mode"));
    if (::stat(QFile::encodeName(m_databaseName).constData(), &d->opened) != 0)
        return CellarSchema::missingFile(m_databaseName);
    return std::nullopt;
}

Status DataLink::open() {
    if (d->db)
        return std::nullopt;
    if (Status status = checkKind(m_databaseName))
        return status;
    std::unique_ptr<SQLite::Database> db;
    try {
        db = std::make_unique<SQLite::Database>(m_databaseName.toStdString(), SQLite::OPEN_READWRITE,
                                                BusyTimeoutMs);
        makeDefensive(db->getHandle());
        addFunctions(db->getHandle());
        if (Status status = checkShape(*db))
            return status;
        if (Status status = makeDurable(*db))
            return status;
        if (d->keepGoing)
            sqlite3_progress_handler(db->getHandle(), ProgressPeriod, progressCallback, d.get());
        d->db = std::move(db);
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        return fromException(m_databaseName, db ? db->getHandle() : nullptr, e);
    }
}

qint64 DataLink::lastInsertId() const {
    return d->db ? d->db->getLastInsertRowid() : 0;
}

Status DataLink::addedTables(bool& present) const {
    present = d->addedTablesPresent;
    return d->addedTablesProblem;
}

void DataLink::addedTablesCreated() {
    d->addedTablesPresent = true;
}

bool DataLink::stillThere() const {
    // A move deletes the file only while it holds the write lock: once this link holds it in turn, a
    // name that no longer leads to the file opened means that the cellar has gone elsewhere.
    struct stat now {};
    return ::stat(QFile::encodeName(m_databaseName).constData(), &now) == 0 &&
           now.st_dev == d->opened.st_dev && now.st_ino == d->opened.st_ino;
}

Status DataLink::backupTo(const QString& path, qint64& lots, bool yieldToWriters) {
    if (Status status = open())
        return status;
    d->cursor.reset();
    if (QFile::exists(path))
        return CellarSchema::engineFailure(path, QStringLiteral("le fichier existe déjà"));
    try {
        // Within one read transaction, the count and the copy see the same cellar.
        std::unique_ptr<SQLite::Transaction> snapshot;
        if (!yieldToWriters) {
            snapshot = std::make_unique<SQLite::Transaction>(*d->db, SQLite::TransactionBehavior::DEFERRED);
            SQLite::Statement count(*d->db, "SELECT COUNT(*) FROM ORNY");
            count.executeStep();
            lots = count.getColumn(0).getInt64();
        }
        SQLite::Database copy(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        // The copy is readable by whom the cellar is, before it holds a byte of it.
        struct stat cellar {};
        if (::stat(QFile::encodeName(m_databaseName).constData(), &cellar) != 0 ||
            ::chmod(QFile::encodeName(path).constData(), cellar.st_mode & 07777) != 0)
            return CellarSchema::accessRefused(path, QString::fromLocal8Bit(std::strerror(errno)));
        copy.exec("PRAGMA synchronous = FULL");
        sqlite3_backup* backup = sqlite3_backup_init(copy.getHandle(), "main", d->db->getHandle(), "main");
        if (!backup)
            return failureOf(path, sqlite3_extended_errcode(copy.getHandle()),
                             sqlite3_system_errno(copy.getHandle()),
                             QString::fromUtf8(sqlite3_errmsg(copy.getHandle())));
        int stepped = SQLITE_OK;
        if (!yieldToWriters) {
            stepped = sqlite3_backup_step(backup, -1);
        } else {
            // A megabyte at a time, the cellar free between two steps: a writer waits one step at most, and
            // the copy starts again if he wrote. A cellar held by another program for half a minute ends it;
            // one written without a pause is copied in one step after twenty fresh starts.
            int waits = 0;
            int restarts = 0;
            int remaining = -1;
            for (;;) {
                stepped = sqlite3_backup_step(backup, restarts > 20 ? -1 : 256);
                const bool busy = stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED;
                if ((stepped != SQLITE_OK && !busy) || (busy && ++waits > 3000))
                    break;
                if (!busy) {
                    waits = 0;
                    if (remaining >= 0 && sqlite3_backup_remaining(backup) > remaining)
                        ++restarts;
                    remaining = sqlite3_backup_remaining(backup);
                }
                sqlite3_sleep(busy ? 10 : 1);
            }
        }
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
            const int code = finished != SQLITE_OK ? finished : stepped;
            return failureOf(path, code, sqlite3_system_errno(copy.getHandle()),
                             QString::fromUtf8(sqlite3_errstr(code)));
        }
        copy.exec("PRAGMA journal_mode = DELETE");
        if (yieldToWriters) {
            SQLite::Statement count(copy, "SELECT COUNT(*) FROM ORNY");
            count.executeStep();
            lots = count.getColumn(0).getInt64();
        }
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        return fromException(path, nullptr, e);
    }
}

Status DataLink::check(const QString& path, qint64 lots) {
    DataLink copy(path);
    const DbRows checked = copy.query(QStringLiteral("SELECT (SELECT quick_check FROM pragma_quick_check), "
                                                     "(SELECT COUNT(*) FROM ORNY)"));
    if (!checked.ok())
        return checked.error;
    if (checked.rows.front().at(0).toString() != QLatin1String("ok") ||
        checked.rows.front().at(1).toLongLong() != lots)
        return CellarSchema::notACellar(path, QStringLiteral("contrôle de la copie"));
    return std::nullopt;
}

DbRows DataLink::query(const QString& sql, const QVariantList& params) {
    DbRows result;
    if (Status status = open()) {
        result.error = status;
        return result;
    }
    d->cursor.reset();
    try {
        SQLite::Statement st(*d->db, sql.toStdString());
        bindAll(st, params);
        result.columns = columnNames(st);
        while (st.executeStep()) {
            DbRow row;
            row.reserve(static_cast<size_t>(result.columns.size()));
            for (int i = 0; i < result.columns.size(); ++i)
                row.push_back(columnValue(st.getColumn(i)));
            result.rows.push_back(std::move(row));
        }
    } catch (const SQLite::Exception& e) {
        result.rows.clear();
        result.error = fromException(m_databaseName, d->db->getHandle(), e);
    }
    return result;
}

Status DataLink::execute(const QString& sql, const QVariantList& params, int* changed) {
    if (Status status = open())
        return status;
    try {
        std::unique_ptr<SQLite::Statement>& st = d->prepared[sql];
        if (!st)
            st = std::make_unique<SQLite::Statement>(*d->db, sql.toStdString());
        st->reset();
        st->clearBindings();
        bindAll(*st, params);
        const int n = st->exec();
        st->reset();
        if (changed)
            *changed = n;
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->prepared.erase(sql);
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

Status DataLink::write(const std::function<Status(DataLink&)>& body) {
    if (Status status = open())
        return status;
    d->cursor.reset();
    // Tables created by a write that is rolled back are gone with it.
    const bool addedTablesBefore = d->addedTablesPresent;
    Status status;
    try {
        SQLite::Transaction transaction(*d->db, SQLite::TransactionBehavior::IMMEDIATE);
        if (!stillThere())
            return CellarSchema::moved(m_databaseName);
        lookAtStart();
        status = body(*this);
        if (!status) {
            transaction.commit();
            rememberAfterCommit();
        }
    } catch (const SQLite::Exception& e) {
        status = fromException(m_databaseName, d->db->getHandle(), e);
    }
    if (status)
        d->addedTablesPresent = addedTablesBefore;
    return status;
}

Status DataLink::read(const std::function<Status(DataLink&)>& body) {
    if (Status status = open())
        return status;
    d->cursor.reset();
    try {
        SQLite::Transaction transaction(*d->db, SQLite::TransactionBehavior::DEFERRED);
        // Reading the data version takes the read lock: no writer can commit until the end.
        lookAtStart();
        Status status = body(*this);
        if (!status && d->whole && d->mark)
            FileMark::rememberWhole(*d->mark);
        transaction.commit();
        return status;
    } catch (const SQLite::Exception& e) {
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

namespace {

qint64 dataVersion(SQLite::Database& db) {
    SQLite::Statement version(db, "PRAGMA data_version");
    return version.executeStep() ? version.getColumn(0).getInt64() : -1;
}

} // namespace

void DataLink::lookAtStart() {
    d->dataVersion = dataVersion(*d->db);
    d->mark = FileMark::of(m_databaseName);
    d->whole = false;
}

bool DataLink::detailsMayBeBroken() const {
    return !d->mark || !FileMark::seenWhole(*d->mark);
}

void DataLink::detailsWhole() {
    d->whole = true;
}

void DataLink::rememberAfterCommit() {
    if (!d->whole || !d->mark)
        return;
    d->whole = false;
    // The file as this commit left it, provided no other connection committed since (the data version
    // moves only with others' commits): else the next write looks at every detail again.
    try {
        SQLite::Transaction look(*d->db, SQLite::TransactionBehavior::DEFERRED);
        if (dataVersion(*d->db) == d->dataVersion)
            if (const std::optional<FileMark> now = FileMark::of(m_databaseName))
                FileMark::rememberWhole(*now);
        look.commit();
    } catch (const SQLite::Exception&) {
        // Nothing remembered: the next write checks every detail, as it would have.
    }
}

Status DataLink::holdForCopy() {
    if (Status status = open())
        return status;
    d->cursor.reset();
    d->prepared.clear();
    try {
        d->hold = std::make_unique<SQLite::Transaction>(*d->db, SQLite::TransactionBehavior::IMMEDIATE);
        if (!stillThere()) {
            d->hold.reset();
            return CellarSchema::moved(m_databaseName);
        }
        // Reading makes the engine take in a journal left by a writer that died, before the file is copied.
        SQLite::Statement probe(*d->db, "SELECT COUNT(*) FROM sqlite_schema");
        probe.executeStep();
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->hold.reset();
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

Status DataLink::openCursor(const QString& sql, const QVariantList& params) {
    d->cursor.reset();
    d->cursorAtEnd = true;
    if (Status status = open())
        return status;
    try {
        d->cursor = std::make_unique<SQLite::Statement>(*d->db, sql.toStdString());
        bindAll(*d->cursor, params);
        d->cursorAtEnd = false;
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->cursor.reset();
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

Status DataLink::fetch(int count, std::vector<DbRow>& out) {
    if (!d->cursor || d->cursorAtEnd)
        return std::nullopt;
    try {
        const int columns = d->cursor->getColumnCount();
        for (int n = 0; n < count; ++n) {
            if (!d->cursor->executeStep()) {
                d->cursorAtEnd = true;
                break;
            }
            DbRow row;
            row.reserve(static_cast<size_t>(columns));
            for (int i = 0; i < columns; ++i)
                row.push_back(columnValue(d->cursor->getColumn(i)));
            out.push_back(std::move(row));
        }
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->cursorAtEnd = true;
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

Status DataLink::fetchCells(int count, const std::function<void(const std::vector<Cell>&)>& row) {
    if (!d->cursor || d->cursorAtEnd)
        return std::nullopt;
    try {
        std::vector<Cell> cells(static_cast<size_t>(d->cursor->getColumnCount()));
        for (int n = 0; n < count; ++n) {
            if (!d->cursor->executeStep()) {
                d->cursorAtEnd = true;
                break;
            }
            for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
                const SQLite::Column column = d->cursor->getColumn(i);
                Cell& cell = cells[static_cast<size_t>(i)];
                switch (column.getType()) {
                case SQLITE_INTEGER:
                    cell.kind = Cell::Kind::Integer;
                    cell.integer = column.getInt64();
                    break;
                case SQLITE_FLOAT:
                    cell.kind = Cell::Kind::Real;
                    cell.real = column.getDouble();
                    break;
                case SQLITE_NULL:
                    cell.kind = Cell::Kind::Null;
                    break;
                default:
                    cell.kind = Cell::Kind::Text;
                    cell.text = std::string_view(column.getText(), static_cast<size_t>(column.getBytes()));
                    break;
                }
            }
            row(cells);
        }
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->cursorAtEnd = true;
        return fromException(m_databaseName, d->db->getHandle(), e);
    }
}

bool DataLink::cursorAtEnd() const {
    return d->cursorAtEnd;
}

QStringList DataLink::cursorColumns() const {
    return d->cursor ? columnNames(*d->cursor) : QStringList();
}
