// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarViews.h"

#include "database/FrenchCollation.h"

namespace CellarViews {

namespace {

const QString Columns = QStringLiteral("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, "
                                       "PRIXUNITAIRE * QUANTITE AS TOTAL FROM ORNY");

QString french(const char* column) {
    return QLatin1String(column) + QStringLiteral(" COLLATE ") + QLatin1String(FrenchCollation::Name);
}

QString byTypeColourYear() {
    return QStringLiteral(" ORDER BY %1, %2, ANNEE").arg(french("TYPE"), french("COULEUR"));
}

Statement filtered(const QString& where, const QVariant& value, const QString& order = byTypeColourYear()) {
    return {Columns + QStringLiteral(" WHERE ") + where + order, {value}};
}

} // namespace

Statement all() {
    return {Columns + byTypeColourYear(), {}};
}

Statement colour(const QString& label) {
    return filtered(french("COULEUR") + QStringLiteral(" = ?1"), label);
}

Statement year(double year) {
    return filtered(QStringLiteral("ANNEE = ?1"), year);
}

Statement fromYear(double year) {
    return filtered(QStringLiteral("ANNEE >= ?1"), year);
}

Statement name(const QString& name) {
    return filtered(
        french("NOM") + QStringLiteral(" = ?1"), name,
        QStringLiteral(" ORDER BY %1, %2, %3, ANNEE").arg(french("NOM"), french("TYPE"), french("COULEUR")));
}

Statement type(const QString& type) {
    return filtered(french("TYPE") + QStringLiteral(" = ?1"), type);
}

} // namespace CellarViews
