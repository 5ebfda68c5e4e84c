// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarViews.h"

#include "database/CellarQueries.h"
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

Statement yearFilter(const char* comparison, double year) {
    return {Columns + QStringLiteral(" WHERE ANNEE %1 ?1").arg(QLatin1String(comparison)) +
                byTypeColourYear(),
            {year}};
}

Statement textFilter(const char* column, const QString& value, const QString& order = byTypeColourYear()) {
    QVariantList params;
    const QString where = CellarQueries::equalsFrench(QLatin1String(column), value, params);
    return {Columns + QStringLiteral(" WHERE ") + where + order, params};
}

} // namespace

Statement all() {
    return {Columns + byTypeColourYear(), {}};
}

Statement colour(const QString& label) {
    return textFilter("COULEUR", label);
}

Statement year(double year) {
    return yearFilter("=", year);
}

Statement fromYear(double year) {
    return yearFilter(">=", year);
}

Statement name(const QString& name) {
    return textFilter(
        "NOM", name,
        QStringLiteral(" ORDER BY %1, %2, %3, ANNEE").arg(french("NOM"), french("TYPE"), french("COULEUR")));
}

Statement type(const QString& type) {
    return textFilter("TYPE", type);
}

} // namespace CellarViews
