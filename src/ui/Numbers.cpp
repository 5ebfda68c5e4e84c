// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Numbers.h"

#include "database/Lot.h"
#include "database/WideInt.h"
#include "storage/DecimalText.h"

#include <cmath>

namespace Numbers {

const QLocale& french() {
    static const QLocale locale = [] {
        QLocale l(QLocale::French, QLocale::France);
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    return locale;
}

std::optional<double> read(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    const QChar decimal = locale.decimalPoint().at(0);
    // Where the separator is a comma, a point can only be one too: grouping is by spaces there.
    const QChar alsoDecimal = decimal == u',' ? QChar(u'.') : decimal;
    qsizetype i = 0;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-'))
        ++i;
    int digits = 0;
    bool separator = false;
    QString plain = t.left(i);
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c >= u'0' && c <= u'9') {
            ++digits;
            plain += c;
        } else if ((c == decimal || c == alsoDecimal) && !separator) {
            separator = true;
            plain += u'.';
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qlonglong> readWhole(const QString& text, const QLocale& locale) {
    const std::optional<double> v = read(text, locale);
    if (!v || std::floor(*v) != *v || std::fabs(*v) > static_cast<double>(LargestWhole))
        return std::nullopt;
    return static_cast<qlonglong>(*v);
}

bool isFourDigits(const QString& text) {
    if (text.size() != 4)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

namespace {
// The locale without digit grouping; copied only when it still groups.
QLocale ungrouped(const QLocale& locale) {
    if (locale.numberOptions() & QLocale::OmitGroupSeparator)
        return locale;
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l;
}
} // namespace

namespace {
// Plain digits (see decimalText) with the locale's sign and separator.
QString localized(const QByteArray& digits, const QLocale& locale) {
    QString text = QString::fromLatin1(digits);
    text.replace(u'.', locale.decimalPoint());
    if (text.startsWith(u'-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

// A number's plain digits with the locale's sign and separator; infinities as it writes them.
QString plain(double value, int significant, const QLocale& locale) {
    const QByteArray digits = decimalText(value, significant);
    return digits.isEmpty() ? locale.toString(value) : localized(digits, locale);
}
} // namespace

QLocale withoutGrouping(const QLocale& locale) {
    return ungrouped(locale);
}

QString formatTwoDecimals(long double value, const QLocale& locale) {
    // Below a million billions a double holds its cents. Beyond, its binary expansion has digits nobody
    // typed (1 234 567 × 10^15 would read 1 234 566 999 999 999 901 696): the fewest digits that read back as
    // the same double say what was meant. There a double is never finer than an eighth, so one decimal at
    // most. Past the doubles, the seventeen digits the doubles that made it hold.
    const auto near = static_cast<double>(value);
    if (!std::isfinite(value) || std::fabs(near) < 1e15)
        return ungrouped(locale).toString(near, 'f', 2);
    QString text = std::isfinite(near) ? plain(near, 0, locale) : localized(decimalText(value), locale);
    const qsizetype point = text.indexOf(locale.decimalPoint());
    if (point < 0)
        return text + locale.decimalPoint() + QStringLiteral("00");
    return text.leftJustified(point + locale.decimalPoint().size() + 2, u'0');
}

QString formatAmount(const LotRules::ExactSum& sum, const QLocale& locale) {
    const long double value = sum.toLongDouble();
    const QByteArray cents = sum.centsText();
    if (cents.isEmpty() || std::fabs(value) < 1e15L)
        return formatTwoDecimals(value, locale);
    return localized(cents, locale);
}

QString formatValue(const QVariant& value, const QLocale& locale) {
    if (value.isNull())
        return QString();
    const QLocale l = ungrouped(locale);
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return l.toString(value.toLongLong());
    case QMetaType::Double:
        // Fifteen significant digits drop the noise of binary fractions (12.1 × 3 shows 36,3); a price of a
        // million billions shows all its digits.
        return plain(value.toDouble(), 15, l);
    default:
        return value.toString();
    }
}

QString formatExact(const QVariant& value, const QLocale& locale) {
    if (value.typeId() != QMetaType::Double)
        return formatValue(value, locale);
    return plain(value.toDouble(), 0, locale);
}

QString digits(WideInt n) {
    if (n == 0)
        return QStringLiteral("0");
    const bool negative = n < 0;
    QString text;
    for (; n != 0; n /= 10)
        text.prepend(QChar(u'0' + static_cast<int>(negative ? -(n % 10) : n % 10)));
    return negative ? QStringLiteral("-") + text : text;
}

QString grouped(QString number) {
    qsizetype start = 0;
    while (start < number.size() && !number.at(start).isDigit())
        ++start;
    qsizetype end = start;
    while (end < number.size() && number.at(end).isDigit())
        ++end;
    for (qsizetype at = end - 3; at > start; at -= 3)
        number.insert(at, QChar(DigitGroup));
    return number;
}

QString groupedDigits(WideInt n) {
    return grouped(digits(n));
}

QString euros(const QString& amount) {
    return grouped(amount) + QChar(UnitSpace) + u'€';
}

QString percent(double value) {
    return french().toString(value, 'f', 0) + QChar(UnitSpace) + u'%';
}

bool plural(double count) {
    return std::abs(count) >= 2;
}

QString counted(qint64 count, const QString& noun) {
    return QStringLiteral("%1 %2%3").arg(
        groupedDigits(count), noun, plural(static_cast<double>(count)) ? QStringLiteral("s") : QString());
}

namespace {

// A typed number as digits and a count of decimals: "-12,50" is -1250 and 2.
struct Decimal {
    WideInt digits = 0;
    int decimals = 0;
};

std::optional<Decimal> decimalOf(const QString& text, const QLocale& locale) {
    if (!read(text, locale))
        return std::nullopt;
    Decimal d;
    bool negative = false, after = false;
    int count = 0;
    for (const QChar c : text.trimmed()) {
        if (c == u'-')
            negative = true;
        else if (c >= u'0' && c <= u'9') {
            if (++count > 30)
                return std::nullopt;
            d.digits = d.digits * 10 + (c.unicode() - u'0');
            d.decimals += after ? 1 : 0;
        } else if (c != u'+')
            after = true;
    }
    if (negative)
        d.digits = -d.digits;
    return d;
}

} // namespace

std::optional<QString> productTwoDecimals(const QString& a, const QString& b, const QLocale& locale) {
    const std::optional<Decimal> x = decimalOf(a, locale), y = decimalOf(b, locale);
    if (!x || !y)
        return std::nullopt;
    WideInt value = x->digits * y->digits;
    int decimals = x->decimals + y->decimals;
    for (; decimals < 2; ++decimals)
        value *= 10;
    if (decimals > 2) {
        WideInt divisor = 1;
        for (int i = 2; i < decimals; ++i)
            divisor *= 10;
        const WideInt rest = value % divisor;
        value /= divisor;
        if ((rest < 0 ? -rest : rest) * 2 >= divisor)
            value += rest < 0 ? -1 : 1;
    }
    const bool negative = value < 0;
    const WideInt magnitude = negative ? -value : value;
    QString whole;
    for (WideInt w = magnitude / 100; whole.isEmpty() || w > 0; w /= 10)
        whole.prepend(QChar(u'0' + static_cast<int>(w % 10)));
    const int cents = static_cast<int>(magnitude % 100);
    return QStringLiteral("%1%2%3%4")
        .arg(negative ? QStringLiteral("-") : QString(), whole, locale.decimalPoint())
        .arg(cents, 2, 10, QChar(u'0'));
}

} // namespace Numbers
