// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/HistoryQuery.h"
#include "ui/PagedModel.h"

// The movements of the history, newest first, a screenful at a time.
class HistoryModel : public PagedModel {
    Q_OBJECT
public:
    explicit HistoryModel(DataLink& link, QObject* parent = nullptr);

    Status show(const HistoryQuery::Filter& filter);
    const HistoryQuery::Filter& filter() const { return m_filter; }

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    Statement page(const QVariantList& after, int limit) const override;

private:
    HistoryQuery::Filter m_filter;
};
