// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ConsumedQuantity.h"

#include "ui/Numbers.h"

namespace ConsumedQuantity {

std::optional<QString> refusal(const QString& typed, const QVariant& stock, qlonglong& bottles) {
    if (typed.isEmpty())
        return QStringLiteral("La saisie de la quantité consommée est obligatoire !!");
    const std::optional<double> amount = Numbers::read(typed);
    if (!amount)
        return QStringLiteral("La quantité consommée doit être du numérique !!");
    if (*amount == 0)
        return QStringLiteral("La saisie de la quantité consommée doit être différente de zéro !!");
    if (*amount < 0)
        return QStringLiteral("La quantité consommée ne peut être négative !!");
    const std::optional<qlonglong> whole = Numbers::readWhole(typed);
    if (!whole)
        return QStringLiteral("La quantité consommée doit être un nombre entier de bouteilles !!");
    const std::optional<double> held = stock.typeId() == QMetaType::QString ? Numbers::read(stock.toString())
                                       : stock.isNull() || stock.typeId() == QMetaType::QByteArray
                                           ? std::nullopt
                                           : std::optional<double>(stock.toDouble());
    if (!held)
        return QStringLiteral(
            "La quantité en stock de ce lot n'est pas connue : elle ne peut pas être diminuée !!");
    if (*held < *amount)
        return QStringLiteral("La quantité consommée ne peut être supérieure à la quantité en stock !!");
    bottles = *whole;
    return std::nullopt;
}

} // namespace ConsumedQuantity
