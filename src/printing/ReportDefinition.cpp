// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ReportDefinition.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qint64 MaxDefinitionBytes = 1 << 20;

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

} // namespace

namespace {

const char* const FieldNames[] = {"NOM",      "TYPE",         "ANNEE",  "COULEUR",
                                  "QUANTITE", "PRIXUNITAIRE", "VALEUR", "EMPLACEMENT"};

bool ordersLots(ReportField field) {
    return field != ReportField::Valeur && field != ReportField::Emplacement;
}

std::optional<ReportField> fieldNamed(const QString& name) {
    for (int i = 0; i < static_cast<int>(std::size(FieldNames)); ++i)
        if (name == QLatin1String(FieldNames[i]))
            return static_cast<ReportField>(i);
    return std::nullopt;
}

} // namespace

QString ReportDefinition::fieldName(ReportField field) {
    return QLatin1String(FieldNames[static_cast<int>(field)]);
}

QString ReportDefinition::groupTitle(const QString& value) const {
    const auto own = groupTitles.constFind(value);
    return own != groupTitles.constEnd() ? *own
                                         : QString(groupHeading).replace(QLatin1String("{valeur}"), value);
}

QPageLayout ReportDefinition::pageLayout() const {
    return QPageLayout(QPageSize(pageSize), orientation,
                       QMarginsF(marginsMm, marginsMm, marginsMm, marginsMm), QPageLayout::Millimeter);
}

std::optional<ReportDefinition> ReportDefinition::load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("La définition de l'inventaire « %1 » est introuvable ou illisible.")
                    .arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    if (file.size() > MaxDefinitionBytes) {
        error = QStringLiteral("La définition de l'inventaire « %1 » est trop grande pour en être une.")
                    .arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    QString why;
    std::optional<ReportDefinition> definition = parse(file.readAll(), why);
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
    const QJsonObject page = root.value(QLatin1String("page")).toObject();
    const QString size = page.value(QLatin1String("format")).toString(QStringLiteral("A4"));
    if (size == QLatin1String("A4"))
        d.pageSize = QPageSize::A4;
    else if (size == QLatin1String("Letter"))
        d.pageSize = QPageSize::Letter;
    else {
        error = QStringLiteral("format de page « %1 » inconnu").arg(size);
        return std::nullopt;
    }
    const QString orientation = page.value(QLatin1String("orientation")).toString(QStringLiteral("portrait"));
    if (orientation != QLatin1String("portrait") && orientation != QLatin1String("paysage")) {
        error = QStringLiteral("orientation « %1 » inconnue").arg(orientation);
        return std::nullopt;
    }
    d.orientation = orientation == QLatin1String("paysage") ? QPageLayout::Landscape : QPageLayout::Portrait;
    d.marginsMm = page.value(QLatin1String("marges_mm")).toDouble(15);
    if (d.marginsMm < 0 || d.marginsMm > 50) {
        error = QStringLiteral("marges de %1 mm hors de 0 à 50").arg(d.marginsMm);
        return std::nullopt;
    }
    const QJsonObject font = root.value(QLatin1String("police")).toObject();
    d.fontFamily = font.value(QLatin1String("famille")).toString();
    d.fontPoints = font.value(QLatin1String("taille")).toDouble(9);
    if (d.fontPoints < 5 || d.fontPoints > 20) {
        error = QStringLiteral("taille de police de %1 points hors de 5 à 20").arg(d.fontPoints);
        return std::nullopt;
    }
    const QString rows = root.value(QLatin1String("lignes")).toString(QStringLiteral("alternees"));
    if (rows != QLatin1String("alternees") && rows != QLatin1String("filets")) {
        error = QStringLiteral("présentation des lignes « %1 » inconnue (alternees ou filets)").arg(rows);
        return std::nullopt;
    }
    d.shadedRows = rows == QLatin1String("alternees");
    const auto knownField = [&error](const QString& name) {
        const std::optional<ReportField> field = fieldNamed(name);
        if (!field)
            error = QStringLiteral("champ « %1 » inconnu").arg(name);
        return field;
    };
    const QJsonObject group = root.value(QLatin1String("groupe")).toObject();
    const QString groupField = group.value(QLatin1String("champ")).toString();
    if (!groupField.isEmpty() && !(d.groupField = knownField(groupField)))
        return std::nullopt;
    if (d.groupField && !ordersLots(*d.groupField)) {
        error = QStringLiteral("les lots ne peuvent être groupés par %1").arg(groupField);
        return std::nullopt;
    }
    d.groupHeading = group.value(QLatin1String("entete")).toString(QStringLiteral("{valeur}"));
    for (const QJsonValue& value : group.value(QLatin1String("ordre")).toArray())
        d.groupOrder << value.toString();
    const QJsonObject titles = group.value(QLatin1String("titres")).toObject();
    for (auto title = titles.begin(); title != titles.end(); ++title)
        d.groupTitles.insert(title.key(), title.value().toString());
    if (d.groupOrder.size() > MaxColumns || d.groupTitles.size() > MaxColumns) {
        error = QStringLiteral("plus de %1 groupes nommés").arg(MaxColumns);
        return std::nullopt;
    }
    const QJsonArray sorts = root.value(QLatin1String("tri")).toArray();
    if (sorts.size() > MaxColumns) {
        error = QStringLiteral("plus de %1 champs de tri").arg(MaxColumns);
        return std::nullopt;
    }
    for (const QJsonValue& sort : sorts) {
        const std::optional<ReportField> field = knownField(sort.toString());
        if (!field || !ordersLots(*field)) {
            if (field)
                error = QStringLiteral("le tri ne peut porter sur %1").arg(sort.toString());
            return std::nullopt;
        }
        d.sortFields << *field;
    }
    const QJsonArray columns = root.value(QLatin1String("colonnes")).toArray();
    if (columns.isEmpty()) {
        error = QStringLiteral("aucune colonne n'est définie");
        return std::nullopt;
    }
    if (columns.size() > MaxColumns) {
        error = QStringLiteral("%1 colonnes, plus que les %2 qu'une page peut montrer")
                    .arg(columns.size())
                    .arg(MaxColumns);
        return std::nullopt;
    }
    for (const QJsonValue& value : columns) {
        const QJsonObject c = value.toObject();
        const QString name = c.value(QLatin1String("champ")).toString();
        const std::optional<ReportField> field = knownField(name);
        if (!field)
            return std::nullopt;
        ReportColumn column;
        column.field = *field;
        column.caption = c.value(QLatin1String("titre")).toString(name);
        column.width = c.value(QLatin1String("largeur")).toInt(10);
        const auto a = alignment(c.value(QLatin1String("alignement")).toString());
        const auto f = format(c.value(QLatin1String("format")).toString());
        if (column.width < 1 || column.width > MaxColumnWidth || column.caption.size() > MaxColumnWidth ||
            !a || !f) {
            error =
                QStringLiteral("colonne « %1 » : largeur, titre, alignement ou format invalide").arg(name);
            return std::nullopt;
        }
        column.alignment = *a;
        column.format = *f;
        d.columns << column;
    }
    d.totals = root.value(QLatin1String("totaux")).toBool(true);
    return d;
}
