// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Lot.h"

#include "database/CellarSchema.h"

#include <algorithm>
#include <cmath>

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

bool isPrice(double price) {
    return std::isfinite(price) && price >= 0;
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
    // larger real is never equal to it; an infinite price less itself is no number, hence never 0.
    return QStringLiteral("IFNULL(%1 >= 0 AND %1 = CAST(%1 AS INTEGER) AND (%2 IS NULL OR "
                          "(%2 + 0 = %2 AND %2 >= 0 AND %2 - %2 = 0)), 0)")
        .arg(quantity, price);
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
        value += static_cast<long double>(price.toDouble()) * static_cast<long double>(*n);
}

namespace {
// Bottles are added in two halves, so that a sum past 64 bits is still exact.
constexpr qint64 Half = 1000000000;
} // namespace

QString Totals::sumsSql(const QString& quantity, const QString& price, const QString& rows) {
    // The rule is tested once a row: LIMIT keeps the engine from copying it into each sum.
    const QString half = QString::number(Half);
    return QStringLiteral(
               "SELECT COUNT(*), SUM(n / %5), SUM(n %6 %5), TOTAL(p * n), IFNULL(SUM(n IS NOT NULL "
               "AND p IS NULL), 0), COUNT(*) - COUNT(n) FROM (SELECT %2 AS p, CASE WHEN %4 THEN "
               "CAST(%1 AS INTEGER) END AS n %3 LIMIT -1)")
        .arg(quantity, price, rows, countsSql(quantity, price), half, QStringLiteral("%"));
}

Totals Totals::fromSums(const DbRow& row, size_t first) {
    Totals t;
    t.lots = row.at(first).toLongLong();
    t.bottles = static_cast<WideInt>(row.at(first + 1).toLongLong()) * Half + row.at(first + 2).toLongLong();
    t.value = static_cast<long double>(row.at(first + 3).toDouble());
    t.withoutPrice = row.at(first + 4).toLongLong();
    t.setApart = row.at(first + 5).toLongLong();
    return t;
}

} // namespace LotRules
