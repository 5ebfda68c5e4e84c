// SPDX-License-Identifier: GPL-3.0-or-later
// The inventory until the preview's first page is drawn (100,000 and 1,000,000 lots), with the memory it
// took, and the whole PDF. The baseline reads the same lots in the same order from the same file and
// draws the same lines straight to the device, page after page, with none of the report's own work.
#include "BenchMain.h"
#include "printing/InventoryReport.h"
#include "printing/ReportLayout.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

namespace {

const ReportDefinition& definition() {
    static const ReportDefinition d = [] {
        QString error;
        const auto loaded = ReportDefinition::load(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), error);
        if (!loaded)
            qFatal("%s", qPrintable(error));
        return *loaded;
    }();
    return d;
}

const char* const Order =
    "SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE FROM ORNY ORDER BY CASE WHEN "
    "COULEUR = 'Rouge' COLLATE FRANCAIS THEN 1 WHEN COULEUR = 'Blanc' COLLATE FRANCAIS THEN 2 "
    "WHEN COULEUR = 'Rosé' COLLATE FRANCAIS THEN 3 ELSE 4 END, COULEUR COLLATE FRANCAIS, TYPE "
    "COLLATE FRANCAIS, NOM COLLATE FRANCAIS, ANNEE, rowid";

QImage screenPage() {
    QImage image(794, 1123, QImage::Format_RGB32); // A4 at 96 dpi
    image.fill(Qt::white);
    return image;
}

// Draws the lots as plain lines, a fixed number a page, on any paged device or image.
class PlainLines {
public:
    explicit PlainLines(double dpi) : m_dpi(dpi) {
        m_font.setPixelSize(static_cast<int>(8.5 * dpi / 72));
        m_line = QFontMetricsF(m_font).height() * 1.4;
    }
    // False when the page is full.
    bool draw(QPainter& painter, const DbRow& lot) {
        if (m_y + m_line > 10.5 * m_dpi)
            return false;
        painter.setFont(m_font);
        QString line;
        for (const QVariant& v : lot)
            line += v.toString() + QLatin1Char(' ');
        painter.drawText(QPointF(0.6 * m_dpi, m_y), line);
        m_y += m_line;
        return true;
    }
    void newPage() { m_y = m_dpi; }

private:
    double m_dpi;
    QFont m_font;
    double m_line = 0;
    double m_y = 96;
};

// The cellar of state.range(0) lots, a tenth as many names.
const Bench::Cellar& sizedCellar(const benchmark::State& state) {
    return Bench::cellar(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)) / 10);
}

// A PDF written to memory at the report's resolution.
struct PdfInMemory {
    explicit PdfInMemory(const QPageLayout& page) : pdf(&out) {
        out.open(QIODevice::WriteOnly);
        pdf.setResolution(static_cast<int>(ReportLayout::Resolution));
        pdf.setPageLayout(page);
    }
    QBuffer out;
    QPdfWriter pdf;
};

void FirstPage_ours(benchmark::State& state) {
    const auto& cellar = sizedCellar(state);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        DataLink link(cellar.path);
        const auto read = InventoryReport::read(definition(), link, QDate::currentDate());
        const ReportLayout layout(definition(), read.plan);
        const auto [first, count] = layout.lotsOf(0);
        std::vector<DbRow> lots;
        static_cast<void>(InventoryReport::fetchLots(link, read.plan.order, first, count, lots));
        QImage image = screenPage();
        QPainter painter(&image);
        layout.paint(painter, 0, lots, 96);
        state.counters["peak_MB"] = memory.megabytes();
    }
}

void FirstPage_baseline(benchmark::State& state) {
    const auto& cellar = sizedCellar(state);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        DataLink link(cellar.path);
        static_cast<void>(link.openCursor(QString::fromUtf8(Order)));
        std::vector<DbRow> lots;
        static_cast<void>(link.fetch(60, lots));
        QImage image = screenPage();
        QPainter painter(&image);
        PlainLines lines(96);
        for (const DbRow& lot : lots)
            lines.draw(painter, lot);
        // The sort must see every lot before the first one is known.
        while (!link.cursorAtEnd()) {
            lots.clear();
            static_cast<void>(link.fetch(1000, lots));
        }
        state.counters["peak_MB"] = memory.megabytes();
    }
}

void ExportPdf_ours(benchmark::State& state) {
    const auto& cellar = sizedCellar(state);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        DataLink link(cellar.path);
        const auto read = InventoryReport::read(definition(), link, QDate::currentDate());
        const ReportLayout layout(definition(), read.plan);
        PdfInMemory file(layout.pageLayout());
        QPdfWriter& pdf = file.pdf;
        QPainter painter(&pdf);
        std::vector<DbRow> lots;
        for (int page = 0; page < layout.pageCount(); ++page) {
            if (page > 0)
                pdf.newPage();
            const auto [first, count] = layout.lotsOf(page);
            static_cast<void>(InventoryReport::fetchLots(link, read.plan.order, first, count, lots));
            layout.paint(painter, page, lots, ReportLayout::Resolution);
        }
        painter.end();
        state.counters["pages"] = layout.pageCount();
        state.counters["peak_MB"] = memory.megabytes();
    }
}

void ExportPdf_baseline(benchmark::State& state) {
    const auto& cellar = sizedCellar(state);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        DataLink link(cellar.path);
        static_cast<void>(link.openCursor(QString::fromUtf8(Order)));
        PdfInMemory file(definition().pageLayout());
        QPdfWriter& pdf = file.pdf;
        QPainter painter(&pdf);
        PlainLines lines(ReportLayout::Resolution);
        std::vector<DbRow> lots;
        while (!link.cursorAtEnd()) {
            lots.clear();
            static_cast<void>(link.fetch(1000, lots));
            for (const DbRow& lot : lots)
                if (!lines.draw(painter, lot)) {
                    pdf.newPage();
                    lines.newPage();
                    lines.draw(painter, lot);
                }
        }
        painter.end();
        state.counters["peak_MB"] = memory.megabytes();
    }
}

} // namespace

BENCH_PAIR(FirstPage, ->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond));
BENCH_PAIR(ExportPdf, ->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond));
