// SPDX-License-Identifier: GPL-3.0-or-later
#include "purchases/Saisie.h"

#include "database/CellarQueries.h"
#include "database/FrenchCollation.h"
#include "database/Lot.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Saisie.h"

#include <QDate>
#include <algorithm>
#include <cmath>

Saisie::Saisie(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Saisie>()), m_globals(globals), m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    // What is typed in the type stays as typed: no completion from the list, no swapping for an entry that
    // differs only by case.
    ui->ListeType->setCompleter(nullptr);
    ui->ListeType->lineEdit()->setMaxLength(LotRules::TypeWidth);
    WindowTools::fitCharacters(ui->SaisieNom, LotRules::PurchaseNameWidth);
    WindowTools::fitCharacters(ui->ListeType, 24);
    WindowTools::fitCharacters(ui->SaisiePrix, 8);
    WindowTools::fitCharacters(ui->SaisieQuantite, 4);
    WindowTools::fitCharacters(ui->PrixTotal, 10);
    WindowTools::fitCharacters(ui->SaisieAnnee, 5);
    WindowTools::fitCharacters(ui->ListeCouleur, 10);
    numberField(ui->SaisiePrix);
    numberField(ui->SaisieQuantite);
    WindowTools::fitCharacters(ui->SaisieBoireDes, 5);
    WindowTools::fitCharacters(ui->SaisieBoireJusqua, 5);
    WindowTools::fitCharacters(ui->SaisieEmplacement, 20);
    ui->SaisieEmplacement->setMaxLength(LotRules::PlaceWidth);
    ui->SaisieNote->setFixedHeight(ui->SaisieNote->fontMetrics().lineSpacing() * 3 +
                                   2 * ui->SaisieNote->frameWidth() + 8);
    // A figure typed picks the stars: "3" is three of five.
    ui->ListeAppreciation->addItem(QString());
    for (int stars = 0; stars <= 5; ++stars)
        ui->ListeAppreciation->addItem(
            QStringLiteral("%1 – %2%3")
                .arg(stars)
                .arg(QString(stars, QChar(0x2605)), QString(5 - stars, QChar(0x2606))),
            stars);
    connect(ui->Valider, &QPushButton::clicked, this, &Saisie::Valider_Click);
    connect(ui->Annuler, &QPushButton::clicked, this, &Saisie::Annuler_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Saisie::Quitter_Click);
    connect(ui->ListeType, &QComboBox::activated, this, &Saisie::ListeType_Click);
    connect(ui->ListeCouleur, &QComboBox::activated, this, &Saisie::ListeCouleur_Click);
    onEnter(ui->SaisieNom, [this] { SaisieNom_KeyPress(); });
    onEnter(ui->ListeType, [this] { ListeType_KeyPress(); });
    onEnter(ui->SaisiePrix, [this] { SaisiePrix_KeyPress(); });
    onEnter(ui->SaisieQuantite, [this] { SaisieQuantite_KeyPress(); });
    onEnter(ui->SaisieAnnee, [this] { SaisieAnnee_KeyPress(); });
    onEnter(ui->ListeCouleur, [this] { ListeCouleur_KeyPress(); });
    Form_Load();
}

Saisie::~Saisie() = default;

void Saisie::Form_Load() {
    // The layout keeps the buttons centred; the window opens centred, and so do its messages.
    adjustSize();
    WindowTools::centreOnScreen(this);
    DataOrny.setDatabaseName(m_globals.databasePath());
    loadLists();
    ui->SaisieNom->setFocus();
}

void Saisie::loadLists() {
    const CellarQueries::TextList colours = CellarQueries::colours(DataOrny);
    const CellarQueries::TextList types =
        colours.error ? colours : CellarQueries::distinctValues(DataOrny, QStringLiteral("TYPE"));
    DataOrny.close();
    if (types.error) {
        m_services.messages.databaseError(this, *types.error);
        return;
    }
    QStringList sortedColours = colours.values;
    std::stable_sort(sortedColours.begin(), sortedColours.end(), FrenchCollation::less);
    WindowTools::fillList(ui->ListeCouleur, sortedColours);
    WindowTools::fillList(ui->ListeType, types.values);
}

void Saisie::SaisieNom_KeyPress() {
    ui->ListeType->setFocus();
}

void Saisie::ListeType_KeyPress() {
    ui->SaisiePrix->setFocus();
}

void Saisie::ListeType_Click() {
    if (!ui->ListeType->currentText().isEmpty())
        ui->SaisiePrix->setFocus();
}

void Saisie::SaisiePrix_KeyPress() {
    ui->SaisieQuantite->setFocus();
}

void Saisie::SaisieQuantite_KeyPress() {
    if (!ui->SaisiePrix->text().isEmpty())
        // A total that cannot be computed is left empty rather than stale.
        ui->PrixTotal->setText(Numbers::productTwoDecimals(ui->SaisiePrix->text(), ui->SaisieQuantite->text())
                                   .value_or(QString()));
    ui->SaisieAnnee->setFocus();
}

void Saisie::SaisieAnnee_KeyPress() {
    ui->ListeCouleur->setFocus();
}

void Saisie::ListeCouleur_KeyPress() {
    ui->Valider->setFocus();
}

void Saisie::ListeCouleur_Click() {
    if (!ui->ListeCouleur->currentText().isEmpty())
        ui->Valider->setFocus();
}

bool Saisie::kept(const QWidget*) const {
    return false;
}

bool Saisie::checksPass() {
    const QString annee = ui->SaisieAnnee->text();
    const QString quantite = ui->SaisieQuantite->text();
    const QString prix = ui->SaisiePrix->text();
    if (!kept(ui->SaisieNom) && ui->SaisieNom->text().isEmpty())
        return m_services.messages.refuse(ui->SaisieNom,
                                          QStringLiteral("La saisie du nom est obligatoire !!"));
    if (!kept(ui->ListeType) && ui->ListeType->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeType,
                                          QStringLiteral("La saisie du type est obligatoire !!"));
    if (!kept(ui->SaisieAnnee)) {
        if (annee.isEmpty())
            return m_services.messages.refuse(ui->SaisieAnnee,
                                              QStringLiteral("La saisie de l'année est obligatoire !!"));
        if (!Numbers::read(annee))
            return m_services.messages.refuse(ui->SaisieAnnee,
                                              QStringLiteral("L'année doit être du numérique !!"));
        if (annee.size() != 4)
            return m_services.messages.refuse(ui->SaisieAnnee,
                                              QStringLiteral("L'année se saisi en 4 chiffres !!"));
        // "1,50" or "+199" read as numbers of four characters, but are no vintage.
        if (!Numbers::isFourDigits(annee))
            return m_services.messages.refuse(ui->SaisieAnnee,
                                              QStringLiteral("L'année doit être du numérique !!"));
        if (annee.at(0) != u'1' && annee.at(0) != u'2')
            return m_services.messages.refuse(ui->SaisieAnnee,
                                              QStringLiteral("L'année doit commencer par 1 ou 2 !!"));
        if (!LotRules::isVintage(annee.toLongLong(), QDate::currentDate().year()))
            return m_services.messages.refuse(
                ui->SaisieAnnee,
                QStringLiteral("L'année du vin ne peut être supérieure à l'année en cours !!"));
    }
    if (!kept(ui->ListeCouleur) && ui->ListeCouleur->currentText().isEmpty())
        return m_services.messages.refuse(ui->ListeCouleur,
                                          QStringLiteral("La saisie de la couleur est obligatoire !!"));
    if (!kept(ui->SaisieQuantite)) {
        if (quantite.isEmpty())
            return m_services.messages.refuse(ui->SaisieQuantite,
                                              QStringLiteral("La saisie de la quantité est obligatoire !!"));
        const std::optional<double> number = Numbers::read(quantite);
        if (!number)
            return m_services.messages.refuse(ui->SaisieQuantite,
                                              QStringLiteral("La quantité doit être du numérique !!"));
        if (*number < 0)
            return m_services.messages.refuse(ui->SaisieQuantite,
                                              QStringLiteral("La quantité ne peut être négative !!"));
        const std::optional<qlonglong> bottles = Numbers::readWhole(quantite);
        if (!bottles && *number >= 1 && std::floor(*number) == *number)
            return m_services.messages.refuse(ui->SaisieQuantite,
                                              QStringLiteral("La quantité ne peut dépasser %1 bouteilles !!")
                                                  .arg(Numbers::groupedDigits(Numbers::LargestWhole)));
        if (!bottles)
            return m_services.messages.refuse(
                ui->SaisieQuantite,
                QStringLiteral("La quantité doit être un nombre entier de bouteilles !!"));
        if (!LotRules::isPurchasedCount(*bottles))
            return m_services.messages.refuse(
                ui->SaisieQuantite, QStringLiteral("La quantité doit être d'au moins une bouteille !!"));
    }
    if (!kept(ui->SaisiePrix) && !prix.isEmpty()) {
        const std::optional<double> price = Numbers::read(prix);
        if (!price)
            return m_services.messages.refuse(ui->SaisiePrix,
                                              QStringLiteral("Le prix unitaire doit être du numérique !!"));
        if (*price < 0)
            return m_services.messages.refuse(ui->SaisiePrix,
                                              QStringLiteral("Le prix unitaire ne peut être négatif !!"));
        if (!LotRules::isPrice(*price))
            return m_services.messages.refuse(
                ui->SaisiePrix,
                QStringLiteral("Le prix unitaire ne peut dépasser %1 !!").arg(LotRules::mostPriceText()));
    }
    return detailChecksPass(annee.toInt());
}

bool Saisie::detailChecksPass(int vintage) {
    const QString from = ui->SaisieBoireDes->text();
    const QString until = ui->SaisieBoireJusqua->text();
    const bool fromTyped = !kept(ui->SaisieBoireDes) && !from.isEmpty();
    const bool untilTyped = !kept(ui->SaisieBoireJusqua) && !until.isEmpty();
    const auto year = [](const QString& text) {
        return text.isEmpty() ? std::nullopt : std::optional<qint64>(text.toLongLong());
    };
    if (fromTyped && !(Numbers::isFourDigits(from) && LotRules::isWindowYear(from.toLongLong())))
        return m_services.messages.refuse(
            ui->SaisieBoireDes, QStringLiteral("L'année « À boire à partir de » se saisit en 4 chiffres !!"));
    if (untilTyped && !(Numbers::isFourDigits(until) && LotRules::isWindowYear(until.toLongLong())))
        return m_services.messages.refuse(ui->SaisieBoireJusqua,
                                          QStringLiteral("L'année « jusqu'à » se saisit en 4 chiffres !!"));
    if ((fromTyped || untilTyped) && !LotRules::isWindowInOrder(year(from), year(until)))
        return m_services.messages.refuse(
            ui->SaisieBoireJusqua,
            QStringLiteral("L'année « jusqu'à » ne peut être avant « À boire à partir de » !!"));
    if (untilTyped && !LotRules::endsAfterVintage(year(until), vintage))
        return m_services.messages.refuse(
            ui->SaisieBoireJusqua,
            QStringLiteral("L'année « jusqu'à » ne peut être avant l'année du vin !!"));
    if (!kept(ui->SaisieNote) && ui->SaisieNote->toPlainText().size() > LotRules::NoteWidth)
        return m_services.messages.refuse(
            ui->SaisieNote,
            QStringLiteral("La note ne peut dépasser %1 caractères !!").arg(LotRules::NoteWidth));
    return true;
}

Lot Saisie::fieldsLot() const {
    LotDetails details;
    const auto year = [](const QLineEdit* field) {
        return field->text().isEmpty() ? std::nullopt : std::optional<qint64>(field->text().toLongLong());
    };
    details.boireDes = year(ui->SaisieBoireDes);
    details.boireJusqua = year(ui->SaisieBoireJusqua);
    details.emplacement = ui->SaisieEmplacement->text().trimmed();
    details.note = ui->SaisieNote->toPlainText().trimmed();
    if (ui->ListeAppreciation->currentIndex() > 0)
        details.appreciation = ui->ListeAppreciation->currentData().toInt();
    const std::optional<double> price =
        ui->SaisiePrix->text().isEmpty() ? std::nullopt : Numbers::read(ui->SaisiePrix->text());
    return Lot(ui->SaisieNom->text(), ui->ListeType->currentText(), ui->SaisieAnnee->text().toLongLong(),
               ui->ListeCouleur->currentText(), Numbers::readWhole(ui->SaisieQuantite->text()).value_or(0),
               price, details);
}

void Saisie::Valider_Click() {
    if (checksPass())
        record(fieldsLot());
}

bool Saisie::record(const Lot& lot) {
    Status failure;
    {
        BusyCursor busy;
        failure = CellarQueries::addLot(DataOrny, lot);
        DataOrny.close();
    }
    if (failure) {
        m_services.messages.databaseError(this, *failure);
        return false;
    }
    Annuler_Click();
    return true;
}

void Saisie::Annuler_Click() {
    clearFields();
}

void Saisie::clearFields() {
    ui->SaisieNom->clear();
    ui->ListeType->clear();
    ui->SaisieAnnee->clear();
    ui->ListeCouleur->clear();
    ui->SaisieQuantite->clear();
    ui->SaisiePrix->clear();
    ui->PrixTotal->clear();
    clearDetails();
    ui->SaisieNom->setFocus();
    loadLists();
}

void Saisie::clearDetails() {
    ui->SaisieBoireDes->clear();
    ui->SaisieBoireJusqua->clear();
    ui->SaisieEmplacement->clear();
    ui->SaisieNote->clear();
    ui->ListeAppreciation->setCurrentIndex(0);
}

void Saisie::Quitter_Click() {
    close();
}
