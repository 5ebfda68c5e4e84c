// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

// What each entry of the main window runs, given by the program that assembles the windows, so that the
// shell depends on none of them. An empty entry stays disabled.
struct MenuActions {
    using Open = std::function<void(QWidget* parent)>;
    Open saisie;
    Open consommation;
    Open visualisation;
    Open imprimer;
    Open config;
    Open import;
    Open importTableau;
    Open apropos;
    Open sauvegarder;
    Open restaurer;
    Open annuler;
    Open historique;
    // The undo entry's text, naming the operation it would undo; "&Annuler" alone when there is none.
    std::function<QString()> annulerTexte;
    Open statistiques;
    // The view opened on one of its views, named by the slot that shows it ("Priorite_Click").
    std::function<void(QWidget* parent, const char* view)> visualisationVue;
};
