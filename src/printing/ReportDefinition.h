// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <optional>

// The layout of the inventory, read from the JSON file Orny01.dat of the program folder.
struct ReportColumn {
    enum class Format { Text, Integer, Amount };
    QString field; // NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE or VALEUR
    QString caption;
    int width = 10; // in characters
    Qt::Alignment alignment = Qt::AlignLeft;
    Format format = Format::Text;
};

struct ReportDefinition {
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double marginsMm = 15;
    QString groupField; // empty: no groups
    QString groupHeading;
    QStringList sortFields;
    QList<ReportColumn> columns;
    bool totals = true;

    // The fields a definition may name, in the order the report reads them from the cellar.
    static const QStringList& fields();

    // Nothing, with the reason in `error`, when the file is missing or not a valid definition.
    static std::optional<ReportDefinition> load(const QString& path, QString& error);
    static std::optional<ReportDefinition> parse(const QByteArray& json, QString& error);
};
