// SPDX-License-Identifier: GPL-3.0-or-later
// report_worker DEFINITION CELLAR MEGABYTES: reads the definition and the cellar, lays out the inventory,
// draws every page and writes the text export, under a ceiling on the process's address space MEGABYTES
// above what it uses before. Prints the number of pages, or the message the user would read; a process
// that needs more memory than the ceiling dies.
#include "AddressCeiling.h"
#include "printing/InventoryReport.h"
#include "printing/ReportDefinition.h"
#include "printing/ReportLayout.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4)
        return 2;
    // The fonts are loaded before the ceiling is set: they are the same whatever the definition.
    QImage page(170, 240, QImage::Format_RGB32);
    {
        QPainter warm(&page);
        warm.drawText(10, 10, QStringLiteral("Inventaire"));
    }
    if (!limitAddressSpace(std::atol(argv[3])))
        return 2;

    QString error;
    const std::optional<ReportDefinition> definition =
        ReportDefinition::load(QString::fromLocal8Bit(argv[1]), error);
    if (!definition) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    DataLink link(QString::fromLocal8Bit(argv[2]));
    const InventoryReport::Read read = InventoryReport::read(*definition, link, QDate(2026, 12, 7));
    if (read.error) {
        std::printf("%s\n", qPrintable(read.error->text()));
        return 1;
    }
    const ReportLayout layout(*definition, read.plan);
    if (!layout.problem().isEmpty()) {
        std::printf("%s\n", qPrintable(layout.problem()));
        return 1;
    }
    for (int p = 0; p < layout.pageCount(); ++p) {
        const auto [first, count] = layout.lotsOf(p);
        std::vector<DbRow> lots;
        if (InventoryReport::fetchLots(link, read.plan.order, first, count, lots))
            return 3;
        QPainter painter(&page);
        layout.paint(painter, p, lots, 20);
    }
    QFile text(QStringLiteral("/dev/null"));
    if (!text.open(QIODevice::WriteOnly) || InventoryReport::writeText(*definition, read.plan, link, text))
        return 3;
    std::printf("%d pages\n", layout.pageCount());
    return 0;
}
