// SPDX-License-Identifier: GPL-3.0-or-later
#include "purchases/Correction.h"

#include "database/CellarSchema.h"
#include "database/LotRules.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Saisie.h"

#include <QBoxLayout>
#include <QPushButton>

using CellarSchema::LotColumn;

Correction::Correction(Globals& globals, Services& services, qint64 lot, QWidget* parent)
    : Saisie(globals, services, parent),
      m_supprimer(new QPushButton(QStringLiteral("&Supprimer ce lot"), this)) {
    setWindowTitle(QStringLiteral("Corriger un lot"));
    WindowTools::setHelpTopic(this, HelpTopic);
    m_supprimer->setObjectName(QStringLiteral("Supprimer"));
    m_supprimer->setToolTip(QStringLiteral("Retire ce lot de la cave"));
    m_supprimer->setAutoDefault(false);
    // Beside Valider and before Annuler, in the keyboard's order too.
    auto* buttons = static_cast<QBoxLayout*>(ui->BoiteBoutons->layout());
    buttons->insertWidget(buttons->indexOf(ui->Annuler), m_supprimer);
    setTabOrder(ui->Valider, m_supprimer);
    ui->Valider->setToolTip(QStringLiteral("Enregistre la correction du lot"));
    ui->Annuler->setToolTip(QStringLiteral("Remet les valeurs enregistrées du lot"));
    // A lot imported or written by another tool may hold more than a purchase lets one type: its values
    // are shown whole, never cut.
    ui->SaisieNom->setMaxLength(LotRules::NameWidth);
    ui->SaisiePrix->setMaxLength(24);
    ui->SaisieQuantite->setMaxLength(24);
    connect(m_supprimer, &QPushButton::clicked, this, &Correction::Supprimer_Click);
    BusyCursor busy;
    m_seen = CellarQueries::lotAt(DataOrny, lot);
    DataOrny.close();
    if (m_seen.error)
        m_services.messages.databaseError(this, *m_seen.error);
    fill();
    adjustSize();
}

void Correction::fill() {
    if (!m_seen.found)
        return;
    const DbRow& v = m_seen.values;
    ui->SaisieNom->setText(v.at(LotColumn::Nom).toString());
    ui->ListeType->setEditText(v.at(LotColumn::Type).toString());
    ui->SaisiePrix->setText(Numbers::formatExact(v.at(LotColumn::PrixUnitaire)));
    ui->SaisieQuantite->setText(Numbers::formatExact(v.at(LotColumn::Quantite)));
    ui->SaisieAnnee->setText(v.at(LotColumn::Annee).toString());
    // A colour that is not among the labels (written by another tool) is kept as it is.
    const QString colour = v.at(LotColumn::Couleur).toString();
    if (!colour.isEmpty() && ui->ListeCouleur->findText(colour) < 0)
        ui->ListeCouleur->addItem(colour);
    ui->ListeCouleur->setCurrentIndex(ui->ListeCouleur->findText(colour));
    ui->PrixTotal->setText(
        Numbers::productTwoDecimals(ui->SaisiePrix->text(), ui->SaisieQuantite->text()).value_or(QString()));
    showDetails(m_seen.details);
    ui->SaisieNom->setFocus();
    ui->SaisieNom->selectAll();
}

void Correction::Annuler_Click() {
    clearFields();
    fill();
}

bool Correction::refusedAsChanged(Status failure, bool changed) {
    if (failure) {
        m_services.messages.databaseError(this, *failure);
        return true;
    }
    if (changed) {
        m_services.messages.notice(
            this,
            QStringLiteral("Ce lot a été modifié ou retiré depuis l'ouverture de cette "
                           "fenêtre, par Brovane ou par un autre programme.\nRien n'a été "
                           "changé : fermez la fenêtre et rouvrez le lot."),
            MessageBox::Icon::Exclamation);
        return true;
    }
    return false;
}

bool Correction::record(const CellarQueries::NewLot& lot, const CellarQueries::Details& details) {
    if (!m_seen.found)
        return false;
    bool changed = false;
    Status failure;
    {
        BusyCursor busy;
        failure = CellarQueries::correctLot(DataOrny, m_seen, lot, details, changed);
        DataOrny.close();
    }
    if (refusedAsChanged(failure, changed))
        return false;
    accept();
    return true;
}

void Correction::Supprimer_Click() {
    if (!m_seen.found)
        return;
    const DbRow& v = m_seen.values;
    if (m_services.messages.show(
            this, windowTitle(),
            QStringLiteral("Supprimer ce lot de la cave ?\n\n%1 %2, %3, %4 : %5 bouteille(s).")
                .arg(v.at(LotColumn::Nom).toString(), v.at(LotColumn::Annee).toString(),
                     v.at(LotColumn::Type).toString(), v.at(LotColumn::Couleur).toString(),
                     Numbers::formatValue(v.at(LotColumn::Quantite))),
            MessageBox::Icon::Question, MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes)
        return;
    bool changed = false;
    Status failure;
    {
        BusyCursor busy;
        failure = CellarQueries::removeLot(DataOrny, m_seen, changed);
        DataOrny.close();
    }
    if (!refusedAsChanged(failure, changed))
        accept();
}
