// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PagedModel.h"
#include "view/CellarQuery.h"

#include <QDate>
#include <QList>

// The rows of the view shown, a screenful at a time. Values show as a person reads them, in the user's
// locale, with no number format of their own.
class CellarModel : public PagedModel {
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

    // Shows the view; on failure the grid is left empty with its headers, and the failure returned.
    Status show(const CellarQuery::Shown& shown);
    const CellarQuery::Shown& shown() const { return m_shown; }
    // The lot a row shows.
    qint64 rowidAt(int row) const { return rowAt(row).front().toLongLong(); }

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    Statement page(const QVariantList& after, int limit) const override;

private:
    CellarQuery::Shown m_shown;
    QList<int> m_shownColumns;
    int m_currentYear;
};
