// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ApercuInventaire.h"

#include "printing/PageView.h"
#include "printing/PdfOutline.h"
#include "storage/FileNames.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>

ApercuInventaire::ApercuInventaire(const ReportDefinition& definition, InventoryReport::Plan plan,
                                   const QString& databasePath, Services& services, QWidget* parent)
    : QDialog(parent, PreviewFrame::Flags), m_definition(definition), m_plan(std::move(plan)),
      m_link(databasePath), m_services(services), m_frame(this), m_view(m_frame.view()) {
    setObjectName(QStringLiteral("ApercuInventaire"));
    {
        // Each lot's texts are measured to know its height: as long as reading the cellar, with its way out.
        ProgressService::Task progress(m_services.progress, parent, QStringLiteral("Inventaire"),
                                       QStringLiteral("Mise en page de l'inventaire…"));
        const qint64 total = static_cast<qint64>(m_plan.order.size());
        m_layout = std::make_unique<ReportLayout>(
            m_definition, m_plan, [&](size_t first, size_t count, std::vector<DbRow>& lots) {
                // A cellar that cannot be read any more gives the lots one line; the pages say the rest.
                if (InventoryReport::fetchLots(m_link, m_plan.order, first, count, lots))
                    lots.clear();
                return progress.step(static_cast<qint64>(first), total);
            });
    }
    WindowTools::setHelpTopic(this, HelpTopic);
    // Two rows, so that the window stays narrow enough for a small screen at a large font: the file's
    // actions, then the way the pages are seen.
    QHBoxLayout* buttons = m_frame.addRow();
    QHBoxLayout* viewing = m_frame.addRow();
    m_frame.addPrint(buttons, QStringLiteral("Imprimer l'inventaire (Ctrl+P)"), [this] { Imprimer_Click(); });
    connect(m_frame.addButton(buttons, "ExporterPdf", QStringLiteral("Exporter en &PDF…"),
                              QStringLiteral("Enregistrer un fichier PDF")),
            &QPushButton::clicked, this, &ApercuInventaire::ExporterPdf_Click);
    connect(m_frame.addButton(buttons, "ExporterTexte", QStringLiteral("Exporter en &texte…"),
                              QStringLiteral("Enregistrer un fichier texte")),
            &QPushButton::clicked, this, &ApercuInventaire::ExporterTexte_Click);
    m_frame.addZoom(viewing);
    viewing->addStretch();
    m_frame.addWhere(viewing);
    m_frame.addGoTo(viewing);
    buttons->addStretch();
    m_frame.addClose(buttons);
    connect(m_view, &PageView::firstPageShown, this, &ApercuInventaire::firstPageShown);
    m_frame.showPages(m_layout->pageCount(), m_layout->pageLayout(),
                      [this](QPainter& painter, int page, double dpi) { paintPage(painter, page, dpi); });
    // At the corner of the screen, as the report's window always opened, and never past its edges.
    WindowTools::fitToScreen(this, QSize(820, 900));
}

ApercuInventaire::~ApercuInventaire() = default;

void ApercuInventaire::paintPage(QPainter& painter, int page, double dpi) {
    const auto [first, count] = m_layout->lotsOf(page);
    std::vector<DbRow> lots;
    // A cellar that cannot be read any more leaves the lots' lines empty; the print says what went wrong.
    static_cast<void>(InventoryReport::fetchLots(m_link, m_plan.order, first, count, lots));
    m_layout->paint(painter, page, lots, dpi);
}

bool ApercuInventaire::paintAll(QPagedPaintDevice& device, const QString& what) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    ProgressService::Task progress(m_services.progress, this, windowTitle(), what);
    const int pages = m_layout->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (!progress.step(page, pages))
            return false;
        if (page > 0 && !device.newPage())
            return false;
        const auto [first, count] = m_layout->lotsOf(page);
        std::vector<DbRow> lots;
        if (InventoryReport::fetchLots(m_link, m_plan.order, first, count, lots))
            return false;
        m_layout->paint(painter, page, lots, device.logicalDpiX());
    }
    return painter.end();
}

void ApercuInventaire::Imprimer_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(m_layout->pageLayout());
    // The name a print to a file proposes: the title's date holds slashes.
    printer.setDocName(FileNames::dated(QStringLiteral("Inventaire de ma orny"), QDate::currentDate()));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    BusyCursor busy;
    if (!paintAll(printer, QStringLiteral("Impression de l'inventaire…"))) {
        printer.abort();
        m_services.messages.notice(
            this, QStringLiteral("L'impression a été interrompue : vérifiez l'imprimante et réessayez."),
            MessageBox::Icon::Exclamation);
    }
}

void ApercuInventaire::reportNotWritten(const QString& path, const QString& reason) {
    m_services.messages.notice(this,
                               QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2")
                                   .arg(QDir::toNativeSeparators(path), reason),
                               MessageBox::Icon::Critical);
}

bool ApercuInventaire::exportPdf(const QString& path) {
    BusyCursor busy;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reportNotWritten(path, file.errorString());
        return false;
    }
    bool written = false;
    PdfOutline::Recorder recorder(file);
    {
        QPdfWriter pdf(&recorder);
        pdf.setCreator(QStringLiteral("Brovane"));
        pdf.setTitle(windowTitle());
        pdf.setResolution(static_cast<int>(ReportLayout::Resolution));
        pdf.setPageLayout(m_layout->pageLayout());
        written = paintAll(pdf, QStringLiteral("Export de l'inventaire en PDF…"));
    }
    if (!written) {
        const bool failed = file.error() != QFileDevice::NoError;
        const QString why = file.errorString();
        file.cancelWriting();
        if (failed)
            reportNotWritten(path, why);
        else
            m_services.messages.notice(
                this, QStringLiteral("L'export a été annulé : aucun fichier n'a été écrit."));
        return false;
    }
    if (PdfOutline::add(recorder, outline(), m_layout->pageLayout().fullRect(QPageLayout::Point).height()) ==
            PdfOutline::Result::NotWritten ||
        !file.commit()) {
        reportNotWritten(path, file.errorString());
        return false;
    }
    return true;
}

std::vector<PdfOutline::Entry> ApercuInventaire::outline() const {
    const double margin = m_layout->pageLayout().paintRect(QPageLayout::Point).top();
    std::vector<PdfOutline::Entry> entries;
    for (const ReportLayout::Mark& mark : m_layout->marks())
        entries.push_back({mark.title, mark.page, margin + mark.top});
    return entries;
}

bool ApercuInventaire::exportText(const QString& path) {
    BusyCursor busy;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reportNotWritten(path, file.errorString());
        return false;
    }
    ProgressService::Task progress(m_services.progress, this, windowTitle(),
                                   QStringLiteral("Export de l'inventaire en texte…"));
    const qint64 total = static_cast<qint64>(m_plan.order.size());
    bool cancelled = false;
    const Status written = InventoryReport::writeText(m_definition, m_plan, m_link, file, [&](qint64 done) {
        cancelled = !progress.step(done, total);
        return !cancelled;
    });
    if (written || !file.commit()) {
        file.cancelWriting();
        if (cancelled)
            m_services.messages.notice(
                this, QStringLiteral("L'export a été annulé : aucun fichier n'a été écrit."));
        else if (written && file.error() == QFileDevice::NoError)
            m_services.messages.databaseError(this, *written); // the cellar, not the file
        else
            reportNotWritten(path, file.errorString());
        return false;
    }
    return true;
}

void ApercuInventaire::ExporterPdf_Click() {
    // Dated, as the print dialog's: the inventory of another day is another file.
    const QString path = m_services.inputs.saveFile(
        this, QStringLiteral("Exporter l'inventaire en PDF"),
        FileNames::dated(QStringLiteral("Inventaire de ma orny"), m_plan.date, QStringLiteral(".pdf")),
        QStringLiteral("Documents PDF (*.pdf)"));
    if (!path.isEmpty())
        exportPdf(path);
}

void ApercuInventaire::ExporterTexte_Click() {
    const QString path =
        m_services.inputs.saveFile(this, QStringLiteral("Exporter l'inventaire en texte"),
                                   QLatin1String(TextFile), QStringLiteral("Textes (*.txt)"));
    if (!path.isEmpty())
        exportText(path);
}
