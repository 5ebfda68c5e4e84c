// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statistics/Figures.h"

#include <QAbstractTableModel>

// A table of figures as the user reads it: numbers in French, to the right, the total in bold.
class FiguresModel : public QAbstractTableModel {
    Q_OBJECT
public:
    FiguresModel(Figures::Table table, QObject* parent = nullptr);

    const Figures::Table& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Figures::Table m_table;
};
