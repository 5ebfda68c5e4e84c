// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarModel.h"

#include "ui/Numbers.h"

#include <QColor>

using namespace CellarQuery;

namespace {
// Dark red: a vintage whose time to drink has passed.
const QColor PastItsTime(0x8B, 0x00, 0x00);
} // namespace

CellarModel::CellarModel(DataLink& link, QObject* parent)
    : PagedModel(link, 1, ColumnCount, parent), m_currentYear(QDate::currentDate().year()) {
    setOptionalColumns(false, false);
}

void CellarModel::setOptionalColumns(bool emplacement, bool aBoire) {
    beginResetModel();
    m_shownColumns.clear();
    for (int column = 0; column < PartColumnCount; ++column)
        m_shownColumns << column;
    if (emplacement)
        m_shownColumns << Emplacement;
    if (aBoire)
        m_shownColumns << ABoire;
    endResetModel();
}

PagedModel::Statement CellarModel::page(const QVariantList& after, int limit) const {
    const CellarQuery::Statement next = CellarQuery::page(m_shown, after, limit);
    return {next.sql, next.params};
}

Status CellarModel::show(const Shown& shown) {
    m_shown = shown;
    return reload();
}

int CellarModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shownColumns.size());
}

QVariant CellarModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int column = m_shownColumns.at(index.column());
    const QVariant& value = valueAt(index.row(), column);
    switch (role) {
    case Qt::DisplayRole:
        return Numbers::formatValue(value);
    case Qt::ForegroundRole: {
        const QVariant& until = valueAt(index.row(), JusquA);
        if (column == Annee && !until.isNull() && until.toLongLong() < m_currentYear)
            return PastItsTime;
        return {};
    }
    case Qt::TextAlignmentRole:
        switch (Columns[column].alignment) {
        case Alignment::Centre:
            return QVariant::fromValue(Qt::AlignCenter);
        case Alignment::General: {
            const bool number = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong;
            return QVariant::fromValue((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        case Alignment::Left:
            break;
        }
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CellarModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_shownColumns.size())
        return QString::fromUtf8(Columns[m_shownColumns.at(section)].caption);
    return QAbstractTableModel::headerData(section, orientation, role);
}
