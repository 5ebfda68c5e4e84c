// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/FrenchValues.h"

#include <QDateTime>
#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace FrenchValues {

namespace {

bool isNumberCell(const QVariant& cell) {
    return cell.typeId() == QMetaType::Double || cell.typeId() == QMetaType::LongLong ||
           cell.typeId() == QMetaType::Int;
}

const Number Unread{State::Unreadable, 0};
const Window NoWindow{State::Unreadable, {}, {}};

bool isBlank(QChar c) {
    return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F);
}

} // namespace

QString text(const QVariant& cell) {
    if (cell.typeId() == QMetaType::QDate)
        return cell.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    if (cell.typeId() == QMetaType::QDateTime) {
        const QDateTime when = cell.toDateTime();
        return when.toString(when.time().second() ? QStringLiteral("dd/MM/yyyy HH:mm:ss")
                                                  : QStringLiteral("dd/MM/yyyy HH:mm"));
    }
    if (isNumberCell(cell)) {
        const double v = cell.toDouble();
        return std::floor(v) == v && std::fabs(v) < 1e15 ? QString::number(static_cast<qlonglong>(v))
                                                         : QString::number(v, 'g', 15);
    }
    QString t = cell.toString();
    if (t.size() > 1 && t.front() == u'\'' && QStringLiteral("=+-@").contains(t.at(1)))
        t.remove(0, 1);
    return t;
}

Number number(const QVariant& cell) {
    if (isNumberCell(cell))
        return std::isfinite(cell.toDouble()) ? Number{State::Read, cell.toDouble()} : Unread;
    const QString written = cell.toString();
    // Read byte by byte: a table has a number a cell, and this runs for each of them.
    QByteArray t;
    t.reserve(written.size());
    for (const QChar c : written) {
        if (isBlank(c) || c == QChar(0x20AC))
            continue;
        // Only ASCII digits, signs and separators make a number: anything else is unreadable.
        if (c.unicode() > 0x7F)
            return Unread;
        t += static_cast<char>(c.unicode());
    }
    if (t.size() >= 3 && qstrnicmp(t.constData() + t.size() - 3, "EUR", 3) == 0)
        t.chop(3);
    if (t.isEmpty())
        return written.isEmpty() ? Number{} : Unread;
    const qsizetype comma = t.lastIndexOf(','), point = t.lastIndexOf('.');
    const qsizetype decimal = std::max(comma, point);
    const char grouping = decimal == comma ? '.' : ',';
    if (comma >= 0 && point >= 0)
        t.removeIf([grouping](char c) { return c == grouping; });
    t.replace(',', '.');
    // A sign, digits, then a decimal point and digits, nothing else.
    const char* begin = t.constData();
    const char* const end = begin + t.size();
    if (*begin == '+')
        ++begin;
    const char* at = begin + (*begin == '-');
    const auto digits = [&at, end] {
        const char* first = at;
        while (at < end && *at >= '0' && *at <= '9')
            ++at;
        return at > first;
    };
    if (!digits() || (at < end && (*at++ != '.' || !digits())) || at != end)
        return Unread;
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return Unread;
    return {State::Read, value};
}

Number whole(const QVariant& cell) {
    const Number n = number(cell);
    if (n.state == State::Read && (std::floor(n.value) != n.value || std::fabs(n.value) > 1e15))
        return Unread;
    return n;
}

Vintage vintage(const QVariant& cell) {
    static const QRegularExpression none(
        QStringLiteral("^(nv|n\\.v\\.?|sa|s\\.a\\.?|non[ -]?mill[ée]sim[ée]e?|non[ -]vintage)$"),
        QRegularExpression::CaseInsensitiveOption);
    // Most cells hold a year: only a text that starts like « NV », « SA » or « non » can name none.
    const auto mayNameNone = [](const QString& t) {
        return !t.isEmpty() && QStringLiteral("nNsS").contains(t.front()) && none.match(t).hasMatch();
    };
    if (!isNumberCell(cell) && mayNameNone(cell.toString().trimmed()))
        return {State::Unreadable, 0, true};
    const Number n = whole(cell);
    return {n.state, static_cast<qlonglong>(n.value), false};
}

namespace {

// The year of a date written as a French user writes it (« 15/03/2028 », « 15.03.2028 », a time after it),
// a month and a year (« 03/2028 »), or as a computer does (« 2028-03-15 »); 0 when the text is none, -1
// when it is a date that does not exist (« 31/02/2029 »).
int yearOfWrittenDate(const QString& t) {
    static const QRegularExpression french(QStringLiteral(
        "^(?:([0-9]{1,2})[/.-])?([0-9]{1,2})[/.-]([0-9]{4})(?:\\s+[0-9]{1,2}[:h][0-9]{2}(?::[0-9]{2})?)?$"));
    static const QRegularExpression iso(QStringLiteral(
        "^([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[T ][0-9]{2}:[0-9]{2}(?::[0-9]{2}(?:\\.[0-9]+)?)?)?$"));
    if (const QRegularExpressionMatch m = french.match(t); m.hasMatch()) {
        const int day = m.captured(1).isEmpty() ? 1 : m.captured(1).toInt();
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), day).isValid() ? m.captured(3).toInt()
                                                                                  : -1;
    }
    if (const QRegularExpressionMatch m = iso.match(t); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid()
                   ? m.captured(1).toInt()
                   : -1;
    return 0;
}

Window yearAlone(int year) {
    if (year < 1000 || year > 9999)
        return NoWindow;
    return {State::Read, year, {}};
}

} // namespace

Window drinkingWindow(const QVariant& cell) {
    if (cell.typeId() == QMetaType::QDate)
        return yearAlone(cell.toDate().year());
    if (cell.typeId() == QMetaType::QDateTime)
        return yearAlone(cell.toDateTime().date().year());
    if (isNumberCell(cell)) {
        const Number n = whole(cell);
        if (n.state != State::Read || n.value < 1000 || n.value > 9999)
            return NoWindow;
        return {State::Read, static_cast<int>(n.value), {}};
    }
    const QString t = cell.toString().trimmed();
    if (t.isEmpty())
        return Window{State::Empty, {}, {}};
    static const QRegularExpression shape(
        QStringLiteral("^(?:([0-9]{4}))?\\s*(?:([-–—/à]|au|to)?\\s*([0-9]{4})?)?$"));
    const QRegularExpressionMatch m = shape.match(t);
    if (!m.hasMatch()) {
        const int year = yearOfWrittenDate(t);
        return year ? yearAlone(year) : NoWindow;
    }
    Window w{State::Read, {}, {}};
    if (!m.captured(1).isEmpty())
        w.from = m.captured(1).toInt();
    if (!m.captured(3).isEmpty())
        w.until = m.captured(3).toInt();
    // « 2026 2034 » needs no dash between the years; a lone year after a dash is the last one.
    if (!w.from && !w.until)
        return NoWindow;
    if (!w.from && w.until && m.captured(2).isEmpty())
        return NoWindow;
    return w;
}

} // namespace FrenchValues
