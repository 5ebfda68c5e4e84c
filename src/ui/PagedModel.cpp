// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PagedModel.h"

PagedModel::PagedModel(DataLink& link, int leading, int columns, QObject* parent)
    : QAbstractTableModel(parent), m_link(link), m_leading(leading), m_columns(columns) {}

Status PagedModel::fetch(std::vector<DbRow>& rows, int limit) {
    const Statement next = page(m_lastKeys, limit);
    DbRows result = m_link.query(next.sql, next.params);
    if (!result.ok())
        return result.error;
    m_atEnd = limit < 0 || result.rows.size() < static_cast<size_t>(limit);
    const auto held = static_cast<size_t>(m_leading + m_columns);
    if (!result.rows.empty()) {
        const DbRow& last = result.rows.back();
        m_lastKeys.clear();
        for (size_t key = held; key < last.size(); ++key)
            m_lastKeys << last[key];
    }
    for (DbRow& row : result.rows) {
        row.resize(held);
        rows.push_back(std::move(row));
    }
    return std::nullopt;
}

Status PagedModel::reload() {
    beginResetModel();
    m_rows.clear();
    m_lastKeys.clear();
    m_fetchError.reset();
    m_atEnd = false;
    Status status = fetch(m_rows, BatchSize);
    if (status) {
        m_rows.clear();
        m_atEnd = true;
    }
    endResetModel();
    return status;
}

void PagedModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_lastKeys.clear();
    m_fetchError.reset();
    m_atEnd = true;
    m_link.close();
    endResetModel();
}

const QVariant& PagedModel::valueAt(int row, int column) const {
    return m_rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(m_leading + column));
}

int PagedModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PagedModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

Qt::ItemFlags PagedModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool PagedModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fetchError && !m_atEnd;
}

void PagedModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        append(BatchSize);
}

void PagedModel::fetchRest() {
    append(-1);
}

void PagedModel::append(int limit) {
    if (m_atEnd || m_fetchError)
        return;
    std::vector<DbRow> batch;
    m_fetchError = fetch(batch, limit);
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
