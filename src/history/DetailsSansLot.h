// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/SetAsideDetails.h"
#include "ui/WorkingWindow.h"

class QLabel;
class QTableWidget;
struct Services;

// The details no lot shows, read-only: each one's state, the wine the history knew it by, and what it
// holds. Opened from the history with « Détails &sans lot… ».
class DetailsSansLot : public WorkingWindow {
    Q_OBJECT
public:
    enum Column { Etat, Vin, Emplacement, ABoire, Note, Appreciation, ColumnCount };

    DetailsSansLot(const QString& databasePath, Services& services, QWidget* parent = nullptr);

    QTableWidget* grid() const { return m_grid; }

private:
    void list(const SetAsideDetails::Listing& listing);

    QLabel* m_count;
    QTableWidget* m_grid;
};
