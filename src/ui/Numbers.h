// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/WideInt.h"

#include <QLocale>
#include <QString>
#include <QVariant>
#include <optional>

namespace LotRules {
class ExactSum;
}

// Numbers typed by the user and numbers shown to him, the French way whatever the system's locale: the
// program speaks French, and a price typed "45,50" is read as one on any machine.
namespace Numbers {

// French, without digit grouping.
const QLocale& french();

// The whole text as a number: optional blanks, an optional sign, digits with at most one decimal
// separator of the locale (or a point, where the locale's is a comma). No grouping, no exponent.
std::optional<double> read(const QString& text, const QLocale& locale = french());
// The largest whole number read exactly: fifteen digits.
inline constexpr qlonglong LargestWhole = 999'999'999'999'999;
// A whole number read as above ("6", "06", "6,0"), up to LargestWhole.
std::optional<qlonglong> readWhole(const QString& text, const QLocale& locale = french());
// Exactly four ASCII digits.
bool isFourDigits(const QString& text);
// The locale without digit grouping: formatting many numbers with it saves a copy each time.
QLocale withoutGrouping(const QLocale& locale = french());
// "0.00": two decimals, the locale's separator, no grouping; past a million billions, the digits that were
// meant rather than the binary expansion of the double.
QString formatTwoDecimals(long double value, const QLocale& locale = french());
// A sum of money the same way, below a million billions as formatTwoDecimals() writes its double; beyond, to
// the cent of what was typed: 1 234 567 bottles at 10^15 € and 3 at 12,10 € are 1234567000000000000036,30.
QString formatAmount(const LotRules::ExactSum& sum, const QLocale& locale = french());
// The product of two typed numbers in "0.00", computed on their decimal values and rounded half away
// from zero (1,005 gives 1,01); nothing when either is not a number.
std::optional<QString> productTwoDecimals(const QString& a, const QString& b,
                                          const QLocale& locale = french());
// A stored value as a person reads it: no float noise, locale separator, no grouping, never an exponent;
// null stays empty.
QString formatValue(const QVariant& value, const QLocale& locale = french());
// A stored value with as many digits as it takes to read back as the same value, never an exponent.
QString formatExact(const QVariant& value, const QLocale& locale = french());

// A whole number of any size as digits, "-" before a negative one, without grouping.
QString digits(WideInt n);
// Between groups of three digits: a narrow no-break space, as French writes figures.
inline constexpr char16_t DigitGroup = u'\u202F';
// The first run of digits of a number as written, grouped by three: "1234567,50" gives "1 234 567,50".
QString grouped(QString number);
// A whole number of any size, its digits grouped by three.
QString groupedDigits(WideInt n);
// Between a figure and its unit: a no-break space, so that « 26 % » or « 12,50 € » never breaks.
inline constexpr char16_t UnitSpace = u'\u00A0';
// An amount written in figures ("1250,00"), grouped and followed by the euro sign: "1 250,00 €".
QString euros(const QString& amount);
// A percentage rounded to the unit: "26 %".
QString percent(double value);

// French agreement with a number: the plural from two on ("0 lot", "1,5 bouteille", "2 lots").
bool plural(double count);
// The count, its digits grouped, and the noun agreeing with it, a plural in -s: "0 lot", "1 lot",
// "12 lots", "1 234 lots".
QString counted(qint64 count, const QString& noun);

} // namespace Numbers
