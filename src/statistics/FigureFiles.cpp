// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/FigureFiles.h"

#include "database/Lot.h"
#include "statistics/FigurePages.h"
#include "storage/CsvWriter.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QWidget>

namespace FigureFiles {

namespace {

Failure notWritten(const QString& path, const QString& reason) {
    return {QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : vérifiez le dossier choisi et la place "
                           "libre, puis réessayez.")
                .arg(QDir::toNativeSeparators(path)),
            reason};
}

// Opens the file for a whole write; `write` fills it, and it replaces any earlier one only if all went well.
Status writeWhole(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return notWritten(path, file.errorString());
    if (!write(file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return notWritten(path, reason);
    }
    if (!file.commit())
        return notWritten(path, file.errorString());
    return std::nullopt;
}

} // namespace

bool paintAll(const FigurePages& pages, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int page = 0; page < pages.pageCount(); ++page) {
        if (page > 0 && !device.newPage())
            return false;
        pages.paint(painter, page, device.logicalDpiX());
    }
    return painter.end();
}

Status writePng(const QString& path, QWidget* chartView) {
    // Twice the pixels of the screen, for a sharp picture in a document.
    const QSize size = chartView->size() * 2;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(chartView->palette().color(QPalette::Base));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        chartView->render(&painter);
    }
    return writeWhole(path, [&image](QIODevice& out) { return image.save(&out, "PNG"); });
}

Status writePdf(const QString& path, const QList<Figures::Table>& tables, const QString& title,
                const QString& footer) {
    const FigurePages pages(tables, footer);
    return writeWhole(path, [&](QIODevice& out) {
        QPdfWriter pdf(&out);
        pdf.setCreator(QStringLiteral("Brovane"));
        pdf.setTitle(title);
        pdf.setResolution(static_cast<int>(FigurePages::Resolution));
        pdf.setPageLayout(pages.pageLayout());
        return paintAll(pages, pdf);
    });
}

Status writeCsv(const QString& path, const Figures::Table& table) {
    return writeWhole(path, [&table](QIODevice& out) {
        CsvWriter csv(out);
        QVariantList headers;
        for (const QString& h : table.headers)
            headers << h;
        csv.row(headers);
        for (QVariantList row : table.rows) {
            // A spreadsheet reads amounts as numbers.
            for (QVariant& cell : row)
                if (cell.typeId() == qMetaTypeId<LotRules::ExactSum>())
                    cell = cell.value<LotRules::ExactSum>().toDouble();
            csv.row(row);
        }
        return csv.ok();
    });
}

} // namespace FigureFiles
