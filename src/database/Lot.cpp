// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Lot.h"

#include "database/CellarSchema.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <type_traits>

namespace {

QVariant optional(const std::optional<qint64>& value) {
    return value ? QVariant(static_cast<qlonglong>(*value)) : QVariant();
}

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A stored whole number: an integer, or a real with nothing after the point that fits.
std::optional<qint64> whole(const QVariant& v) {
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toLongLong();
    if (v.typeId() != QMetaType::Double)
        return std::nullopt;
    const double d = v.toDouble();
    // 2^63 is the first real past the 64-bit integers; the engine's CAST stops below it too.
    if (!std::isfinite(d) || std::floor(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(d);
}

bool allNull(const DbRow& values) {
    return std::all_of(values.begin(), values.end(), [](const QVariant& v) { return v.isNull(); });
}

} // namespace

DbRow LotDetails::values() const {
    return {optional(boireDes), optional(boireJusqua), textOrNull(emplacement), textOrNull(note),
            appreciation ? QVariant(*appreciation) : QVariant()};
}

LotDetails LotDetails::read(const DbRow& values) {
    LotDetails details;
    if (values.size() < Lot::DetailCount)
        return details;
    details.boireDes = whole(values.at(0));
    details.boireJusqua = whole(values.at(1));
    details.emplacement = values.at(2).toString();
    details.note = values.at(3).toString();
    // Stars out of range stay out of range, for the rules to refuse them.
    if (const std::optional<qint64> stars = whole(values.at(4)))
        details.appreciation = static_cast<int>(std::clamp<qint64>(*stars, -1, LotRules::MostStars + 1));
    return details;
}

Lot::Lot(const QString& nom, const QString& type, qint64 annee, const QString& couleur, qint64 quantite,
         std::optional<double> prixUnitaire, const LotDetails& details)
    : values{nom,
             type,
             static_cast<qlonglong>(annee),
             couleur,
             static_cast<qlonglong>(quantite),
             prixUnitaire ? QVariant(*prixUnitaire) : QVariant()},
      detailValues(details.isEmpty() ? DbRow() : details.values()) {}

bool Lot::hasDetails() const {
    return !allNull(detailValues);
}

Lot Lot::with(const Lot& other, const std::array<bool, 6>& take,
              const std::array<bool, DetailCount>& takeDetails) const {
    Lot lot = *this;
    for (size_t c = 0; c < take.size(); ++c)
        if (take[c])
            lot.values.at(c) = other.values.at(c);
    const DbRow none(DetailCount);
    const DbRow& mine = detailValues.empty() ? none : detailValues;
    const DbRow& theirs = other.detailValues.empty() ? none : other.detailValues;
    DbRow details = mine;
    for (size_t c = 0; c < takeDetails.size(); ++c)
        if (takeDetails[c])
            details.at(c) = theirs.at(c);
    lot.detailValues = allNull(details) ? DbRow() : details;
    return lot;
}

bool Lot::operator==(const Lot& other) const {
    const bool details =
        allNull(detailValues) ? allNull(other.detailValues) : sameValues(detailValues, other.detailValues);
    return details && sameValues(values, other.values);
}

bool sameValues(const DbRow& a, const DbRow& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].typeId() != b[i].typeId() || a[i] != b[i])
            return false;
    return true;
}

namespace LotRules {

namespace {

bool emptyText(const QVariant& v) {
    return v.isNull() || v.toString().isEmpty();
}

} // namespace

bool isVintage(qint64 year, int currentYear) {
    return year >= FirstYear && year <= currentYear;
}

bool isPurchasedCount(qint64 bottles) {
    return bottles >= 1;
}

QString mostPriceText() {
    return QStringLiteral("1\u202f000\u202f000\u202f000\u202f000\u202f000\u00a0€");
}

bool isPrice(double price) {
    return std::isfinite(price) && price >= 0 && price <= MostPrice;
}

bool isWindowYear(qint64 year) {
    return year >= FirstYear && year <= LastYear;
}

bool isWindowInOrder(const std::optional<qint64>& from, const std::optional<qint64>& until) {
    return !from || !until || *from <= *until;
}

bool endsAfterVintage(const std::optional<qint64>& until, qint64 vintage) {
    return !until || *until >= vintage;
}

Fault check(const DbRow& lot, int currentYear) {
    using namespace CellarSchema;
    if (emptyText(lot.at(Nom)))
        return Fault::Name;
    if (emptyText(lot.at(Type)))
        return Fault::Type;
    const std::optional<qint64> year = whole(lot.at(Annee));
    if (!year || !isVintage(*year, currentYear))
        return Fault::Year;
    if (emptyText(lot.at(Couleur)))
        return Fault::Colour;
    const std::optional<qint64> quantity = whole(lot.at(Quantite));
    if (!quantity || !isPurchasedCount(*quantity))
        return Fault::Quantity;
    const QVariant& price = lot.at(PrixUnitaire);
    if (!price.isNull() && (price.typeId() == QMetaType::QString || price.typeId() == QMetaType::QByteArray ||
                            !isPrice(price.toDouble())))
        return Fault::Price;
    if (lot.at(Nom).toString().size() > NameWidth || lot.at(Type).toString().size() > TypeWidth ||
        lot.at(Couleur).toString().size() > ColourWidth)
        return Fault::TooLong;
    return Fault::None;
}

Fault checkDetails(const LotDetails& d, qint64 vintage) {
    if ((d.boireDes && !isWindowYear(*d.boireDes)) || (d.boireJusqua && !isWindowYear(*d.boireJusqua)) ||
        !isWindowInOrder(d.boireDes, d.boireJusqua) || !endsAfterVintage(d.boireJusqua, vintage))
        return Fault::DrinkingWindow;
    if (d.emplacement.size() > PlaceWidth)
        return Fault::Place;
    if (d.note.size() > NoteWidth)
        return Fault::Note;
    if (d.appreciation && (*d.appreciation < 0 || *d.appreciation > MostStars))
        return Fault::Rating;
    return Fault::None;
}

Fault check(const Lot& lot, int currentYear) {
    const Fault fault = check(lot.values, currentYear);
    if (fault != Fault::None)
        return fault;
    return checkDetails(lot.details(), lot.values.at(CellarSchema::Annee).toLongLong());
}

std::optional<qint64> bottles(const QVariant& quantity) {
    const std::optional<qint64> n = whole(quantity);
    return n && *n >= 0 ? n : std::nullopt;
}

bool priceCounts(const QVariant& price) {
    if (price.isNull())
        return true;
    if (price.typeId() != QMetaType::Double && price.typeId() != QMetaType::LongLong &&
        price.typeId() != QMetaType::Int)
        return false;
    return isPrice(price.toDouble());
}

bool counts(const QVariant& quantity, const QVariant& price) {
    return bottles(quantity) && priceCounts(price);
}

QString countsSql(const QString& quantity, const QString& price) {
    // A value compared with itself made a number again is equal only when it is one: a text or a blob never
    // is, and no type name is built for each row. The engine's CAST stops at the last 64-bit integer, so a
    // larger real is never equal to it; an infinite price is past the ceiling.
    return QStringLiteral("IFNULL(%1 >= 0 AND %1 = CAST(%1 AS INTEGER) AND (%2 IS NULL OR "
                          "(%2 + 0 = %2 AND %2 >= 0 AND %2 <= %3)), 0)")
        .arg(quantity, price, QString::number(MostPrice, 'e', 0));
}

namespace {

using Wide = WideUnsigned;

int bitLength(Wide n) {
    const auto high = static_cast<quint64>(n >> 64);
    if (high != 0)
        return 128 - __builtin_clzll(high);
    const auto low = static_cast<quint64>(n);
    return low == 0 ? 0 : 64 - __builtin_clzll(low);
}

void negate(Wide& low, Wide& high) {
    low = ~low + 1;
    high = ~high + (low == 0 ? 1 : 0);
}

// (low, high) += (lo, hi), or -= when `negative`, modulo 2^256: the order of the terms cannot matter.
void addWide(Wide& low, Wide& high, Wide lo, Wide hi, bool negative) {
    if (negative)
        negate(lo, hi);
    low += lo;
    high += hi + (low < lo ? 1 : 0);
}

// A price is kept exactly below 2^120 millionths of a euro: 2^64 products of it still fit in 256 bits.
constexpr int MostBits = 120;

Wide powerOfTen(int n) {
    Wide p = 1;
    for (; n > 0; --n)
        p *= 10;
    return p;
}

// A price in millionths of a euro as it was typed: the fewest digits that read back as the double, rounded
// half away from zero at the sixth decimal; nothing past MostBits.
std::optional<Wide> millionths(double magnitude) {
    // Most prices: a few decimals that read back as they are.
    if (magnitude < 4e9) {
        const double scaled = std::nearbyint(magnitude * 1e6);
        if (scaled / 1e6 == magnitude)
            return static_cast<Wide>(static_cast<quint64>(scaled));
    }
    char buffer[40];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific).ptr;
    Wide digits = 0;
    int count = 0;
    const char* at = buffer;
    for (; at != end && *at != 'e'; ++at)
        if (*at != '.') {
            digits = digits * 10 + static_cast<unsigned>(*at - '0');
            ++count;
        }
    int exponent = 0;
    if (at != end)
        std::from_chars(at + 1 + (at[1] == '+' ? 1 : 0), end, exponent);
    int power = exponent - (count - 1) + 6; // magnitude × 10^6 = digits × 10^power
    if (power >= 0) {
        for (; power > 0; --power) {
            if (bitLength(digits) > MostBits - 4)
                return std::nullopt;
            digits *= 10;
        }
        return bitLength(digits) > MostBits ? std::nullopt : std::optional<Wide>(digits);
    }
    // Seventeen digits at most: twenty places down, nothing is left.
    if (-power > 20)
        return Wide(0);
    const Wide divisor = powerOfTen(-power);
    return digits / divisor + (digits % divisor * 2 >= divisor ? 1 : 0);
}

} // namespace

void ExactSum::add(double price, qint64 bottles) {
    if (price == 0 || bottles == 0 || !std::isfinite(price))
        return;
    const std::optional<Wide> unit = millionths(std::fabs(price));
    if (!unit) {
        m_apart += static_cast<long double>(price) * static_cast<long double>(bottles);
        return;
    }
    const quint64 count = bottles < 0 ? 0 - static_cast<quint64>(bottles) : static_cast<quint64>(bottles);
    const bool negative = (price < 0) != (bottles < 0);
    // The unit's two halves times the count, over 192 bits.
    const Wide low = static_cast<Wide>(static_cast<quint64>(*unit)) * count;
    const Wide high = static_cast<Wide>(static_cast<quint64>(*unit >> 64)) * count;
    const Wide lo = low + (high << 64);
    addWide(m_low, m_high, lo, (high >> 64) + (lo < low ? 1 : 0), negative);
}

ExactSum& ExactSum::operator+=(const ExactSum& other) {
    addWide(m_low, m_high, other.m_low, other.m_high, false);
    m_apart += other.m_apart;
    return *this;
}

ExactSum& ExactSum::operator-=(const ExactSum& other) {
    addWide(m_low, m_high, other.m_low, other.m_high, true);
    m_apart -= other.m_apart;
    return *this;
}

long double ExactSum::toLongDouble() const {
    const bool negative = (m_high >> 127) != 0;
    Wide low = m_low, high = m_high;
    if (negative)
        negate(low, high);
    long double exact = 0;
    const int bits = high != 0 ? 128 + bitLength(high) : bitLength(low);
    if (bits <= 64) {
        exact = static_cast<long double>(static_cast<quint64>(low));
    } else {
        // The 64 leading bits, rounded to the nearest, a tie to even, by the bit after them and any below.
        const int drop = bits - 65;
        Wide top = 0;
        bool sticky = false;
        if (drop == 0) {
            top = low;
        } else if (drop < 128) {
            top = (low >> drop) | (high << (128 - drop));
            sticky = (low << (128 - drop)) != 0;
        } else {
            top = high >> (drop - 128);
            sticky = low != 0 || (drop > 128 && (high << (256 - drop)) != 0);
        }
        Wide mantissa = top >> 1;
        if ((top & 1) != 0 && (sticky || (mantissa & 1) != 0))
            ++mantissa;
        exact = std::ldexp(static_cast<long double>(mantissa), drop + 1);
    }
    exact /= 1e6L;
    if (negative)
        exact = -exact;
    return exact + m_apart;
}

double ExactSum::toDouble() const {
    return static_cast<double>(toLongDouble());
}

QByteArray ExactSum::centsText() const {
    if (m_apart != 0)
        return {};
    const bool negative = (m_high >> 127) != 0;
    Wide low = m_low, high = m_high;
    if (negative)
        negate(low, high);
    quint64 limbs[4] = {static_cast<quint64>(low), static_cast<quint64>(low >> 64),
                        static_cast<quint64>(high), static_cast<quint64>(high >> 64)};
    // Divides the magnitude in place; the remainder.
    const auto divide = [&limbs](quint64 divisor) {
        Wide rest = 0;
        for (int i = 3; i >= 0; --i) {
            const Wide current = (rest << 64) | limbs[i];
            limbs[i] = static_cast<quint64>(current / divisor);
            rest = current % divisor;
        }
        return static_cast<quint64>(rest);
    };
    // Millionths to cents, half away from zero.
    if (divide(10000) >= 5000)
        for (int i = 0; i < 4 && ++limbs[i] == 0; ++i) {
        }
    QByteArray digits;
    do
        digits.prepend(static_cast<char>('0' + divide(10)));
    while ((limbs[0] | limbs[1] | limbs[2] | limbs[3]) != 0 || digits.size() < 3);
    digits.insert(digits.size() - 2, '.');
    return negative && digits != "0.00" ? '-' + digits : digits;
}

QByteArray ExactSum::bytes() const {
    QByteArray out(sizeof m_low + sizeof m_high + sizeof m_apart, '\0');
    std::memcpy(out.data(), &m_low, sizeof m_low);
    std::memcpy(out.data() + sizeof m_low, &m_high, sizeof m_high);
    std::memcpy(out.data() + sizeof m_low + sizeof m_high, &m_apart, sizeof m_apart);
    return out;
}

ExactSum ExactSum::fromBytes(const QByteArray& bytes) {
    ExactSum sum;
    if (bytes.size() != static_cast<qsizetype>(sizeof sum.m_low + sizeof sum.m_high + sizeof sum.m_apart))
        return sum;
    std::memcpy(&sum.m_low, bytes.constData(), sizeof sum.m_low);
    std::memcpy(&sum.m_high, bytes.constData() + sizeof sum.m_low, sizeof sum.m_high);
    std::memcpy(&sum.m_apart, bytes.constData() + sizeof sum.m_low + sizeof sum.m_high, sizeof sum.m_apart);
    return sum;
}

namespace {

bool isNumber(sqlite3_value* v) {
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

void sumStep(sqlite3_context* context, int count, sqlite3_value** values) {
    auto* sum = static_cast<ExactSum*>(sqlite3_aggregate_context(context, sizeof(ExactSum)));
    if (!sum)
        return sqlite3_result_error_nomem(context);
    if (count == 1) {
        if (sqlite3_value_type(values[0]) == SQLITE_BLOB)
            *sum += ExactSum::fromBytes(QByteArray(static_cast<const char*>(sqlite3_value_blob(values[0])),
                                                   sqlite3_value_bytes(values[0])));
        return;
    }
    if (!isNumber(values[0]) || !isNumber(values[1]))
        return;
    // A whole real within 64 bits counts as its bottles; any other real is no count.
    qint64 bottles = 0;
    if (sqlite3_value_type(values[1]) == SQLITE_INTEGER) {
        bottles = sqlite3_value_int64(values[1]);
    } else {
        const double d = sqlite3_value_double(values[1]);
        if (std::floor(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            return;
        bottles = static_cast<qint64>(d);
    }
    sum->add(sqlite3_value_double(values[0]), bottles);
}

void sumFinal(sqlite3_context* context) {
    // Zeroed by the engine when first asked for, so a sum of no rows is nought.
    const auto* sum = static_cast<ExactSum*>(sqlite3_aggregate_context(context, sizeof(ExactSum)));
    const QByteArray bytes = sum ? sum->bytes() : ExactSum().bytes();
    sqlite3_result_blob(context, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

} // namespace

void addSqlFunctions(sqlite3* db) {
    static_assert(std::is_trivially_destructible_v<ExactSum>, "the engine frees an aggregate's state itself");
    for (const int arguments : {1, 2})
        sqlite3_create_function_v2(db, SumFunction, arguments,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, nullptr,
                                   sumStep, sumFinal, nullptr);
}

void Totals::add(const QVariant& quantity, const QVariant& price) {
    ++lots;
    const std::optional<qint64> n = LotRules::bottles(quantity);
    if (!n || !priceCounts(price)) {
        ++setApart;
        return;
    }
    this->bottles += *n;
    if (price.isNull())
        ++withoutPrice;
    else
        value.add(price.toDouble(), *n);
}

Totals& Totals::operator+=(const Totals& other) {
    lots += other.lots;
    bottles += other.bottles;
    value += other.value;
    withoutPrice += other.withoutPrice;
    setApart += other.setApart;
    return *this;
}

Totals& Totals::operator-=(const Totals& other) {
    lots -= other.lots;
    bottles -= other.bottles;
    value -= other.value;
    withoutPrice -= other.withoutPrice;
    setApart -= other.setApart;
    return *this;
}

namespace {
// Bottles are added in two halves, so that a sum past 64 bits is still exact.
constexpr qint64 Half = 1000000000;
} // namespace

QString wholeSumSql(const QString& number) {
    return QStringLiteral("SUM(%1 / %2), SUM(%1 %3 %2)")
        .arg(number, QString::number(Half), QStringLiteral("%"));
}

WideInt wholeSum(const DbRow& row, size_t first) {
    return static_cast<WideInt>(row.at(first).toLongLong()) * Half + row.at(first + 1).toLongLong();
}

QString countedBottlesSql(const QString& quantity, const QString& price) {
    return QStringLiteral("CASE WHEN %2 THEN CAST(%1 AS INTEGER) END")
        .arg(quantity, countsSql(quantity, price));
}

QString Totals::lotSql(const QString& quantity, const QString& price) {
    return QStringLiteral("%1 AS p, %2 AS n").arg(price, countedBottlesSql(quantity, price));
}

QString Totals::aggregatesSql() {
    const QStringList halves = wholeSumSql(QStringLiteral("n")).split(QStringLiteral(", "));
    return QStringLiteral(
               "COUNT(*) AS T0, %1 AS T1, %2 AS T2, %3(p, n) AS T3, IFNULL(SUM(n IS NOT NULL AND p "
               "IS NULL), 0) AS T4, COUNT(*) - COUNT(n) AS T5")
        .arg(halves.at(0), halves.at(1), QLatin1String(SumFunction));
}

QString Totals::mergedSql() {
    return QStringLiteral("SUM(T0), SUM(T1), SUM(T2), %1(T3), SUM(T4), SUM(T5)")
        .arg(QLatin1String(SumFunction));
}

QString Totals::sumsSql(const QString& quantity, const QString& price, const QString& rows) {
    // The rule is tested once a row: LIMIT keeps the engine from copying it into each sum.
    return QStringLiteral("SELECT %1 FROM (SELECT %2 %3 LIMIT -1)")
        .arg(aggregatesSql(), lotSql(quantity, price), rows);
}

Totals Totals::fromSums(const DbRow& row, size_t first) {
    Totals t;
    t.lots = row.at(first).toLongLong();
    t.bottles = wholeSum(row, first + 1);
    t.value = ExactSum::fromBytes(row.at(first + 3).toByteArray());
    t.withoutPrice = row.at(first + 4).toLongLong();
    t.setApart = row.at(first + 5).toLongLong();
    return t;
}

} // namespace LotRules
