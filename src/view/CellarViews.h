// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

// The statements behind the cellar view's nine views. Every view has the same seven columns: NOM, TYPE,
// ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE and the computed TOTAL.
namespace CellarViews {

struct Statement {
    QString sql;
    QVariantList params;
};

Statement all();
// Rows of one colour label, compared without case but with its accents.
Statement colour(const QString& label);
Statement year(double year);
Statement fromYear(double year);
Statement name(const QString& name);
Statement type(const QString& type);

} // namespace CellarViews
