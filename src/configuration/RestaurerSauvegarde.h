// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class RestaurerSauvegarde;
}
struct Services;

// The copies of the cellar, newest first, with the number of lots each holds; the one chosen takes the
// cellar's place after a copy of the cellar as it is.
class RestaurerSauvegarde : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 11;

    RestaurerSauvegarde(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~RestaurerSauvegarde() override;

    // "Sauvegarder la cave…": a checked copy at a place of the user's choice.
    static void sauvegarder(Globals& globals, Services& services, QWidget* parent);
    // The copy of the day at start-up; what went wrong, told once.
    static void copieDuJour(Globals& globals, Services& services, QWidget* parent, const QDate& today);

public slots:
    void Restaurer_Click();
    void Quitter_Click();

private:
    void fillList();

    std::unique_ptr<Ui::RestaurerSauvegarde> ui;
    Globals& m_globals;
    Services& m_services;
};
