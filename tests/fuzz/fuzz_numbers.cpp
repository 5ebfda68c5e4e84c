// SPDX-License-Identifier: GPL-3.0-or-later
// The number and year readers on any text, in French and in the C locale: a value read back from its
// own formatting must read the same, and a four-digit year must read as a number.
#include "ui/Numbers.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France), QLocale::c()}) {
        const std::optional<double> value = Numbers::read(text, locale);
        if (value) {
            if (!std::isfinite(*value))
                __builtin_trap();
        }
        // A value is shown without exponent, whatever its size, and reads back the same to its fifteenth
        // digit; below 10^-300 doubles lose digits of their own.
        if (value && (*value == 0 || std::fabs(*value) >= 1e-300)) {
            const QString shown = Numbers::formatValue(QVariant(*value), locale);
            const std::optional<double> again = Numbers::read(shown, locale);
            if (!again || std::fabs(*again - *value) > std::fabs(*value) * 1e-12)
                __builtin_trap();
        }
        if (const std::optional<qlonglong> whole = Numbers::readWhole(text, locale); whole && !value)
            __builtin_trap();
        Numbers::formatTwoDecimals(value.value_or(0), locale);
    }
    if (Numbers::isFourDigits(text) && !Numbers::read(text))
        __builtin_trap();
    return 0;
}
