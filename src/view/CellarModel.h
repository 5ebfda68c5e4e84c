// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PagedModel.h"
#include "view/CellarQuery.h"

// The rows of the view shown, a screenful at a time. Values show as a person reads them, in the user's
// locale, with no number format of their own.
class CellarModel : public PagedModel {
    Q_OBJECT
public:
    explicit CellarModel(DataLink& link, QObject* parent = nullptr);

    // Shows the view; on failure the grid is left empty with its headers, and the failure returned.
    Status show(const CellarQuery::Shown& shown);
    const CellarQuery::Shown& shown() const { return m_shown; }
    // The lot a row shows.
    qint64 rowidAt(int row) const { return rowAt(row).front().toLongLong(); }

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    Statement page(const QVariantList& after, int limit) const override;

private:
    CellarQuery::Shown m_shown;
};
