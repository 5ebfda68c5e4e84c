// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/Lot.h"
#include "globals/Globals.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class Saisie;
}
struct Services;

// The purchase window: one purchase after another, each recorded as a new lot.
class Saisie : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 3;

    Saisie(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~Saisie() override;

public slots:
    void Valider_Click();
    virtual void Annuler_Click();
    void Quitter_Click();

protected:
    // Records what the fields hold, once every check has passed; false after telling the user why not.
    virtual bool record(const Lot& lot);
    // The fields emptied of the details.
    void clearDetails();
    // The fields emptied and the lists read again.
    void clearFields();
    // Whether a field still holds what the window put in it: its stored value is then kept as it is,
    // unchecked. A purchase keeps nothing.
    virtual bool kept(const QWidget* field) const;

    std::unique_ptr<Ui::Saisie> ui;
    Globals& m_globals;
    Services& m_services;
    DataLink DataOrny;

private:
    void Form_Load();
    void SaisieNom_KeyPress();
    void ListeType_KeyPress();
    void ListeType_Click();
    void SaisiePrix_KeyPress();
    void SaisieQuantite_KeyPress();
    void SaisieAnnee_KeyPress();
    void ListeCouleur_KeyPress();
    void ListeCouleur_Click();
    void loadLists();
    // The first check that fails: its message and its field; nothing when the purchase may be recorded.
    bool checksPass();
    bool detailChecksPass(int vintage);
    // The lot the fields hold, details included.
    Lot fieldsLot() const;
};
