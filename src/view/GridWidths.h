// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QTableView;

// The grid's columns side by side across its whole width, as the window grows or shrinks: each takes its
// share of what the columns sized by hand leave, never less than its own width. A column the user sized
// keeps that width across views and sessions (kept in the display settings, under its caption) until
// he asks for the shares again.
class GridWidths : public QObject {
public:
    // `share(column)`: the column's own width, in twips, which is also its share.
    GridWidths(QTableView* grid, QString settingsFile, std::function<int(int column)> share);
    ~GridWidths() override;

    // After every change of view or of the columns shown.
    void apply();
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

    QTableView* m_grid;
    QString m_settingsFile;
    std::function<int(int)> m_share;
    QHash<QString, int> m_byHand; // caption → width in twips
    bool m_applying = false;
};
