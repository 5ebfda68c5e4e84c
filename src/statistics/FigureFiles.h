// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"
#include "statistics/Figures.h"

class QPagedPaintDevice;
class QWidget;
class FigurePages;

// The figures written to files the user keeps or sends: a chart as it is seen (PNG), tables with their
// charts as vector drawings (PDF), a table for a spreadsheet (CSV). Each file is written whole or not at all:
// an earlier file of that name is then kept as it was.
namespace FigureFiles {

Status writePng(const QString& path, QWidget* chartView);
Status writePdf(const QString& path, const QList<Figures::Table>& tables, const QString& title,
                const QString& footer);
Status writeCsv(const QString& path, const Figures::Table& table);

// Every sheet on the device, one after the other; false when the device refused one.
bool paintAll(const FigurePages& pages, QPagedPaintDevice& device);

} // namespace FigureFiles
