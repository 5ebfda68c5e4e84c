// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarModel.h"

#include "ui/Numbers.h"

using namespace CellarQuery;

namespace {
const char* const Captions[ColumnCount] = {"Nom", "Type",       "Année",     "Couleur",
                                           "Qté", "Prix Unit.", "Prix total"};
// The rowid comes before the columns in a row held.
constexpr size_t FirstColumn = 1;
} // namespace

CellarModel::CellarModel(DataLink& link, QObject* parent) : QAbstractTableModel(parent), m_link(link) {}

Status CellarModel::fetch(std::vector<DbRow>& rows) {
    const Statement page = CellarQuery::page(m_shown, m_lastKeys, BatchSize);
    DbRows result = m_link.query(page.sql, page.params);
    if (!result.ok())
        return result.error;
    m_atEnd = result.rows.size() < static_cast<size_t>(BatchSize);
    if (!result.rows.empty()) {
        const DbRow& last = result.rows.back();
        m_lastKeys.clear();
        for (size_t key = FirstColumn + ColumnCount; key < last.size(); ++key)
            m_lastKeys << last[key];
    }
    for (DbRow& row : result.rows) {
        row.resize(FirstColumn + ColumnCount);
        rows.push_back(std::move(row));
    }
    return std::nullopt;
}

Status CellarModel::show(const Shown& shown) {
    beginResetModel();
    m_shown = shown;
    m_rows.clear();
    m_lastKeys.clear();
    m_fetchError.reset();
    m_atEnd = false;
    Status status = fetch(m_rows);
    if (status) {
        m_rows.clear();
        m_atEnd = true;
    }
    endResetModel();
    return status;
}

void CellarModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_lastKeys.clear();
    m_fetchError.reset();
    m_atEnd = true;
    m_link.close();
    endResetModel();
}

qint64 CellarModel::rowidAt(int row) const {
    return m_rows.at(static_cast<size_t>(row)).front().toLongLong();
}

int CellarModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CellarModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CellarModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const QVariant& value =
        m_rows.at(static_cast<size_t>(index.row())).at(FirstColumn + static_cast<size_t>(index.column()));
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

Qt::ItemFlags CellarModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool CellarModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fetchError && !m_atEnd;
}

void CellarModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || m_atEnd)
        return;
    std::vector<DbRow> batch;
    m_fetchError = fetch(batch);
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
