// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "view/CellarQuery.h"
#include "view/RowWindow.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>

// The rows of the view shown, every one of them in the grid's reach but only a few pages of them read and
// held at a time (see RowWindow), whatever the size of the cellar. Values show as a person reads them, in
// the user's locale, with no number format of their own.
class CellarModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CellarModel(DataLink& link, QObject* parent = nullptr);

    // The seven columns always; the location and the drinking window when the user asks for them.
    void setOptionalColumns(bool emplacement, bool aBoire);
    // The query's column a grid column shows.
    int queryColumn(int shownColumn) const { return m_shownColumns.at(shownColumn); }
    const QList<int>& shownColumns() const { return m_shownColumns; }
    // The year a drinking window is compared with.
    void setCurrentYear(int year) { m_currentYear = year; }

    // Shows the view, of `rows` rows as its totals counted them; on failure the grid is left empty with its
    // headers, and the failure returned.
    Status show(const CellarQuery::Shown& shown, qint64 rows);
    const CellarQuery::Shown& shown() const { return m_shown; }
    // No rows, the headers only; the link closed.
    void clear();
    // The lot a row shows; 0 when it cannot be read.
    qint64 rowidAt(int row) const;
    // The row showing the lot, -1 when the view does not show it.
    Result<int> rowOf(qint64 lot);
    // The rows held in memory now.
    qint64 heldRows() const { return m_window.heldRows(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void fetchFailed(const Failure& error);
    // Rows just read from the cellar, from `first` to `last`.
    void rowsRead(int first, int last);

private:
    // The value of a column of the query's, a null one when its row cannot be read.
    const QVariant& valueAt(int row, int column) const;
    // The row, read if it must be; what was read told once the event loop runs again.
    const DbRow* rowAt(int row) const;

    DataLink& m_link;
    mutable RowWindow m_window;
    CellarQuery::Shown m_shown;
    QList<int> m_shownColumns;
    int m_currentYear;
};
