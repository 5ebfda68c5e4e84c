// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace SQLite {
class Database;
}

using DbRow = std::vector<QVariant>;

// The rows a statement returned, with its column names.
struct DbRows {
    QStringList columns;
    std::vector<DbRow> rows;
    Status error;

    bool ok() const { return !error.has_value(); }
    int column(const QString& name) const;
    // The texts of one column, nulls left out.
    QStringList texts(const QString& name) const;
};

// A window's link to the cellar database: a file name, one statement at a time, then close.
// It opens an existing cellar only, never creates one, and checks its shape when it opens.
// Values are always bound parameters; text comparisons may use the FRANCAIS collation.
class DataLink {
public:
    DataLink();
    explicit DataLink(const QString& databaseName);
    ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    void setDatabaseName(const QString& path);
    const QString& databaseName() const { return m_databaseName; }

    DbRows query(const QString& sql, const QVariantList& params = {});
    // Runs a statement that returns no rows; the number of rows changed comes back in changed.
    Status execute(const QString& sql, const QVariantList& params = {}, int* changed = nullptr);
    // The rowid of the last row this link inserted.
    qint64 lastInsertId() const;
    // Runs body inside one transaction: committed durably if body succeeds, rolled back otherwise.
    Status write(const std::function<Status(DataLink&)>& body);
    // Runs body inside one read transaction: all it reads is one state of the cellar.
    Status read(const std::function<Status(DataLink&)>& body);

    // Within write() or read(): whether another program may have broken the links of the details since
    // the program last saw them whole (see LotIdentity). False only while the file is exactly as the
    // program's last look, or its own writes since, left it.
    bool detailsMayBeBroken() const;
    // Within write() or read(): the details are whole as the cellar now stands. Remembered once the
    // transaction ends, when no other program wrote in between.
    void detailsWhole();

    // Keeps every other connection from writing the cellar until close(), with all it has committed in the
    // file itself (a journal left behind is taken in first): the file can then be copied as it stands.
    Status holdForCopy();

    // Copies the cellar, as the engine sees it at one instant, into a new file (which must not exist) with
    // the cellar's permissions, and returns how many lots it held. Other connections may go on reading
    // meanwhile; writers wait for the end of the copy, or, when `yieldToWriters`, only a moment.
    Status backupTo(const QString& path, qint64& lots, bool yieldToWriters = false);
    // Whether the file is a sound cellar holding that many lots.
    static Status check(const QString& path, qint64 lots);

    // A statement whose rows are read on demand (the cellar grid). Opening one ends the previous one.
    Status openCursor(const QString& sql, const QVariantList& params = {});
    Status fetch(int count, std::vector<DbRow>& out);
    // The same rows as the engine holds them, handed to `row` one at a time without a copy: what a file
    // written from many rows reads (the cells are valid only during the call).
    struct Cell {
        enum class Kind { Null, Integer, Real, Text } kind = Kind::Null;
        qint64 integer = 0;
        double real = 0;
        std::string_view text; // UTF-8
    };
    Status fetchCells(int count, const std::function<void(const std::vector<Cell>&)>& row);
    bool cursorAtEnd() const;
    QStringList cursorColumns() const;

    // Called now and then while a statement runs, for work that may last: false stops the statement, and
    // the write it belongs to is rolled back (its failure then says so). Nothing while unset.
    void setProgress(std::function<bool()> keepGoing);
    // Whether the last failure came from keepGoing answering false.
    bool stopped() const;

    Status open();
    bool isOpen() const;

    // The tables the program adds on its first write, as found when the link opened: whether they are all
    // there, and what one that is there lacks.
    Status addedTables(bool& present) const;
    void addedTablesCreated();
    void close();

private:
    bool stillThere() const;
    // The steps of open(): the tables and columns the file holds, then how it is written.
    Status checkShape(SQLite::Database& db);
    Status makeDurable(SQLite::Database& db);
    // The file's mark and the engine's data version as a transaction starts, and after a commit what the
    // details being whole is remembered by.
    void lookAtStart();
    void rememberAfterCommit();

    struct Impl;
    static int progressCallback(void* impl);
    QString m_databaseName;
    std::unique_ptr<Impl> d;
};
