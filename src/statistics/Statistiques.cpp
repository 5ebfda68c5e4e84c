// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/Statistiques.h"

#include "database/CellarFiles.h"
#include "statistics/ApercuStatistiques.h"
#include "statistics/FigureFiles.h"
#include "statistics/FiguresPage.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Progress.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Statistiques.h"

#include <QChartView>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>

Statistiques::Statistiques(Globals& globals, Services& services, QWidget* parent, const QDate& today)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Statistiques>()), m_globals(globals),
      m_services(services), m_today(today) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    connect(ui->ExporterPng, &QPushButton::clicked, this, &Statistiques::ExporterPng_Click);
    connect(ui->ExporterPdf, &QPushButton::clicked, this, &Statistiques::ExporterPdf_Click);
    connect(ui->ExporterCsv, &QPushButton::clicked, this, &Statistiques::ExporterCsv_Click);
    connect(ui->Imprimer, &QPushButton::clicked, this, &Statistiques::Imprimer_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Statistiques::Quitter_Click);
    Form_Load(today);
}

Statistiques::~Statistiques() = default;

void Statistiques::Form_Load(const QDate& today) {
    BusyCursor busy;
    Figures::Read read;
    {
        DataLink link(m_globals.databasePath());
        // A large cellar takes a while: its progress, over the window that asked for the figures, and a
        // way to stop. The engine calls back every few milliseconds; the rows it goes over set the pace.
        const qint64 total = std::max<qint64>(1, Figures::rowsRead(link) / RowsPerStep);
        qint64 done = 0;
        ProgressService::Task task(m_services.progress, parentWidget(), windowTitle(),
                                   QStringLiteral("Calcul des statistiques…"));
        link.setProgress([&] { return task.step(done = std::min(done + 1, total - 1), total); });
        read = Figures::read(link, today);
        m_cancelled = link.stopped();
    }
    // Stopped, the window shows nothing at all: it does not open.
    if (m_cancelled)
        return;
    const auto nothingToShow = [this] {
        for (const char* button : {"ExporterPng", "ExporterPdf", "ExporterCsv", "Imprimer"})
            findChild<QWidget*>(button)->setEnabled(false);
    };
    if (read.error) {
        m_services.messages.databaseError(this, *read.error);
        nothingToShow();
    } else if (isEmpty(read.pages)) {
        // Pages of noughts would tell nothing: the ways to fill the cellar instead.
        auto* empty = new QLabel(
            QStringLiteral("<p><b>La cave est vide : il n'y a encore rien à compter.</b></p>"
                           "<p>Enregistrez vos achats par Fichier › « Saisie des achats » (Ctrl+A), ou "
                           "reprenez le tableau où vous teniez votre cave par Fichier › « Importer un "
                           "tableau… ». Les statistiques suivront.</p>"),
            this);
        empty->setObjectName(QStringLiteral("CaveVide"));
        empty->setWordWrap(true);
        empty->setAlignment(Qt::AlignCenter);
        empty->setMargin(fontMetrics().height() * 2);
        ui->Pages->hide();
        ui->Disposition->insertWidget(0, empty, 1);
        nothingToShow();
    } else {
        for (qsizetype p = 0; p < read.pages.size(); ++p) {
            auto* shown = new FiguresPage(read.pages.at(p),
                                          p == Figures::Consommation || p == Figures::Valeur, ui->Pages);
            ui->Pages->addTab(shown, read.pages.at(p).name);
        }
    }
    // Room for a chart and its table, within the screen, never less than the buttons need.
    const int line = fontMetrics().height();
    const QSize screen = this->screen()->availableGeometry().size() * 9 / 10;
    resize(QSize(line * 80, line * 52).boundedTo(screen).expandedTo(minimumSizeHint()));
    WindowTools::centreOnScreen(this);
    if (ui->Pages->count() > 0)
        ui->Pages->currentWidget()->setFocus();
    else
        ui->Quitter->setFocus();
}

bool Statistiques::isEmpty(const QList<Figures::Page>& pages) {
    // No lot now, and nothing drunk or bought in the periods shown.
    const auto zero = [&pages](int page, int column) {
        const QList<Figures::Table>& tables = pages.at(page).tables;
        return tables.isEmpty() || tables.first().rows.isEmpty() ||
               (tables.first().rows.last().value(column).typeId() != QMetaType::QString &&
                tables.first().rows.last().value(column).toLongLong() == 0);
    };
    return pages.size() == Figures::PageCount && zero(Figures::Composition, 1) &&
           zero(Figures::Consommation, 1) && zero(Figures::Consommation, 3);
}

int Statistiques::exec() {
    return m_cancelled ? QDialog::Rejected : WorkingWindow::exec();
}

FiguresPage* Statistiques::currentPage() const {
    return qobject_cast<FiguresPage*>(ui->Pages->currentWidget());
}

QList<Figures::Table> Statistiques::allTables() const {
    QList<Figures::Table> tables;
    for (int p = 0; p < ui->Pages->count(); ++p)
        tables += qobject_cast<FiguresPage*>(ui->Pages->widget(p))->page().tables;
    return tables;
}

bool Statistiques::report(const Status& status) {
    if (status)
        m_services.messages.notice(this, status->text(), MessageBox::Icon::Critical);
    return !status;
}

QString Statistiques::footer() const {
    return QStringLiteral("Statistiques de la orny au %1 — %2")
        .arg(Numbers::french().toString(m_today, QStringLiteral("dd/MM/yyyy")),
             CellarFiles::shown(m_globals.databasePath()));
}

QString Statistiques::fileName(const QString& suffix) const {
    const FiguresPage* page = currentPage();
    QString name = QStringLiteral("Statistiques");
    if (page) {
        name += QLatin1Char(' ') + QString(page->page().name).remove(QLatin1Char('&'));
        if (suffix != QLatin1String("pdf") && page->page().tables.size() > 1)
            name += QLatin1Char(' ') + page->currentTable().name.toLower();
    }
    return QStringLiteral("%1 %2.%3").arg(name, m_today.toString(QStringLiteral("yyyy-MM-dd")), suffix);
}

bool Statistiques::exportPng(const QString& path) {
    BusyCursor busy;
    return currentPage() && report(FigureFiles::writePng(path, currentPage()->chartArea()));
}

bool Statistiques::exportPdf(const QString& path) {
    BusyCursor busy;
    return currentPage() &&
           report(FigureFiles::writePdf(path, currentPage()->page().tables, windowTitle(), footer()));
}

bool Statistiques::exportCsv(const QString& path) {
    BusyCursor busy;
    return currentPage() && report(FigureFiles::writeCsv(path, currentPage()->currentTable()));
}

void Statistiques::ExporterPng_Click() {
    exportAs(QStringLiteral("Exporter le graphique en PNG"), QStringLiteral("png"),
             QStringLiteral("Images PNG (*.png)"), &Statistiques::exportPng);
}

void Statistiques::ExporterPdf_Click() {
    exportAs(QStringLiteral("Exporter la page en PDF"), QStringLiteral("pdf"),
             QStringLiteral("Documents PDF (*.pdf)"), &Statistiques::exportPdf);
}

void Statistiques::ExporterCsv_Click() {
    exportAs(QStringLiteral("Exporter le tableau pour un tableur"), QStringLiteral("csv"),
             QStringLiteral("Tableaux CSV (*.csv)"), &Statistiques::exportCsv);
}

void Statistiques::exportAs(const QString& title, const QString& suffix, const QString& filter,
                            bool (Statistiques::*write)(const QString&)) {
    if (!currentPage())
        return;
    const QString path = m_services.inputs.saveFile(this, title, fileName(suffix), filter);
    if (!path.isEmpty())
        (this->*write)(path);
}

void Statistiques::Imprimer_Click() {
    if (ui->Pages->count() == 0)
        return;
    ApercuStatistiques preview(allTables(), footer(), m_services, this);
    preview.exec();
}

void Statistiques::Quitter_Click() {
    close();
}
