// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/FiguresModel.h"

#include <QFont>

FiguresModel::FiguresModel(Figures::Table table, QObject* parent)
    : QAbstractTableModel(parent), m_table(std::move(table)) {}

int FiguresModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int FiguresModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.headers.size());
}

QVariant FiguresModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Figures::Unit unit = m_table.units.value(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return Figures::format(m_table.rows.at(index.row()).value(index.column()), unit);
    case Qt::EditRole:
        return m_table.rows.at(index.row()).value(index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(unit == Figures::Unit::Text ? Qt::AlignLeft | Qt::AlignVCenter
                                                               : Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (m_table.totalRow && index.row() == rowCount() - 1) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant FiguresModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_table.headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
