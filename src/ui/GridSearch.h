// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>

class QLineEdit;
class QTableView;
class QTimer;

// A search field above a grid, as people use one: keys typed in a burst make one search, for the last
// text; Down or Enter searches at once and goes to the rows found.
class GridSearch : public QObject {
    Q_OBJECT
public:
    // Keys closer together than this make one search.
    static constexpr int DelayMs = 60;

    GridSearch(QLineEdit* field, QTableView* grid);
    // The text searched last; the one typed when keys are still pending.
    QString text() const;
    // Runs the search pending now, if any.
    void flush();

signals:
    void searched(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
    QTableView* m_grid;
    QTimer* m_delay;
    QString m_searched;
};

// Sorting a grid by a click on a heading or, from the keyboard, by Ctrl+T or the grid's menu on the current
// column: the first time ascending, again on the same column the other way.
class GridSort : public QObject {
    Q_OBJECT
public:
    // `sortable`: whether a column of the grid can be sorted.
    GridSort(QTableView* grid, std::function<bool(int)> sortable = {});
    int column() const { return m_column; }
    bool descending() const { return m_descending; }
    // Back to the grid's own order.
    void reset();

signals:
    void sorted(int column, bool descending);

private:
    void sortBy(int column);

    QTableView* m_grid;
    std::function<bool(int)> m_sortable;
    int m_column = -1;
    bool m_descending = false;
};
