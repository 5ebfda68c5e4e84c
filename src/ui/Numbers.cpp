// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Numbers.h"

#include <cmath>

namespace Numbers {

std::optional<double> read(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    const QChar decimal = locale.decimalPoint().at(0);
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
        } else if (c == decimal && !separator) {
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
    if (!v || std::floor(*v) != *v || std::fabs(*v) > 1e15)
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

QLocale withoutGrouping(const QLocale& locale) {
    return ungrouped(locale);
}

QString formatTwoDecimals(double value, const QLocale& locale) {
    return ungrouped(locale).toString(value, 'f', 2);
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
        // Fifteen significant digits drop the noise of binary fractions (12.1 × 3 shows 36,3).
        return l.toString(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

QString formatExact(const QVariant& value, const QLocale& locale) {
    if (value.typeId() != QMetaType::Double)
        return formatValue(value, locale);
    return ungrouped(locale).toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
}

} // namespace Numbers
