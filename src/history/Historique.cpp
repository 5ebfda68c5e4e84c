// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Historique.h"

#include "history/DetailsSansLot.h"
#include "history/HistoryModel.h"
#include "ui/BusyCursor.h"
#include "ui/CsvExport.h"
#include "ui/GridSearch.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Historique.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

namespace {

QString bottles(WideInt n) {
    return QStringLiteral("%1 bouteille%2")
        .arg(Numbers::groupedDigits(n), n >= 2 ? QStringLiteral("s") : QString());
}

QString euros(const LotRules::ExactSum& value) {
    return Numbers::euros(Numbers::formatAmount(value));
}

} // namespace

Historique::Historique(Globals& globals, Services& services, QWidget* parent, const QDate& today)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Historique>()), m_globals(globals), m_services(services),
      m_model(new HistoryModel(DataHisto, this)) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    ui->Grille->setModel(m_model);
    // The running sums are the export's, for a spreadsheet to add up; the window shows them as its totals.
    const auto hideSums = [this] {
        for (int column = HistoryQuery::Achetees; column < HistoryQuery::ColumnCount; ++column)
            ui->Grille->setColumnHidden(column, true);
    };
    hideSums();
    connect(m_model, &QAbstractItemModel::modelReset, this, hideSums);
    ui->Grille->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->Grille->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->Grille->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->Grille->verticalHeader()->hide();
    ui->Grille->setWordWrap(false);
    ui->Grille->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->Grille->horizontalHeader()->setSectionResizeMode(HistoryQuery::Nom, QHeaderView::Stretch);
    ui->ListeNature->addItem(QStringLiteral("Tous les mouvements"));
    for (int kind = 0; kind < Journal::KindCount; ++kind)
        ui->ListeNature->addItem(Journal::label(static_cast<Journal::Kind>(kind)), kind);
    connect(ui->ListeNature, &QComboBox::currentIndexChanged, this, &Historique::Filtre_Change);
    connect(ui->ListePeriode, &QComboBox::currentIndexChanged, this, &Historique::Filtre_Change);
    m_search = new GridSearch(ui->Recherche, ui->Grille);
    connect(m_search, &GridSearch::searched, this, &Historique::Filtre_Change);
    m_sort = new GridSort(ui->Grille);
    connect(m_sort, &GridSort::sorted, this, &Historique::Grille_Sort);
    connect(ui->DetailsSansLot, &QPushButton::clicked, this, [this] {
        DetailsSansLot details(m_globals.databasePath(), m_services, this);
        details.exec();
    });
    connect(ui->Exporter, &QPushButton::clicked, this, &Historique::Exporter_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Historique::Quitter_Click);
    connect(m_model, &HistoryModel::fetchFailed, this,
            [this](const Failure& error) { m_services.messages.databaseError(this, error); });
    Form_Load(today);
}

Historique::~Historique() = default;

void Historique::Form_Load(const QDate& today) {
    BusyCursor busy;
    const int line = ui->Grille->fontMetrics().height();
    ui->Grille->setMinimumHeight(line * 16);
    adjustSize();
    WindowTools::centreOnScreen(this);
    DataHisto.setDatabaseName(m_globals.databasePath());
    Status failure = Journal::present(DataHisto, m_hasJournal);
    int first = today.year();
    int last = today.year();
    if (!failure && m_hasJournal) {
        const HistoryQuery::Statement years = HistoryQuery::years();
        const DbRows span = DataHisto.query(years.sql, years.params);
        failure = span.error;
        if (span.ok() && !span.rows.empty() && !span.rows.front().front().isNull()) {
            first = span.rows.front().at(0).toInt();
            last = span.rows.front().at(1).toInt();
        }
    }
    m_periods = HistoryQuery::periods(today, first, last);
    {
        const QSignalBlocker quiet(ui->ListePeriode);
        for (const HistoryQuery::Period& period : m_periods)
            ui->ListePeriode->addItem(period.label);
    }
    if (failure) {
        m_services.messages.databaseError(this, *failure);
        DataHisto.close();
    } else {
        Filtre_Change();
    }
    fitColumns();
    ui->ListeNature->setFocus();
}

void Historique::fitColumns() {
    // Wide enough for every column at the user's font: the short ones whole, the names, types and colours
    // with room for a good part of them (longer ones cut, whole in their tooltip).
    QHeaderView* header = ui->Grille->horizontalHeader();
    const int character = ui->Grille->fontMetrics().horizontalAdvance(QLatin1Char('n'));
    const std::pair<int, int> texts[] = {{HistoryQuery::Type, 16}, {HistoryQuery::Couleur, 9}};
    for (const auto& [column, characters] : texts) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        ui->Grille->setColumnWidth(column, std::max(header->sectionSizeHint(column), character * characters));
    }
    int width =
        character * 24 + 2 * ui->Grille->frameWidth() + ui->Grille->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < HistoryQuery::ColumnCount; ++column)
        if (column != HistoryQuery::Nom && !ui->Grille->isColumnHidden(column))
            width += std::max(header->sectionSizeHint(column), ui->Grille->columnWidth(column));
    // Never wider than the screen: at a large font the grid scrolls sideways rather than the window leaving
    // it.
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    if (shownOn)
        width = std::min(width, shownOn->availableGeometry().width() - 80);
    ui->Grille->setMinimumWidth(width);
    WindowTools::tipLongCells(ui->Grille);
    adjustSize();
}

void Historique::Filtre_Change() {
    showMovements(true);
}

void Historique::Grille_Sort(int, bool) {
    showMovements(false);
}

void Historique::showMovements(bool recount) {
    if (!m_hasJournal) {
        ui->Totaux->setText(QStringLiteral("Aucun mouvement n'a encore été enregistré dans cette cave."));
        return;
    }
    HistoryQuery::Filter filter;
    if (ui->ListeNature->currentIndex() > 0)
        filter.kind = static_cast<Journal::Kind>(ui->ListeNature->currentData().toInt());
    const int period = ui->ListePeriode->currentIndex();
    if (period >= 0 && period < m_periods.size()) {
        filter.from = m_periods.at(period).from;
        filter.until = m_periods.at(period).until;
    }
    {
        const QSignalBlocker quiet(m_search);
        m_search->flush();
    }
    filter.search = m_search->text();
    filter.sortColumn = m_sort->column();
    filter.descending = m_sort->descending();
    BusyCursor busy;
    Status failure = m_model->show(filter);
    // An order cannot change the totals.
    if (!failure && recount)
        failure = showTotals();
    if (failure) {
        ui->Totaux->clear();
        m_services.messages.databaseError(this, *failure);
    }
    if (m_model->rowCount() > 0 && !ui->Grille->currentIndex().isValid())
        ui->Grille->setCurrentIndex(m_model->index(0, 0));
}

Status Historique::showTotals() {
    const HistoryQuery::Statement statement = HistoryQuery::totals(m_model->filter());
    const DbRows totals = DataHisto.query(statement.sql, statement.params);
    if (!totals.ok())
        return totals.error;
    const DbRow& t = totals.rows.front();
    const qlonglong shown = t.at(0).toLongLong();
    const HistoryQuery::Moved moved = HistoryQuery::Moved::fromSums(t, 1);
    // What the columns of figures add up to: the movements that still hold, none undone nor undoing.
    ui->Totaux->setText(QStringLiteral("%1 mouvement%2 — achetées ou importées : %3, %4 — bues : %5, %6")
                            .arg(Numbers::groupedDigits(shown), shown > 1 ? QStringLiteral("s") : QString(),
                                 bottles(moved.bought), euros(moved.boughtValue), bottles(moved.drunk),
                                 euros(moved.drunkValue)));
    return std::nullopt;
}

void Historique::Exporter_Click() {
    if (!m_hasJournal)
        return;
    const QString path = CsvExport::askPath(m_services, this, QStringLiteral("Exporter pour un tableur"),
                                            QStringLiteral("Historique"));
    if (!path.isEmpty())
        exportCsv(path);
}

bool Historique::exportCsv(const QString& path) {
    const HistoryQuery::Statement all = HistoryQuery::page(m_model->filter());
    CsvExport::Source source{
        m_globals.databasePath(), all.sql, all.params, {}, {}, QStringLiteral("Export de l'historique…")};
    // The columns shown, the movement's number before them.
    for (int column = 0; column < HistoryQuery::ColumnCount; ++column) {
        source.columns << 1 + column;
        source.captions << m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole);
    }
    const Result<CsvExport::Written> written = CsvExport::exportRows(m_services, this, path, source);
    return written.ok() && !written->cancelled;
}

void Historique::Quitter_Click() {
    close();
}
