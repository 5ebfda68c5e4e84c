// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "view/CellarViews.h"

#include <QAbstractTableModel>

// The rows of the current view, read from the database as the grid scrolls to them. Read-only; values
// show as a person reads them, in the user's locale, with no number format of their own.
class CellarModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    static constexpr int BatchSize = 200;

    explicit CellarModel(DataLink& link, QObject* parent = nullptr);

    // Runs the view; on failure the grid is left empty with its headers, and the failure returned.
    Status show(const CellarViews::Statement& statement);
    // No rows, the headers only.
    void clear();
    Status lastFetchError() const { return m_fetchError; }

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
    DataLink& m_link;
    std::vector<DbRow> m_rows;
    Status m_fetchError;
};
