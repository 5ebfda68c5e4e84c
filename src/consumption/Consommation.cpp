// SPDX-License-Identifier: GPL-3.0-or-later
#include "consumption/Consommation.h"

#include "ui/BusyCursor.h"
#include "ui/ConsumedQuantity.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Consommation.h"
#include <cmath>

Consommation::Consommation(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Consommation>()), m_globals(globals),
      m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    connect(ui->ListeNom, &QComboBox::activated, this, &Consommation::ListeNom_Click);
    connect(ui->ListeType, &QComboBox::activated, this, &Consommation::ListeType_Click);
    connect(ui->ListeAnnee, &QComboBox::activated, this, &Consommation::ListeAnnee_Click);
    connect(ui->ListeCouleur, &QComboBox::activated, this, &Consommation::ListeCouleur_Click);
    connect(ui->Valider, &QPushButton::clicked, this, &Consommation::Valider_Click);
    connect(ui->Annuler, &QPushButton::clicked, this, &Consommation::Annuler_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Consommation::Quitter_Click);
    // Enter confirms the entry a list shows (after the wheel, which only shows it); in the quantity it
    // records the consumption, and only there is Valider drawn as the default.
    onEnter(ui->ListeNom, [this] { ListeNom_Click(); });
    onEnter(ui->ListeType, [this] { ListeType_Click(); });
    onEnter(ui->ListeAnnee, [this] { ListeAnnee_Click(); });
    onEnter(ui->ListeCouleur, [this] { ListeCouleur_Click(); });
    pressOnEnter(ui->QuantiteConsommee, ui->Valider);
    numberField(ui->QuantiteConsommee);
    for (QComboBox* list : {ui->ListeNom, ui->ListeType})
        WindowTools::fitCharacters(list, 22);
    for (QComboBox* list : {ui->ListeAnnee, ui->ListeCouleur})
        WindowTools::fitCharacters(list, 8);
    WindowTools::fitCharacters(ui->QuantiteEnStock, 6);
    WindowTools::fitCharacters(ui->QuantiteConsommee, 6);
    Form_Load();
}

Consommation::~Consommation() = default;

void Consommation::Form_Load() {
    // The layout keeps the buttons centred.
    adjustSize();
    WindowTools::centreOnScreen(this);
    DataConso.setDatabaseName(m_globals.databasePath());
    fillNames();
}

void Consommation::fillNames() {
    const CellarQueries::TextList names = CellarQueries::distinctValues(DataConso, QStringLiteral("NOM"));
    DataConso.close();
    if (names.error)
        m_services.messages.databaseError(this, *names.error);
    WindowTools::fillList(ui->ListeNom, names.values);
}

void Consommation::cascade(QComboBox* chosen, QComboBox* next, const QString& column, const QString& what,
                           const CellarQueries::Conditions& where) {
    if (chosen->currentText().isEmpty())
        return;
    const CellarQueries::TextList values = CellarQueries::distinctValues(DataConso, column, where);
    DataConso.close();
    if (values.error) {
        m_services.messages.databaseError(this, *values.error);
        return;
    }
    if (values.values.isEmpty()) {
        // Every lot left has no such value, which the lists cannot offer: the view reaches them.
        m_services.messages.notice(
            this,
            QStringLiteral(
                "Ce vin n'a pas de %1 dans la cave : cette fenêtre ne peut pas le choisir.\n"
                "Buvez-le depuis la Visualisation : choisissez sa ligne, puis « Boire… » (Ctrl+B).")
                .arg(what),
            MessageBox::Icon::Exclamation);
        chosen->setFocus();
        return;
    }
    WindowTools::fillList(next, values.values);
    next->setEnabled(true);
    chosen->setEnabled(false);
    next->setFocus();
}

void Consommation::ListeNom_Click() {
    cascade(ui->ListeNom, ui->ListeType, QStringLiteral("TYPE"), QStringLiteral("type"),
            {{QStringLiteral("NOM"), ui->ListeNom->currentText()}});
}

void Consommation::ListeType_Click() {
    cascade(ui->ListeType, ui->ListeAnnee, QStringLiteral("ANNEE"), QStringLiteral("année"),
            {{QStringLiteral("NOM"), ui->ListeNom->currentText()},
             {QStringLiteral("TYPE"), ui->ListeType->currentText()}});
}

void Consommation::ListeAnnee_Click() {
    cascade(ui->ListeAnnee, ui->ListeCouleur, QStringLiteral("COULEUR"), QStringLiteral("couleur"),
            {{QStringLiteral("NOM"), ui->ListeNom->currentText()},
             {QStringLiteral("TYPE"), ui->ListeType->currentText()},
             {QStringLiteral("ANNEE"), ui->ListeAnnee->currentText().toLongLong()}});
}

CellarQueries::LotKey Consommation::chosenLot() const {
    return {ui->ListeNom->currentText(), ui->ListeType->currentText(),
            ui->ListeAnnee->currentText().toLongLong(), ui->ListeCouleur->currentText()};
}

void Consommation::ListeCouleur_Click() {
    if (ui->ListeCouleur->currentText().isEmpty())
        return;
    const CellarQueries::Stock stock = CellarQueries::firstStock(DataConso, chosenLot());
    DataConso.close();
    if (stock.error) {
        m_services.messages.databaseError(this, *stock.error);
        return;
    }
    if (!stock.found) {
        m_services.messages.notice(this,
                                   QStringLiteral("Ce vin n'est plus dans la cave : il a été modifié pendant "
                                                  "votre choix.\nChoisissez-le de nouveau."),
                                   MessageBox::Icon::Exclamation);
        Annuler_Click();
        return;
    }
    // Shown as stored, to the last digit, so that the text reads back as the very value of the lot.
    ui->QuantiteEnStock->setText(Numbers::formatExact(stock.quantite));
    ui->ListeCouleur->setEnabled(false);
    ui->QuantiteConsommee->setEnabled(true);
    ui->QuantiteConsommee->setFocus();
}

bool Consommation::checksPass() {
    const QString consumed = ui->QuantiteConsommee->text();
    if (ui->ListeNom->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeNom,
                                          QStringLiteral("La saisie du nom est obligatoire !!"));
    if (ui->ListeType->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeType,
                                          QStringLiteral("La saisie du type est obligatoire !!"));
    if (ui->ListeAnnee->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeAnnee,
                                          QStringLiteral("La saisie de l'année est obligatoire !!"));
    if (ui->ListeCouleur->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeCouleur,
                                          QStringLiteral("La saisie de la couleur est obligatoire !!"));
    qlonglong bottles = 0;
    if (const std::optional<QString> refused =
            ConsumedQuantity::refusal(consumed, ui->QuantiteEnStock->text(), bottles))
        return m_services.messages.refuse(ui->QuantiteConsommee, *refused);
    return true;
}

void Consommation::Valider_Click() {
    if (!checksPass())
        return;
    const double shown = Numbers::read(ui->QuantiteEnStock->text()).value_or(0);
    const QVariant stock = std::floor(shown) == shown && std::fabs(shown) < 1e15
                               ? QVariant(static_cast<qlonglong>(shown))
                               : QVariant(shown);
    const qlonglong consumed = Numbers::readWhole(ui->QuantiteConsommee->text()).value_or(0);
    CellarQueries::ConsumeResult result;
    {
        BusyCursor busy;
        result = CellarQueries::consume(DataConso, chosenLot(), stock, consumed);
        DataConso.close();
    }
    if (result.outcome == CellarQueries::Consumed::Failed) {
        m_services.messages.databaseError(this, *result.error);
        return;
    }
    if (result.outcome == CellarQueries::Consumed::LotGone)
        m_services.messages.notice(
            this,
            QStringLiteral("Ce lot n'est plus dans la cave tel qu'il est affiché : il a été "
                           "modifié entre-temps.\nRien n'a été enregistré ; choisissez-le de "
                           "nouveau."),
            MessageBox::Icon::Exclamation);
    Annuler_Click();
}

void Consommation::Annuler_Click() {
    ui->ListeNom->clear();
    ui->ListeType->clear();
    ui->ListeAnnee->clear();
    ui->ListeCouleur->clear();
    ui->QuantiteEnStock->clear();
    ui->QuantiteConsommee->clear();
    fillNames();
    ui->ListeNom->setEnabled(true);
    ui->QuantiteConsommee->setEnabled(false);
    // Ready for the next consumption, rather than on whatever follows a field now disabled.
    ui->ListeNom->setFocus();
}

void Consommation::Quitter_Click() {
    close();
}
