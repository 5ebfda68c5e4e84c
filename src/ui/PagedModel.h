// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QAbstractTableModel>

// The rows of a statement, read from the database a screenful at a time as a grid scrolls to them. Each
// page asks for the rows after the last one held: the statement's rows are `leading` columns the grid
// does not show (a row's identity), the shown columns, then the order keys of the row, which the next page
// starts after. Read-only.
class PagedModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int BatchSize = 200;

    PagedModel(DataLink& link, int leading, int columns, QObject* parent = nullptr);

    // No rows, the headers only; the link closed.
    void clear();
    // A row held, leading columns first.
    const DbRow& rowAt(int row) const { return m_rows.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Every row not read yet, in one statement: for going to the last row at once.
    void fetchRest();

signals:
    void fetchFailed(const Failure& error);

protected:
    struct Statement {
        QString sql;
        QVariantList params;
    };
    // The rows after `after` (nothing: from the first), at most `limit` of them.
    virtual Statement page(const QVariantList& after, int limit) const = 0;
    // Starts again from the first page; on failure the grid is left empty with its headers.
    Status reload();
    // The value of a shown cell; of a column of the statement's, after the leading ones.
    const QVariant& valueAt(const QModelIndex& index) const { return valueAt(index.row(), index.column()); }
    const QVariant& valueAt(int row, int column) const;

private:
    // At most `limit` rows more (-1: all).
    Status fetch(std::vector<DbRow>& rows, int limit);
    void append(int limit);

    DataLink& m_link;
    int m_leading;
    int m_columns;
    std::vector<DbRow> m_rows;
    QVariantList m_lastKeys;
    bool m_atEnd = true;
    Status m_fetchError;
};
