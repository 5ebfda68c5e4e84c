// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/LotRules.h"

#include "database/CellarSchema.h"

#include <cmath>

namespace LotRules {

namespace {

bool isWhole(const QVariant& v, double& value) {
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        value = static_cast<double>(v.toLongLong());
        return true;
    }
    if (v.typeId() != QMetaType::Double)
        return false;
    value = v.toDouble();
    return std::isfinite(value) && std::floor(value) == value;
}

bool emptyText(const QVariant& v) {
    return v.isNull() || v.toString().isEmpty();
}

} // namespace

bool isBottleCount(const QVariant& quantity) {
    double value = 0;
    return isWhole(quantity, value) && value >= 1;
}

Fault check(const DbRow& lot, int currentYear) {
    using namespace CellarSchema;
    if (emptyText(lot.at(Nom)))
        return Fault::Name;
    if (emptyText(lot.at(Type)))
        return Fault::Type;
    double year = 0;
    if (!isWhole(lot.at(Annee), year) || year < FirstYear || year > currentYear)
        return Fault::Year;
    if (emptyText(lot.at(Couleur)))
        return Fault::Colour;
    if (!isBottleCount(lot.at(Quantite)))
        return Fault::Quantity;
    const QVariant& price = lot.at(PrixUnitaire);
    if (!price.isNull() &&
        (price.typeId() == QMetaType::QString || !std::isfinite(price.toDouble()) || price.toDouble() < 0))
        return Fault::Price;
    if (lot.at(Nom).toString().size() > NameWidth || lot.at(Type).toString().size() > TypeWidth ||
        lot.at(Couleur).toString().size() > ColourWidth)
        return Fault::TooLong;
    return Fault::None;
}

} // namespace LotRules
