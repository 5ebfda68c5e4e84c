// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "shell/MenuActions.h"

#include <QMainWindow>
#include <memory>

namespace Ui {
class Principale;
}
class QLabel;
class QTimer;
class HelpService;
class KeyStates;

// The main window: menu, tool bar and status bar. Each entry opens one working window modally or runs
// one action; the window keeps no data of its own. Its body sums the cellar up, each line leading to the
// view of its lots, read once the window is on screen and again after each window closes.
class Principale : public QMainWindow {
    Q_OBJECT
public:
    Principale(Globals& globals, MenuActions windows, QWidget* parent = nullptr);
    ~Principale() override;

    HelpService& help() { return *m_help; }
    // The tool-bar keys in the order the dispatch compares them: the nine of old, then those added since.
    static const QStringList& dispatchOrder();

public slots:
    void BarreBoutons_ButtonClick(const QString& key);
    void MenuSaisie_Click();
    void MenuConsommation_Click();
    void MenuVisualisation_Click();
    void MenuImprimer_Click();
    void MenuConfig_Click();
    void MenuImport_Click();
    void MenuImportTableau_Click();
    void MenuSauvegarder_Click();
    void MenuRestaurer_Click();
    void MenuAnnuler_Click();
    void MenuHistorique_Click();
    void MenuStatistiques_Click();
    // The undo entry names the operation it would undo, or is greyed when there is none.
    void refreshUndoEntry();
    void MenuApropos_Click();
    void MenuAide_Click();
    void MenuQuitter_Click();
    void refreshSummary();
    void Resume_LinkActivated(const QString& link);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool m_painted = false;
    void Form_Load();
    void buildStatusBar();
    void refreshStatusBar();
    void run(const MenuActions::Open& open);

    std::unique_ptr<Ui::Principale> ui;
    Globals& m_globals;
    MenuActions m_windows;
    HelpService* m_help;
    KeyStates* m_keys;
    QList<QLabel*> m_panels;
    QLabel* m_summary;
    QTimer* m_clock;
};
