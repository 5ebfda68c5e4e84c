// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The checks on a number of bottles drunk from one lot, for every window where bottles are drunk.
namespace ConsumedQuantity {

// Why `typed` cannot be taken out of a lot holding `stock` (as shown or stored): the message, in the order
// of the checks; nothing when it can. `bottles` then receives the number read.
std::optional<QString> refusal(const QString& typed, const QVariant& stock, qlonglong& bottles);

} // namespace ConsumedQuantity
