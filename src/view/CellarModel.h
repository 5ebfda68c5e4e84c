// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "view/CellarQuery.h"

#include <QAbstractTableModel>

// The rows of the view shown, read from the database a screenful at a time as the grid scrolls to them.
// Read-only; values show as a person reads them, in the user's locale, with no number format of their own.
class CellarModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int BatchSize = 200;

    explicit CellarModel(DataLink& link, QObject* parent = nullptr);

    // Shows the view; on failure the grid is left empty with its headers, and the failure returned.
    Status show(const CellarQuery::Shown& shown);
    // No rows, the headers only.
    void clear();
    const CellarQuery::Shown& shown() const { return m_shown; }
    // The lot a row shows.
    qint64 rowidAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    void fetchFailed(const Failure& error);

private:
    // The next page after the last row held.
    Status fetch(std::vector<DbRow>& rows);

    DataLink& m_link;
    CellarQuery::Shown m_shown;
    std::vector<DbRow> m_rows; // rowid and the seven columns
    QVariantList m_lastKeys;
    bool m_atEnd = true;
    Status m_fetchError;
};
