// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarModel.h"

#include "ui/Numbers.h"

using namespace CellarQuery;

namespace {
const char* const Captions[ColumnCount] = {"Nom", "Type",       "Année",     "Couleur",
                                           "Qté", "Prix Unit.", "Prix total"};
} // namespace

CellarModel::CellarModel(DataLink& link, QObject* parent) : PagedModel(link, 1, ColumnCount, parent) {}

PagedModel::Statement CellarModel::page(const QVariantList& after, int limit) const {
    const CellarQuery::Statement next = CellarQuery::page(m_shown, after, limit);
    return {next.sql, next.params};
}

Status CellarModel::show(const Shown& shown) {
    m_shown = shown;
    return reload();
}

QVariant CellarModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const QVariant& value = valueAt(index);
    switch (role) {
    case Qt::DisplayRole:
        return Numbers::formatValue(value);
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case Annee:
        case Quantite:
            return QVariant::fromValue(Qt::AlignCenter);
        case PrixUnitaire:
        case Total: {
            // General alignment: numbers to the right, text to the left.
            const bool number = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong;
            return QVariant::fromValue((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return {};
    }
}

QVariant CellarModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(Captions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}
