// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <optional>

// The values a definition may print, each named in the file by its column's name. VALEUR is worked out,
// EMPLACEMENT is the lot's location among its details: neither orders nor groups the lots.
enum class ReportField { Nom, Type, Annee, Couleur, Quantite, PrixUnitaire, Valeur, Emplacement };

struct ReportColumn {
    enum class Format { Text, Integer, Amount };
    ReportField field = ReportField::Nom;
    QString caption;
    int width = 10; // the most it takes, in characters
    Qt::Alignment alignment = Qt::AlignLeft;
    Format format = Format::Text;
};

// The layout of the inventory, read from the JSON file Orny01.dat of the program folder. Every text of a
// definition has a ceiling, and so has every text made from it, so that no definition can make the pages
// take more memory than their lots: a definition past a ceiling is refused, saying what is too long.
struct ReportDefinition {
    static constexpr int MaxColumns = 32; // and as many named sections, or fields to sort by
    static constexpr int MaxColumnWidth = 200;
    static constexpr int MaxText = 200;         // a caption, a heading, a title, a value named, a font
    static constexpr int MaxPlaceholders = 3;   // {valeur} in a heading
    static constexpr int MaxValueInTitle = 100; // of a section's value in its heading, then cut " […]"

    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double marginsMm = 15;
    QString fontFamily; // empty: the desktop's own
    double fontPoints = 9;
    bool shadedRows = true; // else thin rules between the lots
    std::optional<ReportField> groupField;
    QString groupHeading = QStringLiteral("{valeur}");
    QStringList groupOrder;             // these values first, in this order, then the others
    QMap<QString, QString> groupTitles; // a value's own title
    QList<ReportField> sortFields;
    QList<ReportColumn> columns;
    bool totals = true;

    // The name of a field in the file and in the cellar ("NOM", ..., "VALEUR").
    static QString fieldName(ReportField field);
    // The title of the section of `value`: its own, or the heading with the value, at most
    // MaxText + MaxPlaceholders × (MaxValueInTitle + 4) characters.
    QString groupTitle(const QString& value) const;
    QPageLayout pageLayout() const;

    // Nothing, with the reason in `error`, when the file is missing or not a valid definition.
    static std::optional<ReportDefinition> load(const QString& path, QString& error);
    static std::optional<ReportDefinition> parse(const QByteArray& json, QString& error);
};
