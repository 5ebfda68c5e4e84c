// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryModel.h"

#include "ui/Numbers.h"

using namespace HistoryQuery;

HistoryModel::HistoryModel(DataLink& link, QObject* parent) : PagedModel(link, 1, ColumnCount, parent) {}

PagedModel::Statement HistoryModel::page(const QVariantList& after, int limit) const {
    const HistoryQuery::Statement next = HistoryQuery::page(m_filter, after, limit);
    return {next.sql, next.params};
}

Status HistoryModel::show(const Filter& filter) {
    m_filter = filter;
    return reload();
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const QVariant& value = valueAt(index);
    switch (role) {
    case Qt::DisplayRole:
        // Bottles in with their sign, so that what came in and what went out read apart.
        if (index.column() == Bouteilles && value.toDouble() > 0)
            return QStringLiteral("+") + Numbers::formatValue(value);
        return Numbers::formatValue(value);
    case Qt::TextAlignmentRole:
        if (index.column() >= Bouteilles)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == Annee)
            return QVariant::fromValue(Qt::AlignCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(Captions[section]);
    return PagedModel::headerData(section, orientation, role);
}
