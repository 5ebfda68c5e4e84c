// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class RestaurerSauvegarde;
}
struct Services;

// The copies of the cellar, newest first, with the time each was taken, its kind and the number of lots it
// holds; the one chosen takes the cellar's place, once checked, after a copy of the cellar as it is.
class RestaurerSauvegarde : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 11;

    RestaurerSauvegarde(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~RestaurerSauvegarde() override;

    // "Sauvegarder la cave…": a checked copy at a place of the user's choice.
    static void sauvegarder(Globals& globals, Services& services, QWidget* parent);

public slots:
    void Restaurer_Click();
    void Quitter_Click();

private:
    void fillList();

    std::unique_ptr<Ui::RestaurerSauvegarde> ui;
    Globals& m_globals;
    Services& m_services;
};
