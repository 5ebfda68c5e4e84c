// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/DataLink.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <map>
#include <string>

namespace {

constexpr int BusyTimeoutMs = 3000;

int collateFrench(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return FrenchCollation::compare(static_cast<const char*>(a), lengthA, static_cast<const char*>(b),
                                    lengthB);
}

struct RequiredTable {
    const char* name;
    QStringList columns;
};

const RequiredTable RequiredTables[] = {
    {"ORNY", {"NOM", "TYPE", "ANNEE", "COULEUR", "QUANTITE", "PRIXUNITAIRE"}},
    {"COULEUR", {"LIBELLE"}},
};

DbError fromException(const QString& path, const SQLite::Exception& e) {
    const QString detail = QString::fromUtf8(e.what());
    switch (e.getErrorCode()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return CellarSchema::locked(path, detail);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return CellarSchema::notACellar(path, detail);
    default:
        return CellarSchema::engineFailure(path, detail);
    }
}

QVariant columnValue(const SQLite::Column& c) {
    switch (c.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(c.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(c.getDouble());
    case SQLITE_NULL:
        return QVariant();
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
    std::map<std::string, std::unique_ptr<SQLite::Statement>> prepared;
    std::unique_ptr<SQLite::Statement> cursor;
    bool cursorAtEnd = true;
};

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
    d->prepared.clear();
    d->cursor.reset();
    d->cursorAtEnd = true;
    d->db.reset();
}

DbStatus DataLink::open() {
    if (d->db)
        return std::nullopt;
    switch (CellarSchema::detectKind(m_databaseName)) {
    case CellarSchema::FileKind::Missing:
        return CellarSchema::missingFile(m_databaseName);
    case CellarSchema::FileKind::Jet:
        return CellarSchema::earlierFormat(m_databaseName);
    case CellarSchema::FileKind::SQLite:
        break;
    default:
        return CellarSchema::notACellar(m_databaseName);
    }
    try {
        auto db = std::make_unique<SQLite::Database>(m_databaseName.toStdString(), SQLite::OPEN_READWRITE,
                                                     BusyTimeoutMs);
        sqlite3_create_collation_v2(db->getHandle(), FrenchCollation::Name, SQLITE_UTF8, nullptr,
                                    collateFrench, nullptr);
        for (const RequiredTable& table : RequiredTables) {
            SQLite::Statement info(*db,
                                   std::string("SELECT name FROM pragma_table_info('") + table.name + "')");
            QStringList present;
            while (info.executeStep())
                present << QString::fromUtf8(info.getColumn(0).getText()).toUpper();
            if (present.isEmpty())
                return CellarSchema::incomplete(m_databaseName,
                                                QStringLiteral("la table %1").arg(QLatin1String(table.name)));
            for (const QString& column : table.columns)
                if (!present.contains(column))
                    return CellarSchema::incomplete(m_databaseName,
                                                    QStringLiteral("la colonne %1 de la table %2")
                                                        .arg(column, QLatin1String(table.name)));
        }
        // A commit is on disk when it returns, and no journal is left beside the file once closed.
        db->exec("PRAGMA synchronous = FULL");
        db->exec("PRAGMA journal_mode = DELETE");
        d->db = std::move(db);
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        return fromException(m_databaseName, e);
    }
}

DbRows DataLink::query(const QString& sql, const QVariantList& params) {
    DbRows result;
    if (DbStatus status = open()) {
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
        result.error = fromException(m_databaseName, e);
    }
    return result;
}

DbStatus DataLink::execute(const QString& sql, const QVariantList& params, int* changed) {
    if (DbStatus status = open())
        return status;
    try {
        std::unique_ptr<SQLite::Statement>& st = d->prepared[sql.toStdString()];
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
        d->prepared.erase(sql.toStdString());
        return fromException(m_databaseName, e);
    }
}

DbStatus DataLink::write(const std::function<DbStatus(DataLink&)>& body) {
    if (DbStatus status = open())
        return status;
    d->cursor.reset();
    if (DbStatus status = execute(QStringLiteral("BEGIN IMMEDIATE")))
        return status;
    DbStatus status = body(*this);
    if (!status)
        status = execute(QStringLiteral("COMMIT"));
    if (status && sqlite3_get_autocommit(d->db->getHandle()) == 0)
        sqlite3_exec(d->db->getHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
}

DbStatus DataLink::openCursor(const QString& sql, const QVariantList& params) {
    d->cursor.reset();
    d->cursorAtEnd = true;
    if (DbStatus status = open())
        return status;
    try {
        d->cursor = std::make_unique<SQLite::Statement>(*d->db, sql.toStdString());
        bindAll(*d->cursor, params);
        d->cursorAtEnd = false;
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        d->cursor.reset();
        return fromException(m_databaseName, e);
    }
}

DbStatus DataLink::fetch(int count, std::vector<DbRow>& out) {
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
        return fromException(m_databaseName, e);
    }
}

bool DataLink::cursorAtEnd() const {
    return d->cursorAtEnd;
}

QStringList DataLink::cursorColumns() const {
    return d->cursor ? columnNames(*d->cursor) : QStringList();
}
