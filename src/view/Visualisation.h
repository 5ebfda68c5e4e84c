// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "globals/Globals.h"
#include "view/CellarQuery.h"

#include <QDate>

#include "ui/WorkingWindow.h"
#include <memory>

namespace Ui {
class Visualisation;
}
class CellarModel;
class GridWidths;
class QAction;
class QComboBox;
class GridSearch;
class GridSort;
struct Services;

// The cellar in a grid: all of it, one colour, one vintage, every vintage from a year on, one name or one
// type. The window caption says what is shown. The grid never edits in place: a lot is corrected or
// removed in the correction window.
class Visualisation : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 5;

    Visualisation(Globals& globals, Services& services, QWidget* parent = nullptr,
                  const QDate& today = QDate::currentDate());
    ~Visualisation() override;

    CellarModel* model() const { return m_model; }
    // Writes the rows shown, in their order, for a spreadsheet; false after telling the user why not.
    bool exportCsv(const QString& path);

public slots:
    void Tout_Click();
    void Rouge_Click();
    void Blanc_Click();
    void Rose_Click();
    void Annee_Click();
    void APartirDe_Click();
    void ListeNom_Click();
    void ListeType_Click();
    void Quitter_Click();
    void Recherche_Change(const QString& text);
    void Grille_Sort(int shownColumn, bool descending);
    void Exporter_Click();
    // The lot under the cursor in the correction window (double-click, F2, the context menu); the grid
    // then shows the same view, on the same lot if it is still in it.
    void Corriger_Click();
    // Bottles drunk from the current lot of the grid: that lot, whatever others hold the same wine.
    void Boire_Click();
    void ABoire_Click();
    void Priorite_Click();

protected:
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Load();
    QString displaySettings() const;
    // Filled again after a correction, a list keeps the entry chosen if it is still there.
    Status fillList(QComboBox* list, const QString& column, bool keepChoice = false);
    Status fillBothLists(bool keepChoice = false);
    // Shows the view in its own order, or an empty grid after `failure`, which is then told.
    void showView(const CellarQuery::View& view, Status failure = {});
    // Shows again what is chosen: view, search and sort; the totals too, unless only the order changed.
    void refresh(Status failure = {}, bool recount = true);
    // The view's caption, and what is searched in it.
    void setCaption(const QString& view);
    Status showTotals();
    // Whether the cellar has its table of lots' details yet.
    bool hasDetails();
    void showOptionalColumns();
    // Selects the lot's row; the row at `row` when the view no longer shows it.
    void selectLot(qint64 lot, int row, int column);
    // The grid read again after a lot changed, the same place kept.
    void lotChanged(qint64 lot, const QModelIndex& where);
    void viewWithoutInput(const QString& caption, const CellarQuery::View& view);
    void viewOfYear(const QString& captionStart, CellarQuery::View (*view)(double));
    void viewOfList(QComboBox* used, QComboBox* other, const QString& otherColumn,
                    CellarQuery::View (*view)(const QString&));

    std::unique_ptr<Ui::Visualisation> ui;
    Globals& m_globals;
    Services& m_services;
    DataLink DataListe;
    DataLink DataVisu;
    CellarModel* m_model;
    GridWidths* m_widths = nullptr;
    CellarQuery::Shown m_shown;
    QDate m_today;
    QAction* m_emplacement;
    QAction* m_aBoire;
    GridSearch* m_search;
    GridSort* m_sort;
    QString m_caption;
    qint64 m_lots = 0; // in the view, as its totals counted them
};
