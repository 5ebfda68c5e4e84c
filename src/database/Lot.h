// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/WideInt.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

struct sqlite3;

// What a lot may say beyond its six values, all of it optional: when to drink it, where it lies, what the
// user thinks of it.
struct LotDetails {
    std::optional<qint64> boireDes;
    std::optional<qint64> boireJusqua;
    QString emplacement;
    QString note;
    std::optional<int> appreciation; // 0 to 5

    bool isEmpty() const {
        return !boireDes && !boireJusqua && emplacement.isEmpty() && note.isEmpty() && !appreciation;
    }
    // As bound to DETAIL's columns after LOT: null where nothing is said.
    DbRow values() const;
    // The details as stored values say them: a value that is not a whole number where one is expected says
    // nothing here (the stored value itself stays in the lot).
    static LotDetails read(const DbRow& values);
};

// A lot of the cellar and its details, each value exactly as stored or to be stored: a value another tool
// wrote (a fraction, a text where a number belongs, a blob, 3 000 000 000 bottles) is carried whole from
// the file back to the file. A lot typed in a window or read by an import is made from its typed values:
// quantities and vintages are 64-bit from the field to the statement.
struct Lot {
    static constexpr size_t DetailCount = 5;

    DbRow values = DbRow(6); // ORNY's six, in their stored order (CellarSchema::LotColumn)
    DbRow detailValues;      // DETAIL's columns after LOT, in their order; empty when the lot has none

    Lot() = default;
    // As stored, or to be stored exactly.
    explicit Lot(DbRow six, DbRow details = {}) : values(std::move(six)), detailValues(std::move(details)) {}
    // As typed.
    Lot(const QString& nom, const QString& type, qint64 annee, const QString& couleur, qint64 quantite,
        std::optional<double> prixUnitaire, const LotDetails& details = {});

    LotDetails details() const { return LotDetails::read(detailValues); }
    // Whether the lot has details: some detail value not null.
    bool hasDetails() const;
    // This lot with `other`'s value in each column `take` marks, its own exactly elsewhere: a correction
    // writes what the user changed and keeps every other value as stored.
    Lot with(const Lot& other, const std::array<bool, 6>& take,
             const std::array<bool, DetailCount>& takeDetails) const;
    // The same values of the same types, details included (no details and details all null are the same):
    // 5 and 5.0 differ, as they do in the file.
    bool operator==(const Lot& other) const;
    bool operator!=(const Lot& other) const { return !(*this == other); }
};

// The same values of the same types.
bool sameValues(const DbRow& a, const DbRow& b);

// The rules of a lot, written once: what a purchase, a correction or an import may record, and which lots
// count in the totals of the view, the printout, the statistics and the history.
namespace LotRules {

// The longest text each column takes, in every window and in the imports. The purchase's name field keeps
// its own, shorter limit.
inline constexpr int NameWidth = 255;
inline constexpr int TypeWidth = 255;
inline constexpr int ColourWidth = 50;
inline constexpr int PurchaseNameWidth = 30;
inline constexpr int PlaceWidth = 100;
inline constexpr int NoteWidth = 2000;
// Vintages and the years of a drinking window are four digits: a vintage from 1000 to the current year.
inline constexpr int FirstYear = 1000;
inline constexpr int LastYear = 9999;
inline constexpr int MostStars = 5;

// « May be recorded », one value at a time, as a window checks what was typed.
bool isVintage(qint64 year, int currentYear);
// A purchase is at least one bottle.
bool isPurchasedCount(qint64 bottles);
// The highest price of a bottle: far above any wine, low enough that sums of such lots keep their cents and
// a printed price its column. Beyond it, the price is refused where a lot is recorded, and a lot written so
// by another tool is counted apart.
inline constexpr double MostPrice = 1e15;
// MostPrice as a message names it: "1 000 000 000 000 000 €".
QString mostPriceText();
// No price, or a finite one of zero or more, up to MostPrice.
bool isPrice(double price);
bool isWindowYear(qint64 year);
// « from » no later than « until » when both are given; « until » no earlier than the vintage.
bool isWindowInOrder(const std::optional<qint64>& from, const std::optional<qint64>& until);
bool endsAfterVintage(const std::optional<qint64>& until, qint64 vintage);

// NonVintage is the reader's finer Year: the source says the wine has no vintage (« NV »).
enum class Fault {
    None,
    Name,
    Type,
    Year,
    NonVintage,
    Colour,
    Quantity,
    Price,
    TooLong,
    DrinkingWindow,
    Place,
    Note,
    Rating
};
inline constexpr int FaultCount = 13;
// The first rule the lot's six values (in ORNY's order) break, or Fault::None.
Fault check(const DbRow& values, int currentYear);
// The first rule the details break, for a lot of that vintage.
Fault checkDetails(const LotDetails& details, qint64 vintage);
// Both: whether a lot may be recorded as a purchase or an import records it.
Fault check(const Lot& lot, int currentYear);

// « Counts in the totals »: a lot whose quantity is a whole number of bottles, 0 or more, within 64 bits
// (stored as an integer or as a whole real), and whose price is missing or a finite number of zero or
// more up to MostPrice. Any other lot (a text or a blob where a number belongs, a negative or fractional
// quantity, an infinite price or one past the ceiling) is shown as it is stored and counted apart, so that no
// total is ever made wrong by it.
std::optional<qint64> bottles(const QVariant& quantity);
bool priceCounts(const QVariant& price);
bool counts(const QVariant& quantity, const QVariant& price);
// The same rule in SQL: 1 when the lot of that quantity and price counts, 0 otherwise. The quantity and the
// price are SQL expressions (ORNY's columns, or their copies in the journal).
QString countsSql(const QString& quantity, const QString& price);
// The bottles of such a lot as a whole number, null when it does not count.
QString countedBottlesSql(const QString& quantity, const QString& price);

// A sum of prices times bottles that is exact, and the same in whatever order its terms come. A price is
// taken as it was typed, the fewest digits that read back as the stored double (12,1 rather than
// 12,0999999999999996…), to the millionth of a euro; each product is added as a whole number of millionths.
// A price past 10^30 € (no cellar holds one, a crafted file may) is added apart, in long double.
class ExactSum {
public:
    void add(double price, qint64 bottles);
    ExactSum& operator+=(const ExactSum& other);
    ExactSum& operator-=(const ExactSum& other);
    // The sum to 64 significant bits, and as a double: values too large for a double stay finite in the
    // first.
    long double toLongDouble() const;
    double toDouble() const;
    // The sum to the cent, rounded half away from zero, as plain digits with a point before the cents
    // ("-1234567000000000000036.30"); empty when a price was added apart.
    QByteArray centsText() const;
    // The sum as the SQL aggregate SumFunction passes it on; anything else reads as nothing.
    QByteArray bytes() const;
    static ExactSum fromBytes(const QByteArray& bytes);

private:
    // Two's complement over 256 bits, in millionths of a euro.
    WideUnsigned m_low = 0;
    WideUnsigned m_high = 0;
    long double m_apart = 0;
};

// The SQL aggregate of ExactSum, added to every connection: SOMME_VALEUR(price, bottles) adds the rows
// whose price and bottles are both numbers; SOMME_VALEUR(sum) adds up such sums. Either gives a sum that
// ExactSum::fromBytes() reads.
inline constexpr const char* SumFunction = "SOMME_VALEUR";
void addSqlFunctions(sqlite3* db);

// A whole number summed in SQL without overflow: the two columns of wholeSumSql(), read back by wholeSum().
QString wholeSumSql(const QString& number);
WideInt wholeSum(const DbRow& row, size_t first);

// Lots, bottles and value of the lots counted, without overflow whatever the cellar holds.
struct Totals {
    qint64 lots = 0;
    WideInt bottles = 0;
    ExactSum value;
    qint64 withoutPrice = 0;
    qint64 setApart = 0; // lots shown but not counted

    void add(const QVariant& quantity, const QVariant& price);
    Totals& operator+=(const Totals& other);
    Totals& operator-=(const Totals& other);
    // The statement that adds up as add() would the lots of `rows` ("FROM ORNY WHERE …"), whose quantity and
    // price are the SQL expressions given; its row is read back with fromSums().
    static QString sumsSql(const QString& quantity, const QString& price, const QString& rows);
    // The same in parts, for a statement that groups: the lot's values to select ("p" and "n"), then the
    // aggregates over them, named T0 to T5 so that mergedSql() adds up the groups' own sums.
    static QString lotSql(const QString& quantity, const QString& price);
    static QString aggregatesSql();
    static QString mergedSql();
    static Totals fromSums(const DbRow& row, size_t first = 0);
};

} // namespace LotRules

Q_DECLARE_METATYPE(LotRules::ExactSum)
