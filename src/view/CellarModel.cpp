// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarModel.h"

#include "ui/Numbers.h"

#include <QColor>

using namespace CellarQuery;

namespace {
// Dark red: a vintage whose time to drink has passed.
const QColor PastItsTime(0x8B, 0x00, 0x00);
// Before the shown columns, the lot's rowid.
constexpr int Leading = 1;
} // namespace

CellarModel::CellarModel(DataLink& link, QObject* parent)
    : QAbstractTableModel(parent), m_link(link),
      m_window(Leading + ColumnCount,
               [this](const Paging& paging) {
                   const CellarQuery::Statement page = CellarQuery::page(m_shown, paging);
                   return m_link.query(page.sql, page.params);
               }),
      m_currentYear(QDate::currentDate().year()) {
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

Status CellarModel::show(const Shown& shown, qint64 rows) {
    beginResetModel();
    m_shown = shown;
    m_window.reset(rows);
    m_window.row(0);
    const Status failure = m_window.failure();
    if (failure)
        m_window.reset(0);
    endResetModel();
    if (const auto [first, count] = m_window.lastRead(); count > 0)
        emit rowsRead(static_cast<int>(first), static_cast<int>(first + count - 1));
    return failure;
}

void CellarModel::clear() {
    beginResetModel();
    m_window.reset(0);
    m_link.close();
    endResetModel();
}

const DbRow* CellarModel::rowAt(int row) const {
    const bool failed = m_window.failure().has_value();
    const DbRow* found = m_window.row(row);
    // Read while the grid paints: the grid is told once its painting is over.
    if (const auto [first, count] = m_window.lastRead(); count > 0)
        QMetaObject::invokeMethod(
            const_cast<CellarModel*>(this),
            [this, first = static_cast<int>(first), last = static_cast<int>(first + count - 1)] {
                emit const_cast<CellarModel*>(this)->rowsRead(first, last);
            },
            Qt::QueuedConnection);
    if (!failed && m_window.failure())
        QMetaObject::invokeMethod(
            const_cast<CellarModel*>(this),
            [this, error = *m_window.failure()] { emit const_cast<CellarModel*>(this)->fetchFailed(error); },
            Qt::QueuedConnection);
    return found;
}

const QVariant& CellarModel::valueAt(int row, int column) const {
    static const QVariant none;
    const DbRow* values = rowAt(row);
    return values ? values->at(static_cast<size_t>(Leading + column)) : none;
}

qint64 CellarModel::rowidAt(int row) const {
    const DbRow* values = rowAt(row);
    return values ? values->front().toLongLong() : 0;
}

Result<int> CellarModel::rowOf(qint64 lot) {
    const CellarQuery::Statement keys = CellarQuery::keysOf(m_shown, lot);
    const DbRows found = m_link.query(keys.sql, keys.params);
    if (!found.ok())
        return *found.error;
    if (found.rows.empty())
        return -1;
    const DbRow& row = found.rows.front();
    const CellarQuery::Statement before =
        CellarQuery::rowsBefore(m_shown, QVariantList(row.cbegin(), row.cend()));
    const DbRows counted = m_link.query(before.sql, before.params);
    if (!counted.ok())
        return *counted.error;
    const qint64 at = counted.rows.front().front().toLongLong();
    return at < rowCount() ? static_cast<int>(at) : -1;
}

int CellarModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_window.size());
}

int CellarModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shownColumns.size());
}

Qt::ItemFlags CellarModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
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
