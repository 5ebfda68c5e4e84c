// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/Periods.h"

#include "database/Lot.h"
#include "ui/Numbers.h"

#include <QRegularExpression>

namespace Periods {

namespace {

// A year's row is named by the year ("2023", "2024 (jusqu'à déc. 2024)"), a month's by the month and
// its year ("janv. 2025").
bool isYear(const QString& label) {
    return label.size() >= 4 && label.at(0).isDigit();
}

QString yearOf(const QString& label) {
    return isYear(label) ? label.left(4) : label.right(4);
}

WideInt whole(const QVariant& value) {
    if (value.typeId() != QMetaType::QString)
        return value.toLongLong();
    // A count past 64 bits comes as its digits.
    WideInt n = 0;
    const QString digits = value.toString();
    for (const QChar c : digits)
        if (c.isDigit())
            n = n * 10 + c.digitValue();
    return digits.startsWith(u'-') ? -n : n;
}

QVariant count(WideInt n) {
    if (n >= std::numeric_limits<qint64>::min() && n <= std::numeric_limits<qint64>::max())
        return static_cast<qlonglong>(n);
    return Numbers::digits(n);
}

// The sum of two cells of a column.
QVariant added(const QVariant& a, const QVariant& b, Figures::Unit unit) {
    if (unit == Figures::Unit::Money) {
        auto sum = a.value<LotRules::ExactSum>();
        sum += b.value<LotRules::ExactSum>();
        return QVariant::fromValue(sum);
    }
    return count(whole(a) + whole(b));
}

} // namespace

Figures::Table inSteps(const Figures::Table& table, Step step) {
    Figures::Table shown = table;
    shown.rows.clear();
    const qsizetype periods = table.rows.size() - (table.totalRow ? 1 : 0);
    // The drunk and bought add up over a year; a value is the one at the end of the year's last period.
    const bool summed = table.totalRow;
    for (qsizetype r = 0; r < periods; ++r) {
        const QVariantList& row = table.rows.at(r);
        const QString label = row.at(0).toString();
        if (step == Step::Month) {
            if (!isYear(label))
                shown.rows << row;
            continue;
        }
        const QString year = yearOf(label);
        if (shown.rows.isEmpty() || shown.rows.last().at(0).toString() != year) {
            shown.rows << row;
            shown.rows.last()[0] = year;
        } else if (summed) {
            for (qsizetype c = 1; c < row.size(); ++c)
                shown.rows.last()[c] = added(shown.rows.last().at(c), row.at(c), table.units.value(c));
        } else {
            shown.rows.last() = row;
            shown.rows.last()[0] = year;
        }
    }
    if (table.totalRow) {
        QVariantList total = table.rows.last();
        for (qsizetype c = 1; c < total.size(); ++c) {
            total[c] = table.units.value(c) == Figures::Unit::Money
                           ? QVariant::fromValue(LotRules::ExactSum())
                           : QVariant(qlonglong(0));
            for (const QVariantList& row : std::as_const(shown.rows))
                total[c] = added(total.at(c), row.at(c), table.units.value(c));
        }
        shown.rows << total;
    }
    // The title says the step: « par mois depuis janv. 2025 » or « par année ».
    static const QRegularExpression months(QStringLiteral("(,? (?:en fin d'année|par année) avant)")),
        sinceMonth(QStringLiteral(" (par mois|en fin de mois) depuis [^,]*"));
    if (step == Step::Month) {
        shown.title.remove(months);
    } else {
        shown.title.remove(months);
        const QRegularExpressionMatch m = sinceMonth.match(shown.title);
        if (m.hasMatch())
            shown.title.replace(m.capturedStart(), m.capturedLength(),
                                m.captured(1) == QLatin1String("par mois")
                                    ? QStringLiteral(" par année")
                                    : QStringLiteral(" en fin d'année"));
    }
    return shown;
}

} // namespace Periods
