// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/Visualisation.h"

#include "database/CellarQueries.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Visualisation.h"
#include "view/CellarModel.h"
#include "view/GridLayout.h"

#include <QAbstractItemView>

namespace {
const QString CaptionStart = QStringLiteral("Visualisation de la orny : ");
const QString AllBottles = CaptionStart + QStringLiteral("toutes les bouteilles");
const QString BottlesOf = CaptionStart + QStringLiteral("les bouteilles de ");
} // namespace

Visualisation::Visualisation(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Visualisation>()), m_globals(globals),
      m_services(services), m_model(new CellarModel(DataVisu, this)) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    ui->Grille->setModel(m_model);
    // The lists are narrow below the grid; their opened list shows whole names.
    WindowTools::fitCharacters(ui->ListeNom, 14);
    WindowTools::fitCharacters(ui->ListeType, 14);
    ui->ListeNom->view()->setMinimumWidth(ui->ListeNom->fontMetrics().horizontalAdvance(QLatin1Char('n')) *
                                          32);
    ui->ListeType->view()->setMinimumWidth(ui->ListeType->fontMetrics().horizontalAdvance(QLatin1Char('n')) *
                                           24);
    GridLayout::applyFixedSettings(ui->Grille);
    connect(ui->Tout, &QPushButton::clicked, this, &Visualisation::Tout_Click);
    connect(ui->Rouge, &QPushButton::clicked, this, &Visualisation::Rouge_Click);
    connect(ui->Blanc, &QPushButton::clicked, this, &Visualisation::Blanc_Click);
    connect(ui->Rose, &QPushButton::clicked, this, &Visualisation::Rose_Click);
    connect(ui->Annee, &QPushButton::clicked, this, &Visualisation::Annee_Click);
    connect(ui->APartirDe, &QPushButton::clicked, this, &Visualisation::APartirDe_Click);
    connect(ui->ListeNom, &QComboBox::activated, this, &Visualisation::ListeNom_Click);
    connect(ui->ListeType, &QComboBox::activated, this, &Visualisation::ListeType_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Visualisation::Quitter_Click);
    // A value fetched as the grid scrolls widens its number column if it must.
    connect(m_model, &CellarModel::rowsInserted, this, [this] { GridLayout::fitNumbers(ui->Grille); });
    connect(m_model, &CellarModel::fetchFailed, this,
            [this](const Failure& error) { m_services.messages.databaseError(this, error); });
    Form_Load();
}

Visualisation::~Visualisation() = default;

void Visualisation::Form_Load() {
    BusyCursor busy;
    // The grid opens as wide as its seven columns and the vertical scroll bar, and grows with the window.
    ui->Grille->setMinimumWidth(GridLayout::gridWidth(ui->Grille));
    adjustSize();
    resize(width(), std::max(height(), ui->Grille->verticalHeader()->defaultSectionSize() * 18));
    WindowTools::centreOnScreen(this);
    setWindowTitle(AllBottles);
    DataListe.setDatabaseName(m_globals.databasePath());
    DataVisu.setDatabaseName(m_globals.databasePath());
    showView(CellarViews::all(), fillBothLists());
    ui->Quitter->setFocus();
}

Status Visualisation::fillList(QComboBox* list, const QString& column) {
    list->clear();
    const CellarQueries::TextList values = CellarQueries::distinctValues(DataListe, column);
    DataListe.close();
    WindowTools::fillList(list, values.values);
    return values.error;
}

Status Visualisation::fillBothLists() {
    if (Status failure = fillList(ui->ListeType, QStringLiteral("TYPE")))
        return failure;
    return fillList(ui->ListeNom, QStringLiteral("NOM"));
}

void Visualisation::showView(const CellarViews::Statement& statement, Status failure) {
    // One message for the whole change of view, however many of its steps could not read the cellar.
    if (!failure)
        failure = m_model->show(statement);
    else
        m_model->clear();
    if (failure)
        m_services.messages.databaseError(this, *failure);
    GridLayout::applyColumnLayout(ui->Grille);
}

void Visualisation::viewWithoutInput(const QString& caption, const CellarViews::Statement& statement) {
    setWindowTitle(caption);
    showView(statement, fillBothLists());
    ui->Quitter->setFocus();
}

void Visualisation::Tout_Click() {
    viewWithoutInput(AllBottles, CellarViews::all());
}

void Visualisation::Rouge_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin rouge"),
                     CellarViews::colour(QStringLiteral("Rouge")));
}

void Visualisation::Blanc_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin blanc"),
                     CellarViews::colour(QStringLiteral("Blanc")));
}

void Visualisation::Rose_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin rosé"),
                     CellarViews::colour(QStringLiteral("Rosé")));
}

void Visualisation::viewOfYear(const QString& captionStart, CellarViews::Statement (*statement)(double)) {
    const QString answer = m_services.inputs.ask(this, QStringLiteral("Recherche par année"),
                                                 QStringLiteral("Entrez l'année (en 4 chiffres)"));
    if (answer.isEmpty())
        return m_services.messages.inputError(this, QStringLiteral("Vous devez saisir l'annéee !!"));
    if (answer.size() != 4)
        return m_services.messages.inputError(this,
                                              QStringLiteral("Vous devez saisir l'annéee en 4 chiffres!!"));
    const std::optional<double> year = Numbers::read(answer);
    if (!year)
        return m_services.messages.inputError(this,
                                              QStringLiteral("Vous devez saisir l'annéee en chiffres!!"));
    viewWithoutInput(captionStart + answer, statement(*year));
}

void Visualisation::Annee_Click() {
    viewOfYear(BottlesOf, CellarViews::year);
}

void Visualisation::APartirDe_Click() {
    viewOfYear(CaptionStart + QStringLiteral("les bouteilles à partir de "), CellarViews::fromYear);
}

void Visualisation::viewOfList(QComboBox* used, QComboBox* other, const QString& otherColumn,
                               CellarViews::Statement (*statement)(const QString&)) {
    const QString chosen = used->currentText();
    if (!chosen.isEmpty()) {
        const Status failure = fillList(other, otherColumn);
        setWindowTitle(BottlesOf + chosen);
        showView(statement(chosen), failure);
    }
    ui->Quitter->setFocus();
}

void Visualisation::ListeNom_Click() {
    viewOfList(ui->ListeNom, ui->ListeType, QStringLiteral("TYPE"), CellarViews::name);
}

void Visualisation::ListeType_Click() {
    viewOfList(ui->ListeType, ui->ListeNom, QStringLiteral("NOM"), CellarViews::type);
}

void Visualisation::Quitter_Click() {
    DataVisu.close();
    close();
}
