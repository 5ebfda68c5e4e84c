// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// A number as plain decimal digits, never with an exponent: "-", the whole part, then "." and the
// decimals when there are any ("1000000000000000", "0.3", "-12.5"). With `significant` digits at most,
// rounded, so that the noise of binary fractions goes (0.1 + 0.2 gives "0.3"), or, with 0, with the
// fewest digits that read back as the same value; zeros stand for the digits past those, so that
// 1 234 567 × 10^15 reads "1234567000000000000000", not the double's "1234566999999999901696". Empty for
// infinities and NaN.
QByteArray decimalText(double value, int significant);
// A finite long double made of doubles, the same way with the seventeen significant digits they hold.
QByteArray decimalText(long double value);
