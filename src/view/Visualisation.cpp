// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/Visualisation.h"

#include "database/LotIdentity.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/Lot.h"
#include "purchases/Correction.h"
#include "ui/BusyCursor.h"
#include "ui/CellarGate.h"
#include "ui/ConsumedQuantity.h"
#include "ui/CsvExport.h"
#include "ui/GridSearch.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/TextCeiling.h"
#include "ui/WindowTools.h"
#include "ui_Visualisation.h"
#include "view/CellarModel.h"
#include "view/GridLayout.h"
#include "view/GridWidths.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QSettings>
#include <QShortcut>

namespace {
// The user's choices of display, beside the program's settings.
constexpr const char* DisplaySettings = "Affichage.ini";
const QString CaptionStart = QStringLiteral("Visualisation de la orny : ");
const QString AllBottles = CaptionStart + QStringLiteral("toutes les bouteilles");
const QString BottlesOf = CaptionStart + QStringLiteral("les bouteilles de ");
} // namespace

Visualisation::Visualisation(Globals& globals, Services& services, QWidget* parent, const QDate& today)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Visualisation>()), m_globals(globals),
      m_services(services), m_model(new CellarModel(DataVisu, this)), m_today(today) {
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
    WindowTools::tipLongCells(ui->Grille);
    // A total too long for the window goes on more lines rather than taking the search field's room.
    ui->Recherche->setMinimumWidth(ui->Recherche->sizeHint().width());
    connect(ui->Tout, &QPushButton::clicked, this, &Visualisation::Tout_Click);
    connect(ui->Rouge, &QPushButton::clicked, this, &Visualisation::Rouge_Click);
    connect(ui->Blanc, &QPushButton::clicked, this, &Visualisation::Blanc_Click);
    connect(ui->Rose, &QPushButton::clicked, this, &Visualisation::Rose_Click);
    connect(ui->Annee, &QPushButton::clicked, this, &Visualisation::Annee_Click);
    connect(ui->APartirDe, &QPushButton::clicked, this, &Visualisation::APartirDe_Click);
    connect(ui->ListeNom, &QComboBox::activated, this, &Visualisation::ListeNom_Click);
    connect(ui->ListeType, &QComboBox::activated, this, &Visualisation::ListeType_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Visualisation::Quitter_Click);
    m_search = new GridSearch(ui->Recherche, ui->Grille);
    connect(m_search, &GridSearch::searched, this, &Visualisation::Recherche_Change);
    connect(ui->Exporter, &QPushButton::clicked, this, &Visualisation::Exporter_Click);
    auto* corriger = new QAction(QStringLiteral("&Corriger ou supprimer ce lot…"), ui->Grille);
    corriger->setObjectName(QStringLiteral("Corriger"));
    corriger->setShortcut(Qt::Key_F2);
    corriger->setShortcutContext(Qt::WidgetShortcut);
    ui->Grille->addAction(corriger);
    // The details' columns are shown as they come; the others sort.
    m_sort = new GridSort(ui->Grille, [this](int shown) {
        return CellarQuery::Columns[m_model->queryColumn(shown)].sort != CellarQuery::SortKey::None;
    });
    connect(m_sort, &GridSort::sorted, this, &Visualisation::Grille_Sort);
    connect(corriger, &QAction::triggered, this, &Visualisation::Corriger_Click);
    m_widths =
        new GridWidths(ui->Grille, displaySettings(), [this](int shown) -> const CellarQuery::GridColumn& {
            return CellarQuery::Columns[m_model->queryColumn(shown)];
        });
    auto* largeurs = new QAction(QStringLiteral("&Largeurs d'origine des colonnes"), ui->Grille);
    largeurs->setObjectName(QStringLiteral("LargeursOrigine"));
    ui->Grille->addAction(largeurs);
    connect(largeurs, &QAction::triggered, m_widths, &GridWidths::forget);
    // Ctrl+B: B alone searches the grid, Alt+B is the « Blanc » button.
    auto* boire = new QAction(QStringLiteral("&Boire…"), ui->Grille);
    boire->setObjectName(QStringLiteral("Boire"));
    boire->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    boire->setShortcutContext(Qt::WidgetShortcut);
    ui->Grille->addAction(boire);
    connect(boire, &QAction::triggered, this, &Visualisation::Boire_Click);
    // Ctrl+End goes to the view's last lot, in the column of the current cell.
    auto* fin =
        new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_End), ui->Grille, nullptr, nullptr, Qt::WidgetShortcut);
    connect(fin, &QShortcut::activated, this, [this] {
        const int last = m_model->rowCount() - 1;
        if (last < 0)
            return;
        BusyCursor busy;
        ui->Grille->setCurrentIndex(m_model->index(last, std::max(0, ui->Grille->currentIndex().column())));
    });
    // The details' columns the user asked for last time, none the first time.
    const QSettings settings(displaySettings(), QSettings::IniFormat);
    m_emplacement = new QAction(QStringLiteral("Afficher l'&emplacement"), ui->Grille);
    m_emplacement->setObjectName(QStringLiteral("ColonneEmplacement"));
    m_aBoire = new QAction(QStringLiteral("Afficher les &dates « À boire »"), ui->Grille);
    m_aBoire->setObjectName(QStringLiteral("ColonneABoire"));
    for (QAction* option : {m_emplacement, m_aBoire}) {
        option->setCheckable(true);
        ui->Grille->addAction(option);
    }
    m_emplacement->setChecked(settings.value(QStringLiteral("Visualisation/Emplacement"), false).toBool());
    m_aBoire->setChecked(settings.value(QStringLiteral("Visualisation/ABoire"), false).toBool());
    m_model->setOptionalColumns(m_emplacement->isChecked(), m_aBoire->isChecked());
    m_model->setCurrentYear(m_today.year());
    connect(m_emplacement, &QAction::toggled, this, &Visualisation::showOptionalColumns);
    connect(m_aBoire, &QAction::toggled, this, &Visualisation::showOptionalColumns);
    connect(ui->ABoire, &QPushButton::clicked, this, &Visualisation::ABoire_Click);
    connect(ui->Priorite, &QPushButton::clicked, this, &Visualisation::Priorite_Click);
    connect(ui->Grille, &QAbstractItemView::doubleClicked, this, &Visualisation::Corriger_Click);
    // A value read as the grid scrolls widens its number column if it must.
    connect(m_model, &CellarModel::rowsRead, m_widths, &GridWidths::measure);
    connect(m_model, &CellarModel::fetchFailed, this,
            [this](const Failure& error) { m_services.messages.databaseError(this, error); });
    Form_Load();
}

Visualisation::~Visualisation() = default;

QString Visualisation::displaySettings() const {
    return m_globals.settingsFolder + QLatin1String(DisplaySettings);
}

void Visualisation::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        GridLayout::applyColours(ui->Grille);
    WorkingWindow::changeEvent(event);
}

void Visualisation::hideEvent(QHideEvent* event) {
    WindowTools::savePlace(this, displaySettings(), QStringLiteral("Visualisation/Fenetre"));
    WorkingWindow::hideEvent(event);
}

void Visualisation::Form_Load() {
    BusyCursor busy;
    // The grid opens as wide as its seven columns and the vertical scroll bar, and grows with the window.
    ui->Grille->setMinimumWidth(GridLayout::gridWidth(ui->Grille));
    adjustSize();
    resize(width(), std::max(height(), ui->Grille->verticalHeader()->defaultSectionSize() * 18));
    // Where the user left it last time, as large as he made it.
    if (WindowTools::restorePlace(this, displaySettings(), QStringLiteral("Visualisation/Fenetre")))
        keepPlace();
    setCaption(AllBottles);
    DataListe.setDatabaseName(m_globals.databasePath());
    DataVisu.setDatabaseName(m_globals.databasePath());
    // Details whose lot another tool renumbered are found again before they are shown.
    const Status mended = LotIdentity::repair(DataListe);
    const Status lists = fillBothLists();
    showView(CellarQuery::all(), mended ? mended : lists);
    ui->Quitter->setFocus();
}

Status Visualisation::fillList(QComboBox* list, const QString& column, bool keepChoice) {
    const QString chosen = keepChoice ? list->currentText() : QString();
    list->clear();
    // A text another tool made huge is listed cut, as the grid shows it.
    const CellarQueries::TextList values = CellarQueries::distinctValues(
        DataListe, column, {}, TextCeiling::clippedSql(column, TextCeiling::Line));
    DataListe.close();
    WindowTools::fillList(list, values.values);
    if (!chosen.isEmpty())
        list->setCurrentIndex(list->findText(chosen));
    return values.error;
}

Status Visualisation::fillBothLists(bool keepChoice) {
    if (Status failure = fillList(ui->ListeType, QStringLiteral("TYPE"), keepChoice))
        return failure;
    return fillList(ui->ListeNom, QStringLiteral("NOM"), keepChoice);
}

void Visualisation::showView(const CellarQuery::View& view, Status failure) {
    // A view comes in its own order; the search typed stays, its last key included.
    const QSignalBlocker quiet(m_search);
    m_search->flush();
    m_shown.search = m_search->text();
    m_shown.view = view;
    m_shown.sort = {};
    m_sort->reset();
    refresh(failure);
}

bool Visualisation::hasDetails() {
    bool present = false;
    return !DataVisu.open() && !DataVisu.addedTables(present) && present;
}

void Visualisation::refresh(Status failure, bool recount) {
    m_shown.details = hasDetails();
    // One message for the whole change, however many of its steps could not read the cellar. An order
    // cannot change the totals, nor how many rows there are.
    if (!failure && recount)
        failure = showTotals();
    if (!failure)
        failure = m_model->show(m_shown, m_lots);
    if (failure) {
        m_lots = 0;
        m_model->clear();
        ui->Totaux->clear();
    }
    if (failure && !isVisible()) {
        // Read at the opening: nothing of the cellar could be, and an empty grid would say it is empty.
        CellarGate::tell(m_services.messages, parentWidget(), m_globals.CheminBase, *failure);
        doNotOpen();
    } else if (failure) {
        m_services.messages.databaseError(this, *failure);
    }
    m_widths->apply();
}

Status Visualisation::showTotals() {
    const CellarQuery::Statement statement = CellarQuery::totals(m_shown);
    const DbRows totals = DataVisu.query(statement.sql, statement.params);
    if (!totals.ok())
        return totals.error;
    const LotRules::Totals t = LotRules::Totals::fromSums(totals.rows.front());
    m_lots = t.lots;
    const auto lots = [](qlonglong n) { return Numbers::counted(n, QStringLiteral("lot")); };
    QString text = QStringLiteral("%1, %2 bouteille%3, valeur %4")
                       .arg(lots(t.lots), Numbers::groupedDigits(t.bottles),
                            t.bottles >= 2 ? QStringLiteral("s") : QString(),
                            Numbers::euros(Numbers::formatAmount(t.value)));
    const qint64 withoutPrice = t.withoutPrice;
    const qint64 odd = t.setApart;
    if (withoutPrice > 0)
        text += QStringLiteral(" (dont %1 sans prix)").arg(lots(withoutPrice));
    if (odd > 0)
        text += QStringLiteral(" (et %1 hors normes, non compté%2)")
                    .arg(lots(odd), Numbers::plural(odd) ? QStringLiteral("s") : QString());
    ui->Totaux->setText(text);
    return std::nullopt;
}

void Visualisation::Recherche_Change(const QString& text) {
    m_shown.search = text;
    setCaption(m_caption);
    refresh();
}

void Visualisation::setCaption(const QString& view) {
    m_caption = view;
    const QString searched = m_search->text().simplified();
    setWindowTitle(searched.isEmpty() ? view : view + QStringLiteral(" : recherche « %1 »").arg(searched));
}

void Visualisation::Grille_Sort(int shownColumn, bool descending) {
    m_shown.sort = {m_model->queryColumn(shownColumn), descending};
    // An order cannot change the totals.
    refresh({}, false);
}

void Visualisation::Exporter_Click() {
    const QString path = CsvExport::askPath(m_services, this, QStringLiteral("Exporter pour un tableur"),
                                            QStringLiteral("Cave"));
    if (!path.isEmpty())
        exportCsv(path);
}

bool Visualisation::exportCsv(const QString& path) {
    const CellarQuery::Statement all = CellarQuery::everyRow(m_shown);
    CsvExport::Source source{
        m_globals.databasePath(), all.sql, all.params, {}, {}, QStringLiteral("Export de la cave…")};
    // The columns shown, the rowid before them.
    for (int column = 0; column < m_model->columnCount(); ++column) {
        source.columns << 1 + m_model->queryColumn(column);
        source.captions << m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole);
    }
    const Result<CsvExport::Written> written = CsvExport::exportRows(m_services, this, path, source);
    return written.ok() && !written->cancelled;
}

void Visualisation::viewWithoutInput(const QString& caption, const CellarQuery::View& view) {
    setCaption(caption);
    showView(view, fillBothLists());
    ui->Quitter->setFocus();
}

void Visualisation::Tout_Click() {
    viewWithoutInput(AllBottles, CellarQuery::all());
}

void Visualisation::Rouge_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin rouge"),
                     CellarQuery::colour(QStringLiteral("Rouge")));
}

void Visualisation::Blanc_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin blanc"),
                     CellarQuery::colour(QStringLiteral("Blanc")));
}

void Visualisation::Rose_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("le vin rosé"),
                     CellarQuery::colour(QStringLiteral("Rosé")));
}

void Visualisation::viewOfYear(const QString& captionStart, CellarQuery::View (*view)(double)) {
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
    viewWithoutInput(captionStart + answer, view(*year));
}

void Visualisation::Annee_Click() {
    viewOfYear(BottlesOf, CellarQuery::year);
}

void Visualisation::APartirDe_Click() {
    viewOfYear(CaptionStart + QStringLiteral("les bouteilles à partir de "), CellarQuery::fromYear);
}

void Visualisation::viewOfList(QComboBox* used, QComboBox* other, const QString& otherColumn,
                               CellarQuery::View (*view)(const QString&)) {
    const QString chosen = used->currentText();
    if (!chosen.isEmpty()) {
        const Status failure = fillList(other, otherColumn);
        setCaption(BottlesOf + chosen);
        showView(view(chosen), failure);
    }
    ui->Quitter->setFocus();
}

void Visualisation::ListeNom_Click() {
    viewOfList(ui->ListeNom, ui->ListeType, QStringLiteral("TYPE"), CellarQuery::name);
}

void Visualisation::ListeType_Click() {
    viewOfList(ui->ListeType, ui->ListeNom, QStringLiteral("NOM"), CellarQuery::type);
}

void Visualisation::Corriger_Click() {
    const QModelIndex current = ui->Grille->currentIndex();
    if (!current.isValid())
        return;
    const qint64 lot = m_model->rowidAt(current.row());
    {
        Correction window(m_globals, m_services, lot, this);
        if (!window.lotFound())
            m_services.messages.notice(
                this,
                QStringLiteral("Ce lot n'est plus dans la cave : il a été retiré depuis "
                               "l'affichage de la grille."),
                MessageBox::Icon::Exclamation);
        else if (window.exec() != QDialog::Accepted)
            return;
    }
    lotChanged(lot, current);
}

void Visualisation::lotChanged(qint64 lot, const QModelIndex& where) {
    const Status failure = fillBothLists(true);
    refresh(failure);
    selectLot(lot, where.row(), where.column());
    ui->Grille->setFocus();
}

void Visualisation::Boire_Click() {
    const QModelIndex current = ui->Grille->currentIndex();
    if (!current.isValid())
        return;
    const qint64 lot = m_model->rowidAt(current.row());
    CellarQueries::StoredLot seen = CellarQueries::lotAt(DataListe, lot);
    DataListe.close();
    if (seen.error) {
        m_services.messages.databaseError(this, *seen.error);
        return;
    }
    if (!seen.found) {
        m_services.messages.notice(this,
                                   QStringLiteral("Ce lot n'est plus dans la cave : il a été retiré depuis "
                                                  "l'affichage de la grille."),
                                   MessageBox::Icon::Exclamation);
        return lotChanged(lot, current);
    }
    using CellarSchema::LotColumn;
    const DbRow& v = seen.lot.values;
    auto text = [&](LotColumn c) { return TextCeiling::clipped(Numbers::formatValue(v.at(c)), 100); };
    const QString typed = m_services.inputs.ask(
        this, QStringLiteral("Boire"),
        QStringLiteral("Combien de bouteilles de %1 %2 (%3, %4) avez-vous bues ?\nEn stock dans ce lot : %5.")
            .arg(text(LotColumn::Nom), text(LotColumn::Annee), text(LotColumn::Type),
                 text(LotColumn::Couleur), text(LotColumn::Quantite)));
    if (typed.isNull())
        return;
    qlonglong bottles = 0;
    if (const std::optional<QString> refused =
            ConsumedQuantity::refusal(typed, v.at(LotColumn::Quantite), bottles)) {
        m_services.messages.inputError(this, *refused);
        return;
    }
    CellarQueries::ConsumeResult result;
    {
        BusyCursor busy;
        result = CellarQueries::drink(DataListe, seen, bottles);
        DataListe.close();
    }
    if (result.outcome == CellarQueries::Consumed::Failed)
        return m_services.messages.databaseError(this, *result.error);
    if (result.outcome == CellarQueries::Consumed::LotGone)
        m_services.messages.notice(
            this,
            QStringLiteral("Ce lot a été modifié depuis l'affichage de la grille, par "
                           "Brovane ou par un autre programme.\nRien n'a été enregistré."),
            MessageBox::Icon::Exclamation);
    lotChanged(lot, current);
}

void Visualisation::selectLot(qint64 lot, int row, int column) {
    const Result<int> found = m_model->rowOf(lot);
    if (!found.ok())
        m_services.messages.databaseError(this, found.failure());
    if (found.ok() && found.value() >= 0)
        ui->Grille->setCurrentIndex(m_model->index(found.value(), column));
    else if (m_model->rowCount() > 0)
        ui->Grille->setCurrentIndex(m_model->index(std::min(row, m_model->rowCount() - 1), column));
}

void Visualisation::ABoire_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("les bouteilles à boire cette année"),
                     CellarQuery::toDrink(m_today.year(), hasDetails()));
}

void Visualisation::Priorite_Click() {
    viewWithoutInput(CaptionStart + QStringLiteral("les bouteilles à boire en priorité"),
                     CellarQuery::drinkFirst(m_today.year(), hasDetails()));
}

void Visualisation::showOptionalColumns() {
    m_model->setOptionalColumns(m_emplacement->isChecked(), m_aBoire->isChecked());
    QSettings settings(displaySettings(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Visualisation/Emplacement"), m_emplacement->isChecked());
    settings.setValue(QStringLiteral("Visualisation/ABoire"), m_aBoire->isChecked());
    m_shown.sort = {};
    m_sort->reset();
    refresh();
}

void Visualisation::Quitter_Click() {
    DataVisu.close();
    close();
}
