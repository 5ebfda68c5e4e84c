// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/CellarQueries.h"
#include "database/DataLink.h"
#include "globals/Globals.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class Consommation;
}
class QComboBox;
struct Services;

// The consumption window: name, type, vintage and colour chosen in cascade single out one lot, whose
// stock is lowered by the bottles drunk, or which is removed when none is left.
class Consommation : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 4;

    Consommation(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~Consommation() override;

public slots:
    void ListeNom_Click();
    void ListeType_Click();
    void ListeAnnee_Click();
    void ListeCouleur_Click();
    void Valider_Click();
    void Annuler_Click();
    void Quitter_Click();

private:
    void Form_Load();
    void fillNames();
    // One step down the cascade: fills `next` with the values of `column` left by the choices made; when
    // none has one (`what` names it to the user), says where such a lot can be drunk.
    void cascade(QComboBox* chosen, QComboBox* next, const QString& column, const QString& what,
                 const CellarQueries::Conditions& where);
    CellarQueries::LotKey chosenLot() const;
    bool checksPass();

    std::unique_ptr<Ui::Consommation> ui;
    Globals& m_globals;
    Services& m_services;
    DataLink DataConso;
};
