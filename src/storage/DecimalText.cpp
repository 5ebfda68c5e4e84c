// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/DecimalText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// A number written in scientific form ("-1.234567e+21") written out in full ("-1234567000000000000000"):
// only the digits it shows, never those of the binary expansion below them.
QByteArray expanded(const char* begin, const char* end) {
    QByteArray text;
    const char* at = begin;
    if (at != end && *at == '-') {
        text += '-';
        ++at;
    }
    QByteArray digits;
    for (; at != end && *at != 'e'; ++at)
        if (*at != '.')
            digits += *at;
    int exponent = 0;
    if (at != end)
        std::from_chars(at + 1 + (at[1] == '+' ? 1 : 0), end, exponent);
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    if (digits == "0")
        return "0";                       // no "-0"
    const qsizetype whole = exponent + 1; // digits before the point
    if (whole <= 0)
        return text + "0." + QByteArray(-whole, '0') + digits;
    if (whole >= digits.size())
        return text + digits + QByteArray(whole - digits.size(), '0');
    return text + digits.left(whole) + '.' + digits.mid(whole);
}

} // namespace

QByteArray decimalText(double value, int significant) {
    if (!std::isfinite(value))
        return {};
    char buffer[64];
    const auto end =
        significant > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                        significant - 1)
                        : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    return expanded(buffer, end.ptr);
}

QByteArray decimalText(long double value) {
    if (!std::isfinite(value))
        return {};
    char buffer[64];
    // Made of doubles, it has no more digits than they have.
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 16);
    return expanded(buffer, end.ptr);
}
