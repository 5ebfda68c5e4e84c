// SPDX-License-Identifier: GPL-3.0-or-later
#include "purchases/Correction.h"

#include "database/CellarSchema.h"
#include "database/Lot.h"
#include "database/LotIdentity.h"
#include "purchases/LongTextViewer.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/TextCeiling.h"
#include "ui/WindowTools.h"
#include "ui_Saisie.h"

#include <QBoxLayout>
#include <QPushButton>
#include <array>

using CellarSchema::LotColumn;

namespace {

QString textOf(const QWidget* field) {
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->text();
    if (const auto* list = qobject_cast<const QComboBox*>(field))
        return list->currentText();
    if (const auto* note = qobject_cast<const QPlainTextEdit*>(field))
        return note->toPlainText();
    return {};
}

// A stored value as a field shows it: numbers without grouping, whole.
QString shownValue(const QVariant& value) {
    return Numbers::formatExact(value);
}

} // namespace

Correction::Correction(Globals& globals, Services& services, qint64 lot, QWidget* parent)
    : Saisie(globals, services, parent),
      m_supprimer(new QPushButton(QStringLiteral("&Supprimer ce lot"), this)),
      m_textes(new QPushButton(QStringLiteral("&Textes entiers…"), this)) {
    setWindowTitle(QStringLiteral("Corriger un lot"));
    WindowTools::setHelpTopic(this, HelpTopic);
    m_supprimer->setObjectName(QStringLiteral("Supprimer"));
    m_supprimer->setToolTip(QStringLiteral("Retire ce lot de la cave"));
    m_supprimer->setAutoDefault(false);
    m_textes->setObjectName(QStringLiteral("TextesEntiers"));
    m_textes->setToolTip(QStringLiteral("Montre en entier les textes trop longs pour les champs"));
    m_textes->setAutoDefault(false);
    m_textes->hide();
    // Beside Valider and before Annuler, in the keyboard's order too.
    auto* buttons = static_cast<QBoxLayout*>(ui->BoiteBoutons->layout());
    buttons->insertWidget(buttons->indexOf(ui->Annuler), m_supprimer);
    buttons->insertWidget(buttons->indexOf(ui->Annuler), m_textes);
    setTabOrder(ui->Valider, m_supprimer);
    setTabOrder(m_supprimer, m_textes);
    ui->Valider->setToolTip(QStringLiteral("Enregistre la correction du lot"));
    ui->Annuler->setToolTip(QStringLiteral("Remet les valeurs enregistrées du lot"));
    ui->SaisieNom->setMaxLength(LotRules::NameWidth);
    ui->SaisiePrix->setMaxLength(24);
    ui->SaisieQuantite->setMaxLength(24);
    connect(m_supprimer, &QPushButton::clicked, this, &Correction::Supprimer_Click);
    connect(m_textes, &QPushButton::clicked, this, &Correction::TextesEntiers_Click);
    BusyCursor busy;
    m_seen.error = LotIdentity::repair(DataOrny);
    if (!m_seen.error)
        m_seen = CellarQueries::lotAt(DataOrny, lot);
    DataOrny.close();
    if (m_seen.error)
        m_services.messages.databaseError(this, *m_seen.error);
    fill();
    adjustSize();
}

void Correction::putStored(QWidget* field, const QString& text, qsizetype ceiling) {
    const QString shown = TextCeiling::clipped(text, ceiling);
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        // A value another tool wrote may be longer than the field lets one type: never cut by the field.
        line->setMaxLength(std::max<int>(line->maxLength(), static_cast<int>(shown.size())));
        line->setText(shown);
        line->setReadOnly(shown.size() != text.size());
    } else if (auto* list = qobject_cast<QComboBox*>(field)) {
        list->setEditText(shown);
        list->setEnabled(shown.size() == text.size());
    } else if (auto* note = qobject_cast<QPlainTextEdit*>(field)) {
        note->setPlainText(shown);
        note->setReadOnly(shown.size() != text.size());
    }
    if (shown.size() != text.size())
        m_clipped << text;
    m_given.insert(field, shown);
}

void Correction::fill() {
    m_given.clear();
    m_clipped.clear();
    if (!m_seen.found)
        return;
    const DbRow& v = m_seen.lot.values;
    putStored(ui->SaisieNom, v.at(LotColumn::Nom).toString(), TextCeiling::Line);
    putStored(ui->ListeType, v.at(LotColumn::Type).toString(), TextCeiling::Line);
    putStored(ui->SaisiePrix, shownValue(v.at(LotColumn::PrixUnitaire)), TextCeiling::Line);
    putStored(ui->SaisieQuantite, shownValue(v.at(LotColumn::Quantite)), TextCeiling::Line);
    putStored(ui->SaisieAnnee, shownValue(v.at(LotColumn::Annee)), TextCeiling::Line);
    // A colour that is not among the labels (written by another tool) is kept as it is.
    const QString colour = TextCeiling::clipped(v.at(LotColumn::Couleur).toString(), TextCeiling::Line);
    if (!colour.isEmpty() && ui->ListeCouleur->findText(colour) < 0)
        ui->ListeCouleur->addItem(colour);
    ui->ListeCouleur->setCurrentIndex(ui->ListeCouleur->findText(colour));
    m_given.insert(ui->ListeCouleur, colour);
    ui->PrixTotal->setText(
        Numbers::productTwoDecimals(ui->SaisiePrix->text(), ui->SaisieQuantite->text()).value_or(QString()));
    const DbRow details = m_seen.lot.detailValues.empty() ? DbRow(Lot::DetailCount) : m_seen.lot.detailValues;
    putStored(ui->SaisieBoireDes, shownValue(details.at(0)), TextCeiling::Line);
    putStored(ui->SaisieBoireJusqua, shownValue(details.at(1)), TextCeiling::Line);
    putStored(ui->SaisieEmplacement, details.at(2).toString(), TextCeiling::Line);
    putStored(ui->SaisieNote, details.at(3).toString(), TextCeiling::Note);
    // Stars another tool wrote outside the list are shown as they are.
    const QVariant& stars = details.at(4);
    int index = stars.isNull() ? 0 : ui->ListeAppreciation->findData(stars.toLongLong());
    if (!stars.isNull() && (index < 0 || stars.typeId() != QMetaType::LongLong)) {
        ui->ListeAppreciation->addItem(TextCeiling::clipped(shownValue(stars), TextCeiling::Line), stars);
        index = ui->ListeAppreciation->count() - 1;
    }
    ui->ListeAppreciation->setCurrentIndex(index);
    m_given.insert(ui->ListeAppreciation, ui->ListeAppreciation->currentText());
    m_textes->setVisible(!m_clipped.isEmpty());
    ui->SaisieNom->setFocus();
    ui->SaisieNom->selectAll();
}

bool Correction::kept(const QWidget* field) const {
    const auto given = m_given.constFind(field);
    return given != m_given.constEnd() && *given == textOf(field);
}

void Correction::Annuler_Click() {
    clearFields();
    fill();
}

void Correction::TextesEntiers_Click() {
    LongTextViewer viewer(m_clipped, this);
    viewer.exec();
}

bool Correction::refusedAsChanged(Status failure, bool changed) {
    if (failure) {
        m_services.messages.databaseError(this, *failure);
        return true;
    }
    if (!changed)
        return false;
    const CellarQueries::StoredLot now = CellarQueries::lotAt(DataOrny, m_seen.rowid);
    DataOrny.close();
    QStringList what = CellarQueries::differences(m_seen, now);
    if (what.isEmpty())
        what << QStringLiteral("le lot");
    m_services.messages.notice(
        this,
        QStringLiteral("Ce lot a été modifié depuis l'ouverture de cette fenêtre, par "
                       "Brovane ou par un autre programme : %1.\nRien n'a été changé : "
                       "fermez la fenêtre et rouvrez le lot.")
            .arg(what.join(QStringLiteral(", "))),
        MessageBox::Icon::Exclamation);
    return true;
}

bool Correction::record(const Lot& typed) {
    if (!m_seen.found)
        return false;
    // What the user did not touch stays exactly as stored.
    const std::array<const QWidget*, CellarSchema::LotColumnCount> lotFields = {
        ui->SaisieNom, ui->ListeType, ui->SaisieAnnee, ui->ListeCouleur, ui->SaisieQuantite, ui->SaisiePrix};
    const std::array<const QWidget*, Lot::DetailCount> detailFields = {
        ui->SaisieBoireDes, ui->SaisieBoireJusqua, ui->SaisieEmplacement, ui->SaisieNote,
        ui->ListeAppreciation};
    std::array<bool, CellarSchema::LotColumnCount> changedLot{};
    std::array<bool, Lot::DetailCount> changedDetails{};
    for (size_t c = 0; c < lotFields.size(); ++c)
        changedLot[c] = !kept(lotFields[c]);
    for (size_t c = 0; c < detailFields.size(); ++c)
        changedDetails[c] = !kept(detailFields[c]);
    bool changed = false;
    Status failure;
    {
        BusyCursor busy;
        failure = CellarQueries::correctLot(DataOrny, m_seen,
                                            m_seen.lot.with(typed, changedLot, changedDetails), changed);
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
    const DbRow& v = m_seen.lot.values;
    auto text = [&](LotColumn c) { return TextCeiling::clipped(v.at(c).toString(), 200); };
    if (m_services.messages.show(
            this, windowTitle(),
            QStringLiteral("Supprimer ce lot de la cave ?\n\n%1 %2, %3, %4 : %5 bouteille(s).")
                .arg(text(LotColumn::Nom), text(LotColumn::Annee), text(LotColumn::Type),
                     text(LotColumn::Couleur),
                     TextCeiling::clipped(Numbers::formatValue(v.at(LotColumn::Quantite)), 200)),
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
