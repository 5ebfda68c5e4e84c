// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/CellarQuery.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QTableView;

// The grid's columns side by side across its whole width, as the window grows or shrinks: each takes its
// share of what the columns sized by hand leave, never less than its own width. A column the user sized
// keeps that width across views and sessions (kept in the display settings, under its caption) until
// he asks for the shares again. A number is never cut: its column widens to the widest value read since
// the grid was last filled, each row measured once, when it is read.
class GridWidths : public QObject {
public:
    // `columnOf(shown)`: what the grid's column shows; its own width, in twips, is also its share.
    using ColumnOf = std::function<const CellarQuery::GridColumn&(int shown)>;
    GridWidths(QTableView* grid, QString settingsFile, ColumnOf columnOf);
    ~GridWidths() override;

    // After every change of view or of the columns shown.
    void apply();
    // Rows just read, from `first` to `last`: their numbers widen their columns if they must.
    void measure(int first, int last);
    // Back to the shares, for every column.
    void forget();
    bool setByHand(const QString& caption) const { return m_byHand.contains(caption); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString caption(int column) const;
    int pixels(int twips) const;
    int twips(int pixels) const;
    void resizedByHand(int column, int newWidth);
    void save() const;
    // Widens the number columns to what the rows measured need.
    void fitNumbers();

    QTableView* m_grid;
    QString m_settingsFile;
    ColumnOf m_column;
    std::vector<int> m_needed;    // by shown column: the widest number read, margins included
    QHash<QString, int> m_byHand; // caption → width in twips
    bool m_applying = false;
};
