// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/DecimalText.h"

#include <charconv>
#include <cmath>

QByteArray decimalText(double value, int significant) {
    if (!std::isfinite(value))
        return {};
    // The longest fixed form of a double, 4.9e-324, takes some 330 characters.
    char buffer[400];
    if (significant > 0) {
        const auto rounded = std::to_chars(buffer, buffer + sizeof buffer, value,
                                           std::chars_format::scientific, significant - 1);
        std::from_chars(buffer, rounded.ptr, value);
    }
    if (value == 0)
        value = 0; // no "-0"
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QByteArray(buffer, static_cast<qsizetype>(end.ptr - buffer));
}
