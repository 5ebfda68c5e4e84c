// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarModel.h"

#include "ui/Numbers.h"

namespace {
const char* const Captions[CellarModel::ColumnCount] = {"Nom", "Type",       "Année",     "Couleur",
                                                        "Qté", "Prix Unit.", "Prix total"};
} // namespace

CellarModel::CellarModel(DataLink& link, QObject* parent) : QAbstractTableModel(parent), m_link(link) {}

Status CellarModel::show(const CellarViews::Statement& statement) {
    beginResetModel();
    m_rows.clear();
    m_fetchError.reset();
    Status status = m_link.openCursor(statement.sql, statement.params);
    if (!status)
        status = m_link.fetch(BatchSize, m_rows);
    if (status)
        m_rows.clear();
    endResetModel();
    return status;
}

void CellarModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_fetchError.reset();
    m_link.close();
    endResetModel();
}

int CellarModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CellarModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CellarModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const QVariant& value =
        m_rows.at(static_cast<size_t>(index.row())).at(static_cast<size_t>(index.column()));
    switch (role) {
    case Qt::DisplayRole:
        return Numbers::formatValue(value);
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case 2:
        case 4:
            return QVariant::fromValue(Qt::AlignCenter);
        case 5:
        case 6: {
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

Qt::ItemFlags CellarModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool CellarModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fetchError && !m_link.cursorAtEnd();
}

void CellarModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    std::vector<DbRow> batch;
    m_fetchError = m_link.fetch(BatchSize, batch);
    if (m_fetchError) {
        emit fetchFailed(*m_fetchError);
        return;
    }
    if (batch.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    std::move(batch.begin(), batch.end(), std::back_inserter(m_rows));
    endInsertRows();
}
