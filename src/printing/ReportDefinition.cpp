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

const QStringList& ReportDefinition::fields() {
    static const QStringList names = {"NOM",      "TYPE",         "ANNEE", "COULEUR",
                                      "QUANTITE", "PRIXUNITAIRE", "VALEUR"};
    return names;
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
    const auto knownField = [&error](const QString& field) {
        if (fields().contains(field))
            return true;
        error = QStringLiteral("champ « %1 » inconnu").arg(field);
        return false;
    };
    const QJsonObject group = root.value(QLatin1String("groupe")).toObject();
    d.groupField = group.value(QLatin1String("champ")).toString();
    d.groupHeading = group.value(QLatin1String("entete")).toString(QStringLiteral("{valeur}"));
    if (!d.groupField.isEmpty() && !knownField(d.groupField))
        return std::nullopt;
    for (const QJsonValue& sort : root.value(QLatin1String("tri")).toArray()) {
        if (!knownField(sort.toString()))
            return std::nullopt;
        d.sortFields << sort.toString();
    }
    const QJsonArray columns = root.value(QLatin1String("colonnes")).toArray();
    if (columns.isEmpty()) {
        error = QStringLiteral("aucune colonne n'est définie");
        return std::nullopt;
    }
    for (const QJsonValue& value : columns) {
        const QJsonObject c = value.toObject();
        ReportColumn column;
        column.field = c.value(QLatin1String("champ")).toString();
        if (!knownField(column.field))
            return std::nullopt;
        column.caption = c.value(QLatin1String("titre")).toString(column.field);
        column.width = c.value(QLatin1String("largeur")).toInt(10);
        const auto a = alignment(c.value(QLatin1String("alignement")).toString());
        const auto f = format(c.value(QLatin1String("format")).toString());
        if (column.width < 1 || column.width > 200 || !a || !f) {
            error =
                QStringLiteral("colonne « %1 » : largeur, alignement ou format invalide").arg(column.field);
            return std::nullopt;
        }
        column.alignment = *a;
        column.format = *f;
        d.columns << column;
    }
    d.totals = root.value(QLatin1String("totaux")).toBool(true);
    return d;
}
