// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ReportDefinition.h"

#include "ui/TextCeiling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qint64 MaxDefinitionBytes = 1 << 20;
const QLatin1String Placeholder("{valeur}");

const char* const FieldNames[] = {"NOM",      "TYPE",         "ANNEE",  "COULEUR",
                                  "QUANTITE", "PRIXUNITAIRE", "VALEUR", "EMPLACEMENT"};

// What a section of the file found wrong; nothing when it is sound.
using Problem = std::optional<QString>;

bool ordersLots(ReportField field) {
    return field != ReportField::Valeur && field != ReportField::Emplacement;
}

std::optional<ReportField> fieldNamed(const QString& name) {
    for (int i = 0; i < static_cast<int>(std::size(FieldNames)); ++i)
        if (name == QLatin1String(FieldNames[i]))
            return static_cast<ReportField>(i);
    return std::nullopt;
}

// A name the file gave, as a message quotes it: a crafted one could be a megabyte long.
QString quoted(const QString& name) {
    return QStringLiteral("« %1 »").arg(TextCeiling::clipped(name, 40));
}

Problem tooLong(const QString& what, const QString& text, int most = ReportDefinition::MaxText) {
    if (text.size() <= most)
        return std::nullopt;
    return QStringLiteral("%1 a %2 caractères, au plus %3").arg(what).arg(text.size()).arg(most);
}

std::optional<ReportField> knownField(const QString& name, QString& problem) {
    const std::optional<ReportField> field = fieldNamed(name);
    if (!field)
        problem = QStringLiteral("champ %1 inconnu").arg(quoted(name));
    return field;
}

std::optional<Qt::Alignment> alignment(const QString& name) {
    if (name.isEmpty() || name == QLatin1String("gauche"))
        return Qt::AlignLeft;
    if (name == QLatin1String("centre"))
        return Qt::AlignHCenter;
    if (name == QLatin1String("droite"))
        return Qt::AlignRight;
    return std::nullopt;
}

std::optional<ReportColumn::Format> format(const QString& name) {
    if (name.isEmpty() || name == QLatin1String("texte"))
        return ReportColumn::Format::Text;
    if (name == QLatin1String("entier"))
        return ReportColumn::Format::Integer;
    if (name == QLatin1String("montant"))
        return ReportColumn::Format::Amount;
    return std::nullopt;
}

// "page": its format, orientation and margins.
Problem readPage(const QJsonObject& root, ReportDefinition& d) {
    const QJsonObject page = root.value(QLatin1String("page")).toObject();
    const QString size = page.value(QLatin1String("format")).toString(QStringLiteral("A4"));
    if (size == QLatin1String("A4"))
        d.pageSize = QPageSize::A4;
    else if (size == QLatin1String("Letter"))
        d.pageSize = QPageSize::Letter;
    else
        return QStringLiteral("format de page %1 inconnu").arg(quoted(size));
    const QString orientation = page.value(QLatin1String("orientation")).toString(QStringLiteral("portrait"));
    if (orientation != QLatin1String("portrait") && orientation != QLatin1String("paysage"))
        return QStringLiteral("orientation %1 inconnue").arg(quoted(orientation));
    d.orientation = orientation == QLatin1String("paysage") ? QPageLayout::Landscape : QPageLayout::Portrait;
    d.marginsMm = page.value(QLatin1String("marges_mm")).toDouble(15);
    if (d.marginsMm < 0 || d.marginsMm > 50)
        return QStringLiteral("marges de %1 mm hors de 0 à 50").arg(d.marginsMm);
    return std::nullopt;
}

// "police": its family and size.
Problem readFont(const QJsonObject& root, ReportDefinition& d) {
    const QJsonObject font = root.value(QLatin1String("police")).toObject();
    d.fontFamily = font.value(QLatin1String("famille")).toString();
    if (Problem why = tooLong(QStringLiteral("la famille de police"), d.fontFamily))
        return why;
    d.fontPoints = font.value(QLatin1String("taille")).toDouble(9);
    if (d.fontPoints < 5 || d.fontPoints > 20)
        return QStringLiteral("taille de police de %1 points hors de 5 à 20").arg(d.fontPoints);
    return std::nullopt;
}

// "lignes": shaded every other lot, or ruled.
Problem readRows(const QJsonObject& root, ReportDefinition& d) {
    const QString rows = root.value(QLatin1String("lignes")).toString(QStringLiteral("alternees"));
    if (rows != QLatin1String("alternees") && rows != QLatin1String("filets"))
        return QStringLiteral("présentation des lignes %1 inconnue (alternees ou filets)").arg(quoted(rows));
    d.shadedRows = rows == QLatin1String("alternees");
    return std::nullopt;
}

// "groupe": the field whose values make the sections, and the heading of a section.
Problem readGroup(const QJsonObject& root, ReportDefinition& d) {
    const QJsonObject group = root.value(QLatin1String("groupe")).toObject();
    const QString field = group.value(QLatin1String("champ")).toString();
    QString why;
    if (!field.isEmpty() && !(d.groupField = knownField(field, why)))
        return why;
    if (d.groupField && !ordersLots(*d.groupField))
        return QStringLiteral("les lots ne peuvent être groupés par %1").arg(field);
    d.groupHeading = group.value(QLatin1String("entete")).toString(QStringLiteral("{valeur}"));
    if (Problem tooMuch = tooLong(QStringLiteral("l'en-tête des sections"), d.groupHeading))
        return tooMuch;
    if (const qsizetype n = d.groupHeading.count(Placeholder); n > ReportDefinition::MaxPlaceholders)
        return QStringLiteral("l'en-tête des sections contient %1 fois {valeur}, au plus %2")
            .arg(n)
            .arg(ReportDefinition::MaxPlaceholders);
    return std::nullopt;
}

// "groupe", "ordre" and "titres": the sections that come first, and those with a title of their own.
Problem readNamedSections(const QJsonObject& root, ReportDefinition& d) {
    const QJsonObject group = root.value(QLatin1String("groupe")).toObject();
    const QJsonArray order = group.value(QLatin1String("ordre")).toArray();
    const QJsonObject titles = group.value(QLatin1String("titres")).toObject();
    if (order.size() > ReportDefinition::MaxColumns || titles.size() > ReportDefinition::MaxColumns)
        return QStringLiteral("plus de %1 groupes nommés").arg(ReportDefinition::MaxColumns);
    for (const QJsonValue& value : order) {
        d.groupOrder << value.toString();
        if (Problem tooMuch =
                tooLong(QStringLiteral("une valeur de l'ordre des sections"), d.groupOrder.last()))
            return tooMuch;
    }
    for (auto title = titles.begin(); title != titles.end(); ++title) {
        const QString own = title.value().toString();
        if (Problem tooMuch = tooLong(QStringLiteral("une valeur des titres des sections"), title.key()))
            return tooMuch;
        if (Problem tooMuch =
                tooLong(QStringLiteral("le titre de la section %1").arg(quoted(title.key())), own))
            return tooMuch;
        d.groupTitles.insert(title.key(), own);
    }
    return std::nullopt;
}

// "tri": the fields that order the lots within a section.
Problem readSorts(const QJsonObject& root, ReportDefinition& d) {
    const QJsonArray sorts = root.value(QLatin1String("tri")).toArray();
    if (sorts.size() > ReportDefinition::MaxColumns)
        return QStringLiteral("plus de %1 champs de tri").arg(ReportDefinition::MaxColumns);
    for (const QJsonValue& sort : sorts) {
        QString why;
        const std::optional<ReportField> field = knownField(sort.toString(), why);
        if (!field)
            return why;
        if (!ordersLots(*field))
            return QStringLiteral("le tri ne peut porter sur %1").arg(sort.toString());
        d.sortFields << *field;
    }
    return std::nullopt;
}

Problem readColumn(const QJsonObject& c, ReportColumn& column) {
    const QString name = c.value(QLatin1String("champ")).toString();
    QString why;
    const std::optional<ReportField> field = knownField(name, why);
    if (!field)
        return why;
    column.field = *field;
    column.caption = c.value(QLatin1String("titre")).toString(name);
    if (Problem tooMuch = tooLong(QStringLiteral("le titre de la colonne %1").arg(name), column.caption))
        return tooMuch;
    column.width = c.value(QLatin1String("largeur")).toInt(10);
    const auto a = alignment(c.value(QLatin1String("alignement")).toString());
    const auto f = format(c.value(QLatin1String("format")).toString());
    if (column.width < 1 || column.width > ReportDefinition::MaxColumnWidth || !a || !f)
        return QStringLiteral("colonne « %1 » : largeur, titre, alignement ou format invalide").arg(name);
    column.alignment = *a;
    column.format = *f;
    return std::nullopt;
}

// "colonnes": what each lot's line shows, from left to right.
Problem readColumns(const QJsonObject& root, ReportDefinition& d) {
    const QJsonArray columns = root.value(QLatin1String("colonnes")).toArray();
    if (columns.isEmpty())
        return QStringLiteral("aucune colonne n'est définie");
    if (columns.size() > ReportDefinition::MaxColumns)
        return QStringLiteral("%1 colonnes, plus que les %2 qu'une page peut montrer")
            .arg(columns.size())
            .arg(ReportDefinition::MaxColumns);
    for (const QJsonValue& value : columns) {
        ReportColumn column;
        if (Problem why = readColumn(value.toObject(), column))
            return why;
        d.columns << column;
    }
    return std::nullopt;
}

Problem readTotals(const QJsonObject& root, ReportDefinition& d) {
    d.totals = root.value(QLatin1String("totaux")).toBool(true);
    return std::nullopt;
}

} // namespace

QString ReportDefinition::fieldName(ReportField field) {
    return QLatin1String(FieldNames[static_cast<int>(field)]);
}

QString ReportDefinition::groupTitle(const QString& value) const {
    const auto own = groupTitles.constFind(value);
    if (own != groupTitles.constEnd())
        return *own;
    // A value another program stored may be a megabyte long: the heading shows its beginning.
    return QString(groupHeading).replace(Placeholder, TextCeiling::clipped(value, MaxValueInTitle));
}

QPageLayout ReportDefinition::pageLayout() const {
    return QPageLayout(QPageSize(pageSize), orientation,
                       QMarginsF(marginsMm, marginsMm, marginsMm, marginsMm), QPageLayout::Millimeter);
}

std::optional<ReportDefinition> ReportDefinition::load(const QString& path, QString& error) {
    QFile file(path);
    // A pipe or a device in its place would keep the reading waiting: only a plain file is read.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("La définition de l'inventaire « %1 » est introuvable ou illisible.")
                    .arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    // Read to one byte past the ceiling: the file may grow while it is read.
    const QByteArray json = file.read(MaxDefinitionBytes + 1);
    if (json.size() > MaxDefinitionBytes) {
        error = QStringLiteral("La définition de l'inventaire « %1 » est trop grande pour en être une "
                               "(plus de %2 Mo).")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(MaxDefinitionBytes >> 20);
        return std::nullopt;
    }
    QString why;
    std::optional<ReportDefinition> definition = parse(json, why);
    if (!definition)
        error = QStringLiteral("La définition de l'inventaire « %1 » n'est pas valable : %2.")
                    .arg(QDir::toNativeSeparators(path), why);
    return definition;
}

std::optional<ReportDefinition> ReportDefinition::parse(const QByteArray& json, QString& error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        error = parseError.error == QJsonParseError::NoError
                    ? QStringLiteral("ce n'est pas un objet JSON")
                    : QStringLiteral("JSON invalide à la position %1 (%2)")
                          .arg(parseError.offset)
                          .arg(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    ReportDefinition d;
    for (const auto section :
         {readPage, readFont, readRows, readGroup, readNamedSections, readSorts, readColumns, readTotals})
        if (Problem why = section(root, d)) {
            error = *why;
            return std::nullopt;
        }
    return d;
}
