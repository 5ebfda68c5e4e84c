// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/ImporterTableau.h"

#include "database/CellarFiles.h"
#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "spreadsheet/CellarMatch.h"
#include "spreadsheet/FrenchValues.h"
#include "ui/BusyCursor.h"
#include "ui/CsvExport.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_ImporterTableau.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>

using LotReading::Field;

namespace {

const int PreviewRows = 10;
const char* const ListNames[LotReading::FieldCount] = {"Nom",         "Type", "Annee",       "Couleur",
                                                       "Quantite",    "Prix", "BoireDes",    "BoireJusqua",
                                                       "Emplacement", "Note", "Appreciation"};
// The access letter of each field's label, each one free in the window (« Appréciation » takes its t).
const char* const Labels[LotReading::FieldCount] = {
    "&Nom",        "T&ype",    "&Année",       "&Couleur", "Q&uantité",    "Pri&x unitaire",
    "À &boire de", "&jusqu'à", "E&mplacement", "N&ote",    "Apprécia&tion"};
const QString NoColumn = QStringLiteral("(aucune)");
// Where each field's lists sit, two fields a line: those of several columns beside those of one.
const std::pair<int, int> Places[LotReading::FieldCount] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {3, 1}, {3, 0},
                                                            {4, 0}, {4, 1}, {2, 0}, {2, 1}, {5, 0}};
const char* const PartNames[3] = {"", "Suite", "Sinon2"};
const char* const Duplicates[3] = {"ne pas les ajouter de nouveau", "les ajouter quand même, à part",
                                   "ajouter leurs bouteilles au lot de la cave"};
const QString AlreadyThere = QStringLiteral("déjà dans la cave");
// Tints a dark palette keeps readable: the text is set with them.
const QColor RefusedTint(0xF6, 0xD5, 0xD5), AlreadyTint(0xFF, 0xEE, 0xC2);

QString plural(qint64 n, const QString& one, const QString& many) {
    return (Numbers::plural(static_cast<double>(n)) ? many : one).arg(Numbers::groupedDigits(n));
}

QString shown(const QVariant& value) {
    return value.typeId() == QMetaType::Double ? Numbers::formatValue(value) : value.toString();
}

// A price as money: two decimals, more when the table gives them; a text as written.
QString money(const QVariant& price) {
    if (price.typeId() != QMetaType::Double)
        return price.toString();
    const QString exact = Numbers::formatValue(price);
    const qsizetype comma = exact.indexOf(u',');
    return Numbers::grouped(comma >= 0 && exact.size() - comma > 3
                                ? exact
                                : Numbers::formatTwoDecimals(price.toDouble())) +
           QStringLiteral(" €");
}

QString headingsOf(const std::vector<qint64>& counts, const QStringList& headings) {
    QStringList listed;
    for (size_t c = 0; c < counts.size(); ++c)
        if (counts[c] > 0)
            listed << QStringLiteral("%1 (%2)").arg(c < static_cast<size_t>(headings.size())
                                                        ? headings.at(static_cast<int>(c))
                                                        : SheetImport::columnName(static_cast<int>(c)),
                                                    Numbers::groupedDigits(counts[c]));
    return listed.join(QStringLiteral(", "));
}

const QString ScanHistory = QStringLiteral(
    "Ce tableau est l'historique des étiquettes photographiées avec une application de téléphone, pas la "
    "liste des bouteilles de votre cave : il n'est pas importé.\nExportez plutôt votre cave (la liste des "
    "bouteilles) depuis l'application, ou choisissez vous-même la colonne de la quantité.");

QString year(const std::optional<qint64>& y) {
    return y ? QString::number(*y) : QString();
}

} // namespace

ImporterTableau::ImporterTableau(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::ImporterTableau>()), m_globals(globals),
      m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    m_preview = new QStandardItemModel(this);
    ui->Apercu->setModel(m_preview);
    m_refused = new QStandardItemModel(this);
    ui->LignesRefusees->setModel(m_refused);
    ui->Couleurs->setColumnCount(3);
    ui->Couleurs->setHorizontalHeaderLabels(
        {QStringLiteral("Couleur du tableau"), QStringLiteral("Lots"), QStringLiteral("Devient")});
    ui->Couleurs->horizontalHeader()->setStretchLastSection(true);
    ui->Couleurs->verticalHeader()->hide();
    // Every caption whole at the user's font.
    int captions = 2 * ui->Couleurs->frameWidth() + ui->Couleurs->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < ui->Couleurs->columnCount(); ++column) {
        ui->Couleurs->horizontalHeader()->resizeSection(
            column, ui->Couleurs->horizontalHeader()->sectionSizeHint(column));
        captions += ui->Couleurs->horizontalHeader()->sectionSize(column);
    }
    ui->Couleurs->setMinimumWidth(captions);
    // Rows as close as the cellar's grid: several preview rows in the room a small screen leaves.
    for (QTableView* grid : {ui->Apercu, ui->LignesRefusees, static_cast<QTableView*>(ui->Couleurs)})
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    // Ten rows of the preview whole, the rest of the height to the review; the header, empty until a table
    // is open, is given a row's height more than it asks now.
    ui->Apercu->setMinimumHeight(ui->Apercu->horizontalHeader()->sizeHint().height() +
                                 (PreviewRows + 1) * ui->Apercu->verticalHeader()->defaultSectionSize() +
                                 ui->Apercu->horizontalScrollBar()->sizeHint().height() +
                                 2 * ui->Apercu->frameWidth());
    // The review takes the height the column lists leave beside them, three lines of its summary at least.
    ui->DefilementBilan->setMinimumHeight(3 * fontMetrics().lineSpacing());
    for (int mode = 0; mode < 3; ++mode)
        ui->DejaDansLaCave->addItem(QString::fromUtf8(Duplicates[mode]), mode);
    buildColumnLists();
    onEnter(ui->CheminTableau, [this] { Ouvrir_Click(); });
    connect(ui->Parcourir, &QPushButton::clicked, this, &ImporterTableau::Parcourir_Click);
    connect(ui->ListeFeuilles, &QComboBox::activated, this, &ImporterTableau::ListeFeuilles_Click);
    connect(ui->LigneTitres, &QCheckBox::toggled, this, &ImporterTableau::loadSample);
    connect(ui->Couleurs, &QTableWidget::itemSelectionChanged, this, &ImporterTableau::Couleurs_Click);
    connect(ui->Devient, &QComboBox::currentIndexChanged, this, &ImporterTableau::Devient_Click);
    connect(ui->DejaDansLaCave, &QComboBox::currentIndexChanged, this,
            &ImporterTableau::DejaDansLaCave_Change);
    connect(ui->AnneeSansMillesime, &QLineEdit::textEdited, this,
            &ImporterTableau::AnneeSansMillesime_Change);
    onEnter(ui->AnneeSansMillesime, [this] { Verifier_Click(); });
    connect(ui->Verifier, &QPushButton::clicked, this, &ImporterTableau::Verifier_Click);
    connect(ui->Importer, &QPushButton::clicked, this, &ImporterTableau::Importer_Click);
    connect(ui->ExporterRefus, &QPushButton::clicked, this, &ImporterTableau::ExporterRefus_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &ImporterTableau::Quitter_Click);
    Form_Load();
    // Wide enough for the preview's columns and tall enough for several of its rows, within the screen.
    const int line = fontMetrics().height();
    const QSize screen = this->screen()->availableGeometry().size() * 9 / 10;
    resize(QSize(line * 88, line * 48).boundedTo(screen).expandedTo(minimumSizeHint()));
}

ImporterTableau::~ImporterTableau() = default;

void ImporterTableau::Form_Load() {
    DataLink link(m_globals.databasePath());
    CellarQueries::TextList colours;
    if (Status failure = link.open())
        colours.error = failure;
    else
        colours = CellarQueries::colours(link);
    if (colours.error)
        m_services.messages.databaseError(this, *colours.error);
    m_cellarColours = colours.values;
}

void ImporterTableau::buildColumnLists() {
    for (int f = 0; f < LotReading::FieldCount; ++f) {
        const auto field = static_cast<Field>(f);
        auto* label = new QLabel(QString::fromUtf8(Labels[f]), ui->BoiteColonnes);
        const auto [row, place] = Places[f];
        ui->GrilleColonnes->addWidget(label, row, place * 2);
        auto* lists = new QHBoxLayout;
        ui->GrilleColonnes->addLayout(lists, row, place * 2 + 1);
        for (int part = 0; part < LotReading::columnsOf(field); ++part) {
            auto* list = new QComboBox(ui->BoiteColonnes);
            list->setObjectName(QStringLiteral("Colonne") + QString::fromLatin1(ListNames[f]) +
                                QString::fromLatin1(PartNames[part]));
            list->setToolTip(
                part == 0
                    ? QStringLiteral("Colonne du tableau qui donne : %1").arg(LotReading::fieldName(field))
                : field == Field::Type
                    ? QStringLiteral("Colonne prise quand les précédentes sont vides")
                    : QStringLiteral("Colonne ajoutée à la suite, après un espace ou une virgule"));
            list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            list->setMinimumContentsLength(part == 0 ? 12 : 9);
            lists->addWidget(list);
            if (part == 0)
                label->setBuddy(list);
            m_lists[static_cast<size_t>(f)][static_cast<size_t>(part)] = list;
            connect(list, &QComboBox::currentIndexChanged, this, &ImporterTableau::Colonne_Change);
        }
    }
    // The keyboard goes through the lists as the eye reads them: line by line.
    QWidget* previous = ui->LigneTitres;
    for (int row = 0; row < LotReading::FieldCount; ++row)
        for (int place = 0; place < 2; ++place)
            for (int f = 0; f < LotReading::FieldCount; ++f)
                if (Places[f] == std::pair(row, place))
                    for (QComboBox* list : m_lists[static_cast<size_t>(f)])
                        if (list) {
                            setTabOrder(previous, list);
                            previous = list;
                        }
    setTabOrder(previous, ui->DejaDansLaCave);
}

QComboBox* ImporterTableau::columnList(Field field, int part) const {
    return m_lists[static_cast<size_t>(field)][static_cast<size_t>(part)];
}

void ImporterTableau::tell(const QString& text, bool failure) {
    m_services.messages.notice(this, text,
                               failure ? MessageBox::Icon::Critical : MessageBox::Icon::Information);
}

void ImporterTableau::Parcourir_Click() {
    const QString chosen = m_services.inputs.openFile(
        this, QStringLiteral("Importer un tableau"),
        QStringLiteral("Tableaux (*.csv *.txt *.ods *.xlsx);;Tous les fichiers (*)"));
    if (chosen.isEmpty())
        return;
    ui->CheminTableau->setText(CellarFiles::shown(chosen));
    Ouvrir_Click();
}

void ImporterTableau::Ouvrir_Click() {
    const QString path = QDir::fromNativeSeparators(ui->CheminTableau->text().trimmed());
    if (path.isEmpty())
        return;
    OpenedSheet opened = [&] {
        // A large workbook is read through to list its sheets.
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                       QStringLiteral("Lecture des feuilles du classeur…"));
        return openSheet(path, [&progress](qint64 d, qint64 t) { return progress.step(d, t); });
    }();
    if (!opened.ok()) {
        // Nothing of the table opened before stays under the new file's name.
        forgetTable();
        tell(CellarFiles::notImported(path, opened.failure().message), true);
        return;
    }
    if (!opened.value()) {
        tell(QStringLiteral("L'ouverture du tableau a été annulée."));
        return;
    }
    m_path = path;
    m_reader = std::move(*opened.value());
    m_filling = true;
    ui->ListeFeuilles->clear();
    for (const QString& name : m_reader->sheets())
        ui->ListeFeuilles->addItem(name.isEmpty() ? QStringLiteral("(tableau unique)") : name);
    ui->ListeFeuilles->setEnabled(ui->ListeFeuilles->count() > 1);
    m_filling = false;
    ui->Format->setText(m_reader->description());
    loadSample();
}

void ImporterTableau::ListeFeuilles_Click() {
    loadSample();
}

void ImporterTableau::loadSample() {
    forgetReview();
    if (!m_reader)
        return;
    const Result<Cancellable<SheetImport::Sample>> sample = [&] {
        // A sheet far into a large workbook takes a while to reach.
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                       QStringLiteral("Lecture des premières lignes de la feuille…"));
        return SheetImport::sample(*m_reader, std::max(0, ui->ListeFeuilles->currentIndex()),
                                   ui->LigneTitres->isChecked(), PreviewRows,
                                   [&progress](qint64 d, qint64 t) { return progress.step(d, t); });
    }();
    if (sample.ok() && !sample.value()) {
        forgetTable();
        tell(QStringLiteral("La lecture du tableau a été annulée."));
        return;
    }
    m_sample = sample.ok() ? *sample.value() : SheetImport::Sample();
    if (!sample.ok())
        tell(CellarFiles::notImported(m_path, sample.failure().message), true);
    const LotReading::Mapping proposed =
        ui->LigneTitres->isChecked() ? LotReading::propose(m_sample.headings) : LotReading::Mapping{};
    m_origin = proposed.origin;
    m_filling = true;
    for (int f = 0; f < LotReading::FieldCount; ++f)
        for (int part = 0; part < 3; ++part) {
            QComboBox* list = m_lists[static_cast<size_t>(f)][static_cast<size_t>(part)];
            if (!list)
                continue;
            list->clear();
            list->addItem(NoColumn, -1);
            for (int c = 0; c < m_sample.headings.size(); ++c)
                list->addItem(m_sample.headings.at(c), c);
            const LotReading::Source& source = proposed.sources[static_cast<size_t>(f)];
            list->setCurrentIndex(list->findData(part == 0   ? source.first
                                                 : part == 1 ? source.second
                                                             : source.third));
        }
    m_filling = false;
    m_colours.clear();
    showPreview();
    if (m_origin == LotReading::Origin::ScanHistory)
        tell(ScanHistory, true);
}

void ImporterTableau::forgetTable() {
    // No half-read sheet is left to map: the file is opened again when the user wants it.
    m_reader.reset();
    m_sample = {};
    m_filling = true;
    ui->ListeFeuilles->clear();
    ui->Format->clear();
    for (const auto& lists : m_lists)
        for (QComboBox* list : lists)
            if (list)
                list->clear();
    m_filling = false;
    showPreview();
}

SheetImport::Settings ImporterTableau::settings() const {
    SheetImport::Settings s;
    s.sheet = std::max(0, ui->ListeFeuilles->currentIndex());
    s.headings = ui->LigneTitres->isChecked();
    for (int f = 0; f < LotReading::FieldCount; ++f) {
        LotReading::Source& source = s.mapping.sources[static_cast<size_t>(f)];
        const auto& lists = m_lists[static_cast<size_t>(f)];
        source.first = lists[0]->currentData().toInt();
        if (lists[1])
            source.second = lists[1]->currentData().toInt();
        if (lists[2])
            source.third = lists[2]->currentData().toInt();
    }
    s.mapping.origin = m_origin;
    s.mapping.yearWithoutVintage = yearWithoutVintage().value_or(0);
    s.colours = m_colours;
    s.currentYear = QDate::currentDate().year();
    s.duplicates = static_cast<SheetImport::Duplicates>(ui->DejaDansLaCave->currentData().toInt());
    s.cellar = m_globals.databasePath();
    return s;
}

void ImporterTableau::Colonne_Change() {
    if (m_filling)
        return;
    forgetReview();
    showPreview();
}

void ImporterTableau::showPreview() {
    const SheetImport::Settings s = settings();
    m_preview->clear();
    QStringList captions{QStringLiteral("Remarque")};
    for (int f = 0; f < LotReading::FieldCount; ++f)
        captions << LotReading::fieldName(static_cast<Field>(f));
    m_preview->setHorizontalHeaderLabels(captions);
    // A cellar that cannot be read leaves the rows unmarked; the review says why.
    DataLink link(s.cellar);
    const bool compare = !m_sample.rows.empty() && !link.open();
    for (const auto& [number, cells] : m_sample.rows) {
        LotReading::Colours colours = s.colours;
        const LotReading::Lot lot = LotReading::read(cells, s.mapping, colours, s.currentYear);
        if (!colours.contains(lot.colourAsWritten))
            colours.insert(lot.colourAsWritten,
                           LotReading::proposeColour(lot.colourAsWritten, m_cellarColours));
        const LotReading::Lot stored = LotReading::read(cells, s.mapping, colours, s.currentYear);
        std::optional<qint64> found;
        if (compare && stored.fault == LotReading::Fault::None &&
            CellarMatch::sameWine(link, stored.lot.values, found))
            found.reset();
        const LotDetails d = stored.lot.details();
        QList<QStandardItem*> items{
            new QStandardItem(found ? AlreadyThere : LotReading::describe(stored.fault))};
        for (int c = 0; c < CellarSchema::LotColumnCount; ++c) {
            const QVariant& value = stored.lot.values.at(static_cast<size_t>(c));
            items << new QStandardItem(c == CellarSchema::PrixUnitaire ? money(value) : shown(value));
        }
        items << new QStandardItem(year(d.boireDes)) << new QStandardItem(year(d.boireJusqua))
              << new QStandardItem(d.emplacement) << new QStandardItem(d.note)
              << new QStandardItem(d.appreciation ? QString::number(*d.appreciation) : QString());
        if (found || stored.fault != LotReading::Fault::None)
            for (QStandardItem* item : items) {
                item->setBackground(found ? AlreadyTint : RefusedTint);
                item->setForeground(QColor(Qt::black));
            }
        m_preview->appendRow(items);
        m_preview->setVerticalHeaderItem(m_preview->rowCount() - 1,
                                         new QStandardItem(QString::number(number)));
    }
    ui->Apercu->resizeColumnsToContents();
}

void ImporterTableau::forgetReview() {
    m_review.reset();
    ui->Importer->setEnabled(false);
    ui->ExporterRefus->setEnabled(false);
    ui->Couleurs->setRowCount(0);
    Couleurs_Click();
    m_refused->clear();
    ui->Bilan->setText(
        QStringLiteral("Vérifiez le tableau avant de l'importer : rien n'est écrit dans la cave "
                       "avant « Importer »."));
}

void ImporterTableau::Verifier_Click() {
    if (!m_reader) {
        m_services.messages.refuse(ui->CheminTableau,
                                   QStringLiteral("Choisissez d'abord le tableau à importer !!"));
        return;
    }
    if (settings().mapping[Field::Nom].first < 0 && settings().mapping[Field::Nom].second < 0) {
        m_services.messages.refuse(columnList(Field::Nom),
                                   QStringLiteral("Choisissez au moins la colonne du nom !!"));
        return;
    }
    if (m_origin == LotReading::Origin::ScanHistory && settings().mapping[Field::Quantite].first < 0) {
        tell(ScanHistory, true);
        return;
    }
    if (!yearWithoutVintage()) {
        m_services.messages.refuse(
            ui->AnneeSansMillesime,
            QStringLiteral("Tapez l'année des vins sans millésime, de 1000 à %1, ou laissez-la vide !!")
                .arg(QDate::currentDate().year()));
        return;
    }
    forgetReview();
    Result<Cancellable<SheetImport::Review>> review = [&] {
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                       QStringLiteral("Vérification des lignes du tableau…"));
        return SheetImport::review(*m_reader, settings(), [&progress](qint64 done, qint64 total) {
            return progress.step(done, total);
        });
    }();
    if (!review.ok()) {
        tell(CellarFiles::notImported(m_path, review.failure().message), true);
        return;
    }
    if (!review.value()) {
        tell(QStringLiteral("La vérification a été annulée."));
        return;
    }
    m_review = std::move(review.value());
    for (auto it = m_review->colours.cbegin(); it != m_review->colours.cend(); ++it)
        if (!m_colours.contains(it.key()))
            m_colours.insert(it.key(), LotReading::proposeColour(it.key(), m_cellarColours));
    showReview();
    showPreview();
}

void ImporterTableau::showReview() {
    const SheetImport::Review& r = *m_review;
    const SheetImport::Settings s = settings();
    const bool skipped = s.duplicates != SheetImport::Duplicates::Add;
    QStringList lines;
    lines << plural(r.valid - (skipped ? r.already : 0), QStringLiteral("%1 lot sera ajouté à la cave."),
                    QStringLiteral("%1 lots seront ajoutés à la cave."));
    if (r.already > 0) {
        // What becomes of them, for one row and for several, in the order of the list's choices.
        static const char* const fates[3][2] = {
            {"elle ne sera pas ajoutée de nouveau.", "elles ne seront pas ajoutées de nouveau."},
            {"elle sera ajoutée quand même, à part.", "elles seront ajoutées quand même, à part."},
            {"ses bouteilles seront ajoutées au lot de la cave.",
             "leurs bouteilles seront ajoutées aux lots de la cave."}};
        const auto* fate = fates[static_cast<int>(s.duplicates)];
        lines << plural(
            r.already,
            QStringLiteral("%1 ligne est déjà dans la cave (même nom, type, année et couleur) : ") +
                QString::fromUtf8(fate[0]),
            QStringLiteral("%1 lignes sont déjà dans la cave (même nom, type, année et couleur) : ") +
                QString::fromUtf8(fate[1]));
    }
    if (r.refusedTotal() > 0) {
        lines << plural(r.refusedTotal(), QStringLiteral("%1 ligne est refusée, et ne sera pas importée :"),
                        QStringLiteral("%1 lignes sont refusées, et ne seront pas importées :"));
        for (int f = 1; f < LotReading::FaultCount; ++f)
            if (const qint64 n = r.refused[static_cast<size_t>(f)])
                lines << QStringLiteral("  %1 : %2")
                             .arg(Numbers::groupedDigits(n),
                                  LotReading::describe(static_cast<LotReading::Fault>(f)));
        if (r.refusedTotal() > static_cast<qint64>(r.shown.size()))
            lines << QStringLiteral(
                         "Les %1 premières sont montrées ; « Exporter les refus… » les écrit toutes.")
                         .arg(Numbers::groupedDigits(r.shown.size()));
    }
    if (r.withoutVintage > 0)
        lines << (s.mapping.yearWithoutVintage
                      ? plural(r.withoutVintage, QStringLiteral("%1 ligne sans millésime reçoit l'année %2."),
                               QStringLiteral("%1 lignes sans millésime reçoivent l'année %2."))
                            .arg(s.mapping.yearWithoutVintage)
                      : plural(
                            r.withoutVintage,
                            QStringLiteral("%1 ligne sans millésime est laissée de côté : donnez-lui une "
                                           "année pour l'importer."),
                            QStringLiteral("%1 lignes sans millésime sont laissées de côté : donnez-leur une "
                                           "année pour les importer.")));
    if (const QString notTaken = headingsOf(r.notTaken, m_sample.headings); !notTaken.isEmpty())
        lines << QStringLiteral("Non repris (la cave n'a pas de place pour eux), cellules remplies : %1.")
                     .arg(notTaken);
    if (r.moreColours)
        lines << QStringLiteral(
                     "Le tableau a plus de %1 couleurs : les autres sont gardées telles qu'écrites.")
                     .arg(SheetImport::ListedColours);
    ui->Bilan->setText(lines.join(u'\n'));

    ui->Couleurs->setRowCount(static_cast<int>(r.colours.size()));
    int row = 0;
    for (auto it = r.colours.cbegin(); it != r.colours.cend(); ++it, ++row) {
        ui->Couleurs->setItem(row, 0, new QTableWidgetItem(it.key()));
        ui->Couleurs->setItem(row, 1, new QTableWidgetItem(Numbers::groupedDigits(it.value())));
        ui->Couleurs->setItem(row, 2, new QTableWidgetItem(m_colours.value(it.key(), it.key())));
    }
    if (row > 0)
        ui->Couleurs->selectRow(0);
    Couleurs_Click();
    ui->Couleurs->resizeColumnsToContents();

    m_refused->clear();
    m_refused->setHorizontalHeaderLabels(
        {QStringLiteral("Ligne"), QStringLiteral("Refusée parce que"), QStringLiteral("Contenu")});
    for (const SheetImport::Refused& refused : r.shown)
        m_refused->appendRow({new QStandardItem(QString::number(refused.row)),
                              new QStandardItem(LotReading::describe(refused.fault)),
                              new QStandardItem(refused.cells.join(QStringLiteral(" | ")))});
    ui->LignesRefusees->resizeColumnsToContents();
    ui->Importer->setEnabled(r.valid > (s.duplicates == SheetImport::Duplicates::Skip ? r.already : 0));
    ui->ExporterRefus->setEnabled(r.refusedTotal() > 0);
}

QString ImporterTableau::chosenColour() const {
    const QList<QTableWidgetItem*> chosen = ui->Couleurs->selectedItems();
    return chosen.isEmpty() ? QString() : ui->Couleurs->item(chosen.first()->row(), 0)->text();
}

void ImporterTableau::Couleurs_Click() {
    const QString written = chosenColour();
    m_filling = true;
    ui->Devient->clear();
    ui->Devient->setEnabled(!written.isEmpty());
    if (!written.isEmpty()) {
        for (const QString& colour : m_cellarColours)
            ui->Devient->addItem(colour, colour);
        if (!m_cellarColours.contains(written))
            ui->Devient->addItem(QStringLiteral("« %1 », telle qu'écrite").arg(written), written);
        ui->Devient->setCurrentIndex(ui->Devient->findData(m_colours.value(written, written)));
    }
    m_filling = false;
}

void ImporterTableau::Devient_Click() {
    const QString written = chosenColour();
    if (m_filling || written.isEmpty())
        return;
    const QString becomes = ui->Devient->currentData().toString();
    m_colours.insert(written, becomes);
    ui->Couleurs->item(ui->Couleurs->currentRow(), 2)->setText(becomes);
    showPreview();
}

std::optional<int> ImporterTableau::yearWithoutVintage() const {
    const QString typed = ui->AnneeSansMillesime->text().trimmed();
    if (typed.isEmpty())
        return 0;
    const int year = Numbers::isFourDigits(typed) ? typed.toInt() : 0;
    if (year < 1000 || year > QDate::currentDate().year())
        return std::nullopt;
    return year;
}

void ImporterTableau::DejaDansLaCave_Change() {
    // The rows found do not change: what becomes of them does.
    if (m_review)
        showReview();
    showPreview();
}

void ImporterTableau::AnneeSansMillesime_Change() {
    forgetReview();
    showPreview();
}

void ImporterTableau::Importer_Click() {
    if (!m_review || !m_reader)
        return;
    const auto result = [&] {
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                       QStringLiteral("Import des lots du tableau…"));
        return SheetImport::run(
            *m_reader, settings(), *m_review, m_globals.databasePath(),
            [&progress](qint64 done, qint64 total) { return progress.step(done, total); });
    }();
    if (result.ok() && !result.value()) {
        tell(QStringLiteral("L'import a été annulé : la cave n'a pas été modifiée."));
        return;
    }
    if (!result.ok() && result.failure().by == SheetImport::Unwritten::By::Table) {
        forgetReview();
        tell(CellarFiles::notImported(m_path, result.failure().failure.message), true);
        return;
    }
    if (!result.ok()) {
        m_services.messages.databaseError(this, result.failure().failure);
        return;
    }
    const qint64 added = *result.value();
    const qint64 refused = m_review->refusedTotal();
    const qint64 already = m_review->already;
    const SheetImport::Duplicates duplicates = settings().duplicates;
    forgetReview();
    QString text = plural(added, QStringLiteral("L'import est terminé : %1 lot a été ajouté à la cave."),
                          QStringLiteral("L'import est terminé : %1 lots ont été ajoutés à la cave."));
    if (already > 0 && duplicates == SheetImport::Duplicates::Skip)
        text += u'\n' +
                plural(already, QStringLiteral("%1 ligne déjà dans la cave n'a pas été ajoutée de nouveau."),
                       QStringLiteral("%1 lignes déjà dans la cave n'ont pas été ajoutées de nouveau."));
    else if (already > 0 && duplicates == SheetImport::Duplicates::AddBottles)
        text +=
            u'\n' +
            plural(
                already,
                QStringLiteral("Les bouteilles de %1 ligne ont été ajoutées au lot déjà dans la cave."),
                QStringLiteral("Les bouteilles de %1 lignes ont été ajoutées aux lots déjà dans la cave."));
    if (refused > 0)
        text += u'\n' + plural(refused, QStringLiteral("%1 ligne refusée n'a pas été importée."),
                               QStringLiteral("%1 lignes refusées n'ont pas été importées."));
    text += QStringLiteral("\nÉdition › Annuler retire cet import d'un coup.");
    tell(text);
}

void ImporterTableau::ExporterRefus_Click() {
    if (!m_review || !m_reader)
        return;
    const QString path = CsvExport::askPath(m_services, this, QStringLiteral("Exporter les lignes refusées"),
                                            QStringLiteral("Lignes refusées"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    QString problem;
    {
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                       QStringLiteral("Export des lignes refusées…"));
        if (!file.open(QIODevice::WriteOnly))
            problem = file.errorString();
        else if (const Result<Cancellable<qint64>> exported = SheetImport::exportRefused(
                     *m_reader, settings(), file,
                     [&progress](qint64 d, qint64 t) { return progress.step(d, t); });
                 !exported.ok())
            problem = exported.failure().message;
        else if (!exported.value())
            problem = QStringLiteral("l'export a été annulé");
    }
    if (problem.isEmpty() && !file.commit())
        problem = file.errorString();
    if (!problem.isEmpty()) {
        file.cancelWriting();
        tell(QStringLiteral("Les lignes refusées n'ont pas été exportées : %1.").arg(problem), true);
    }
}

void ImporterTableau::Quitter_Click() {
    close();
}
