// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "globals/Globals.h"
#include "history/HistoryQuery.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class Historique;
}
class HistoryModel;
class GridSearch;
class GridSort;
struct Services;

// The journal, newest movement first: what was bought, drunk, imported, corrected, removed or undone, and
// when; narrowed to one kind of movement and to a period, with the totals of what is shown.
class Historique : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 13;

    Historique(Globals& globals, Services& services, QWidget* parent = nullptr,
               const QDate& today = QDate::currentDate());
    ~Historique() override;

    HistoryModel* model() const { return m_model; }
    // Writes the movements shown, newest first, for a spreadsheet; false after telling the user why not.
    bool exportCsv(const QString& path);

public slots:
    void Filtre_Change();
    void Grille_Sort(int column, bool descending);
    void Exporter_Click();
    void Quitter_Click();

private:
    // The grid as wide as its columns need at the user's font.
    void fitColumns();
    void Form_Load(const QDate& today);
    // Shows the movements chosen; their totals too, unless only the order changed.
    void showMovements(bool recount);
    Status showTotals();

    std::unique_ptr<Ui::Historique> ui;
    Globals& m_globals;
    Services& m_services;
    DataLink DataHisto;
    HistoryModel* m_model;
    QList<HistoryQuery::Period> m_periods;
    bool m_hasJournal = false;
    GridSearch* m_search;
    GridSort* m_sort;
};
