// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/Figures.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "database/Lot.h"
#include "database/LotIdentity.h"
#include "history/HistoryQuery.h"
#include "ui/Numbers.h"
#include "view/CellarQuery.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <map>

namespace Figures {

namespace {

const QLocale French(QLocale::French, QLocale::France);

QString date(const QDate& day) {
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

QString counted(const char* suffix = nullptr) {
    if (!suffix)
        return LotRules::countsSql(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE"));
    return LotRules::countsSql(CellarSchema::lotColumn(CellarSchema::Quantite, suffix),
                               CellarSchema::lotColumn(CellarSchema::PrixUnitaire, suffix));
}

// The view's totals, group by group: lots, bottles, value, lots without a price, lots counted apart, read
// with LotRules::Totals::fromSums(row, 1). The test on each lot is made once: LIMIT keeps the engine from
// copying it into each sum.
QString groupedLots(const QString& key) {
    return QStringLiteral("SELECT %1 AS k, %2 FROM (SELECT NOM, TYPE, ANNEE, COULEUR, %3 FROM ORNY LIMIT -1) "
                          "GROUP BY k")
        .arg(key, LotRules::Totals::aggregatesSql(),
             LotRules::Totals::lotSql(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE")));
}

// Texts grouped as the view's filters compare them: the engine groups the stored values first, then
// only the distinct ones in French order, the most bottles first.
QString byText(const char* column, int limit) {
    return QStringLiteral(
               "SELECT k, %1 FROM (%2) GROUP BY k COLLATE %3 ORDER BY SUM(T1) * 1e9 + SUM(T2) DESC, "
               "2 DESC, k COLLATE %3 LIMIT %4")
        .arg(LotRules::Totals::mergedSql(), groupedLots(QLatin1String(column)),
             QLatin1String(FrenchCollation::Name))
        .arg(limit);
}

const QStringList CompositionHeaders = {QString(),
                                        QStringLiteral("Lots"),
                                        QStringLiteral("Bouteilles"),
                                        QStringLiteral("Valeur"),
                                        QStringLiteral("Lots sans prix"),
                                        QStringLiteral("Lots hors normes")};
const QList<Unit> CompositionUnits = {Unit::Text,  Unit::Count, Unit::Count,
                                      Unit::Count, Unit::Count, Unit::Count};

// A count as exact as the view's: a whole number, or its digits past 64 bits.
QVariant count(WideInt n) {
    if (n >= std::numeric_limits<qint64>::min() && n <= std::numeric_limits<qint64>::max())
        return static_cast<qlonglong>(n);
    return Numbers::digits(n);
}

QVariantList compositionRow(const QVariant& label, const LotRules::Totals& t) {
    return {label,
            QVariant(t.lots),
            count(t.bottles),
            QVariant::fromValue(t.value),
            QVariant(t.withoutPrice),
            QVariant(t.setApart)};
}

Table compositionTable(const QString& name, const QString& title, const QString& what) {
    Table t;
    t.name = name;
    t.title = title;
    t.headers = CompositionHeaders;
    t.headers[0] = what;
    t.units = CompositionUnits;
    t.units[3] = Unit::Money;
    t.totalRow = true;
    t.series = {2};
    t.blank = QStringLiteral("La cave est vide.");
    t.note = QStringLiteral("Comme dans les totaux de la visualisation, un lot sans prix compte ses "
                            "bouteilles sans valeur ; un lot dont la quantité ou le prix est hors normes "
                            "n'est compté que parmi les lots hors normes.");
    return t;
}

void addTotal(Table& t, const LotRules::Totals& totals) {
    t.rows << compositionRow(QStringLiteral("Total"), totals);
}

QVariant textLabel(const QVariant& value, const QString& none) {
    return value.isNull() || value.toString().isEmpty() ? QVariant(none) : QVariant(value.toString());
}

// The groups of a column with the most bottles, the others together, then the total: a cellar of a
// hundred thousand colours or types still shows a few rows.
Status largest(DataLink& link, const char* column, const QString& none, const LotRules::Totals& grand,
               Table& t) {
    const DbRows groups = link.query(byText(column, LargestGroups + 1));
    if (!groups.ok())
        return groups.error;
    // Fifteen groups and the others together; sixteen are shown as they are.
    const bool others = groups.rows.size() > static_cast<size_t>(LargestGroups);
    const size_t shown = others ? LargestGroups : groups.rows.size();
    LotRules::Totals rest = grand;
    for (size_t r = 0; r < shown; ++r) {
        const LotRules::Totals group = LotRules::Totals::fromSums(groups.rows[r], 1);
        t.rows << compositionRow(textLabel(groups.rows[r].at(0), none), group);
        rest -= group;
    }
    if (others)
        t.rows << compositionRow(QStringLiteral("Autres"), rest);
    addTotal(t, grand);
    return std::nullopt;
}

Status composition(DataLink& link, const QDate& today, Page& page) {
    const CellarQuery::Statement all = CellarQuery::totals({});
    const DbRows totals = link.query(all.sql, all.params);
    if (!totals.ok())
        return totals.error;
    const LotRules::Totals grand = LotRules::Totals::fromSums(totals.rows.front());
    const QString when = QStringLiteral(" au ") + date(today);

    Table colours =
        compositionTable(QStringLiteral("Par couleur"), QStringLiteral("Bouteilles par couleur") + when,
                         QStringLiteral("Couleur"));
    colours.chart = Chart::Donut;
    if (Status status = largest(link, "COULEUR", QStringLiteral("(sans couleur)"), grand, colours))
        return status;
    Table types =
        compositionTable(QStringLiteral("Par type"),
                         QStringLiteral("Bouteilles par type (les %1 premiers)").arg(LargestGroups) + when,
                         QStringLiteral("Type"));
    if (Status status = largest(link, "TYPE", QStringLiteral("(sans type)"), grand, types))
        return status;

    Table vintages =
        compositionTable(QStringLiteral("Par millésime"), QStringLiteral("Bouteilles par millésime") + when,
                         QStringLiteral("Millésime"));
    const DbRows byYear = link.query(
        QStringLiteral("SELECT * FROM (%1) ORDER BY k IS NULL, k")
            .arg(groupedLots(QStringLiteral("CASE WHEN ANNEE BETWEEN 1000 AND 9999 AND ANNEE = CAST(ANNEE AS "
                                            "INTEGER) THEN CAST(ANNEE AS INTEGER) END"))));
    if (!byYear.ok())
        return byYear.error;
    const bool decades = byYear.rows.size() > static_cast<size_t>(MostYears);
    if (decades)
        vintages.headers[0] = QStringLiteral("Décennie");
    // Years read from the engine's groups; decades summed from them (a few thousand rows at most).
    std::map<qint64, LotRules::Totals> groups;
    std::optional<LotRules::Totals> none;
    for (const DbRow& row : byYear.rows) {
        const LotRules::Totals sums = LotRules::Totals::fromSums(row, 1);
        if (row.at(0).isNull()) {
            none = sums;
            continue;
        }
        const qint64 year = row.at(0).toLongLong();
        groups[decades ? year - year % 10 : year] += sums;
    }
    for (const auto& [key, sums] : groups)
        vintages.rows << compositionRow(
            decades ? QStringLiteral("%1–%2").arg(key).arg(key + 9) : QString::number(key), sums);
    if (none)
        vintages.rows << compositionRow(QStringLiteral("(sans millésime)"), *none);
    addTotal(vintages, grand);

    page.tables = {colours, types, vintages};
    return std::nullopt;
}

Status hasTable(DataLink& link, const char* name, bool& there) {
    const DbRows found =
        link.query(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1"),
                   {QLatin1String(name)});
    there = found.ok() && !found.rows.empty();
    return found.error;
}

Status toDrink(DataLink& link, const QDate& today, Page& page) {
    const int year = today.year();
    Table t;
    t.name = QStringLiteral("Par année");
    t.title = QStringLiteral("Bouteilles à boire de %1 à %2, au %3")
                  .arg(year)
                  .arg(year + DrinkingYears - 1)
                  .arg(date(today));
    t.headers = {QStringLiteral("Année"), QStringLiteral("Fenêtre qui s'ouvre"),
                 QStringLiteral("À boire (fenêtre ouverte)"), QStringLiteral("Fenêtre qui se ferme")};
    t.units = {Unit::Text, Unit::Count, Unit::Count, Unit::Count};
    t.chart = Chart::GroupedBars;
    t.series = {1, 2, 3};
    t.blank = QStringLiteral("Aucune bouteille n'est à boire dans ces années.");
    bool details = false;
    if (Status status = hasTable(link, CellarSchema::DetailTable, details))
        return status;
    std::map<int, DbRow> years;
    double past = 0;
    double first = 0;
    if (details) {
        // The lots' windows are few: the engine sums the bottles of each first, then spreads them over
        // the years.
        const QString windows =
            QStringLiteral(
                "w AS (SELECT d.BOIRE_DES AS des, d.BOIRE_JUSQUA AS jusqua, TOTAL(o.QUANTITE * %1) "
                "AS b FROM DETAIL d JOIN ORNY o ON %2 WHERE d.BOIRE_DES IS NOT NULL OR "
                "d.BOIRE_JUSQUA IS NOT NULL GROUP BY des, jusqua)")
                .arg(LotRules::countsSql(QStringLiteral("o.QUANTITE"), QStringLiteral("o.PRIXUNITAIRE")),
                     LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")));
        const DbRows spread = link.query(
            QStringLiteral(
                "WITH RECURSIVE years(y) AS (SELECT ?1 UNION ALL SELECT y + 1 FROM years WHERE y < "
                "?1 + %1), %2 SELECT y, TOTAL(CASE WHEN des = y THEN b END), TOTAL(CASE WHEN "
                "IFNULL(des, y) <= y AND IFNULL(jusqua, y) >= y THEN b END), TOTAL(CASE WHEN "
                "jusqua = y THEN b END) FROM years, w GROUP BY y")
                .arg(DrinkingYears - 1)
                .arg(windows),
            {year});
        if (!spread.ok())
            return spread.error;
        for (const DbRow& row : spread.rows)
            years[row.at(0).toInt()] = row;
        const DbRows late =
            link.query(QStringLiteral("WITH %1 SELECT TOTAL(CASE WHEN jusqua < ?1 THEN b END), "
                                      "TOTAL(CASE WHEN jusqua <= ?1 + 1 THEN b END) FROM w")
                           .arg(windows),
                       {year});
        if (!late.ok())
            return late.error;
        past = late.rows.front().at(0).toDouble();
        first = late.rows.front().at(1).toDouble();
    }
    t.rows << QVariantList{QStringLiteral("Avant %1 (passée)").arg(year), QVariant(), QVariant(), past};
    for (int y = year; y < year + DrinkingYears; ++y) {
        const auto found = years.find(y);
        if (found == years.end())
            t.rows << QVariantList{QString::number(y), 0.0, 0.0, 0.0};
        else
            t.rows << QVariantList{QString::number(y), found->second.at(1).toDouble(),
                                   found->second.at(2).toDouble(), found->second.at(3).toDouble()};
    }
    t.note = QStringLiteral("À boire en priorité (fenêtre close au plus tard en %1) : %2 bouteille%3. "
                            "Seuls les lots dont les détails donnent une fenêtre sont comptés.")
                 .arg(year + 1)
                 .arg(formatCount(first), Numbers::plural(first) ? QStringLiteral("s") : QString());
    page.tables = {t};
    return std::nullopt;
}

// The journal's periods: each month of the recent ones, each year before them.
QString periodKey() {
    return QStringLiteral("CASE WHEN QUAND >= ?1 THEN substr(QUAND, 1, 7) ELSE substr(QUAND, 1, 4) END");
}
// Dates another tool mangled belong to no period.
const QString ReadableDate = QStringLiteral("QUAND GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]*'");

QDate windowStart(const QDate& today) {
    return QDate(today.year(), today.month(), 1).addMonths(1 - RecentMonths);
}

QString monthLabel(const QDate& month) {
    return French.standaloneMonthName(month.month(), QLocale::ShortFormat) + QLatin1Char(' ') +
           QString::number(month.year());
}

QString periodLabel(const QString& key) {
    if (key.size() == 4)
        return key;
    return monthLabel(QDate::fromString(key + QStringLiteral("-01"), Qt::ISODate));
}

// The keys of the periods shown: the years found in the journal before the recent months, then every
// recent month, in the order of time (which is the keys' order).
QStringList periodKeys(const QDate& today, const std::map<QString, DbRow>& found) {
    const QDate start = windowStart(today);
    const QString startKey = start.toString(QStringLiteral("yyyy-MM"));
    QStringList keys;
    for (const auto& [key, row] : found)
        if (key.size() == 4 && key < startKey)
            keys << key;
    for (QDate m = start; m <= today; m = m.addMonths(1))
        keys << m.toString(QStringLiteral("yyyy-MM"));
    return keys;
}

// The journal's sums by period, keyed by period; none without a journal. `sums` aggregate the `columns`
// each movement brings, worked out once a movement.
Status periodSums(DataLink& link, bool journal, const QString& columns, const QString& sums,
                  const QDate& start, std::map<QString, DbRow>& found) {
    if (!journal)
        return std::nullopt;
    const DbRows rows = link.query(
        QStringLiteral("SELECT k, %1 FROM (SELECT %2 AS k, %3 FROM MOUVEMENT WHERE %4 LIMIT -1) GROUP BY k")
            .arg(sums, periodKey(), columns, ReadableDate),
        {start.toString(Qt::ISODate)});
    if (!rows.ok())
        return rows.error;
    for (const DbRow& row : rows.rows)
        found[row.at(0).toString()] = row;
    return std::nullopt;
}

Status consumption(DataLink& link, const QDate& today, bool journal, Page& page) {
    const QDate start = windowStart(today);
    Table t;
    t.name = QStringLiteral("Par période");
    t.title = QStringLiteral("Bouteilles bues et achetées par mois depuis %1, par année avant, au %2")
                  .arg(monthLabel(start), date(today));
    t.headers = {QStringLiteral("Période"), QStringLiteral("Bues"), QStringLiteral("Valeur bue"),
                 QStringLiteral("Achetées"), QStringLiteral("Valeur achetée")};
    t.units = {Unit::Text, Unit::Count, Unit::Money, Unit::Count, Unit::Money};
    t.chart = Chart::GroupedBars;
    t.series = {1, 3};
    t.blank = QStringLiteral("Aucune bouteille n'a été bue ni achetée pendant ces périodes.");
    t.totalRow = true;
    t.note = QStringLiteral("D'après l'historique : achats et imports d'un côté, consommations de l'autre ; "
                            "les opérations annulées ne comptent pas.");
    std::map<QString, DbRow> found;
    if (Status status = periodSums(link, journal, HistoryQuery::movedColumns(), HistoryQuery::totalColumns(),
                                   start, found))
        return status;
    const QString startKey = start.toString(QStringLiteral("yyyy-MM"));
    // What was drunk comes first here.
    const auto row = [](const QString& label, const HistoryQuery::Moved& m) {
        return QVariantList{label, count(m.drunk), QVariant::fromValue(m.drunkValue), count(m.bought),
                            QVariant::fromValue(m.boughtValue)};
    };
    HistoryQuery::Moved total;
    for (const QString& key : periodKeys(today, found)) {
        const auto at = found.find(key);
        const HistoryQuery::Moved moved =
            at == found.end() ? HistoryQuery::Moved() : HistoryQuery::Moved::fromSums(at->second, 1);
        // A year the recent months cut short says where it stops.
        const QString label =
            key.size() == 4 && startKey.startsWith(key)
                ? QStringLiteral("%1 (jusqu'à %2)").arg(key, monthLabel(start.addMonths(-1)))
                : periodLabel(key);
        t.rows << row(label, moved);
        total += moved;
    }
    t.rows << row(QStringLiteral("Total"), total);
    page.tables = {t};
    return std::nullopt;
}

Status value(DataLink& link, const QDate& today, bool journal, Page& page) {
    const QDate start = windowStart(today);
    Table t;
    t.name = QStringLiteral("En fin de mois");
    t.title = QStringLiteral("Valeur de la cave en fin de mois depuis %1, en fin d'année avant, au %2")
                  .arg(monthLabel(start), date(today));
    t.headers = {QStringLiteral("Fin de"), QStringLiteral("Valeur")};
    t.units = {Unit::Text, Unit::Money};
    t.chart = Chart::Line;
    t.series = {1};
    t.blank = QStringLiteral("Aucune valeur en cave pendant ces périodes.");
    t.note = QStringLiteral("La cave d'aujourd'hui, dont on reprend les mouvements enregistrés depuis. "
                            "Les changements faits par un autre logiciel ne sont pas dans l'historique.");
    const CellarQuery::Statement all = CellarQuery::totals({});
    const DbRows now = link.query(all.sql, all.params);
    if (!now.ok())
        return now.error;
    const LotRules::ExactSum current = LotRules::Totals::fromSums(now.rows.front()).value;
    // What each movement changed in the value the totals count: the lot after it, less the lot before.
    const auto side = [](const char* suffix) {
        const QString price = CellarSchema::lotColumn(CellarSchema::PrixUnitaire, suffix);
        return QStringLiteral("%1 AS p%2, CASE WHEN LOT_%2 = 1 THEN %3 END AS n%2")
            .arg(price, QLatin1String(suffix),
                 LotRules::countedBottlesSql(CellarSchema::lotColumn(CellarSchema::Quantite, suffix), price));
    };
    std::map<QString, DbRow> found;
    if (Status status =
            periodSums(link, journal, side("APRES") + QStringLiteral(", ") + side("AVANT"),
                       QStringLiteral("%1(pAPRES, nAPRES), %1(pAVANT, nAVANT)").arg(LotRules::SumFunction),
                       start, found))
        return status;
    const auto change = [](const DbRow& row) {
        LotRules::ExactSum c = LotRules::ExactSum::fromBytes(row.at(1).toByteArray());
        c -= LotRules::ExactSum::fromBytes(row.at(2).toByteArray());
        return c;
    };
    const QStringList keys = periodKeys(today, found);
    const QString startKey = start.toString(QStringLiteral("yyyy-MM"));
    // Backwards from today: the value at the end of a period is today's less what every later one changed.
    QList<QVariantList> rows;
    LotRules::ExactSum later;
    for (auto at = found.rbegin(); at != found.rend() && at->first > keys.last(); ++at)
        later += change(at->second);
    for (qsizetype k = keys.size() - 1; k >= 0; --k) {
        const QString& key = keys.at(k);
        QString label = periodLabel(key);
        // A year the recent months cut short ends where they begin.
        if (key.size() == 4 && startKey.startsWith(key))
            label = monthLabel(start.addMonths(-1));
        LotRules::ExactSum atEnd = current;
        atEnd -= later;
        rows.prepend(QVariantList{label, QVariant::fromValue(atEnd)});
        const auto here = found.find(key);
        if (here != found.end())
            later += change(here->second);
    }
    t.rows = rows;

    Table lots;
    lots.name = QStringLiteral("Lots les plus précieux");
    lots.headers = {QStringLiteral("Nom"),     QStringLiteral("Type"),       QStringLiteral("Année"),
                    QStringLiteral("Couleur"), QStringLiteral("Bouteilles"), QStringLiteral("Prix unitaire"),
                    QStringLiteral("Valeur")};
    lots.units = {Unit::Text, Unit::Text, Unit::Text, Unit::Text, Unit::Count, Unit::Money, Unit::Money};
    lots.chart = Chart::Bars;
    lots.series = {6};
    lots.blank = QStringLiteral("Aucun lot de la cave n'a de prix.");
    const DbRows top = link.query(QStringLiteral("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, "
                                                 "PRIXUNITAIRE * QUANTITE AS v FROM ORNY WHERE %1 AND "
                                                 "PRIXUNITAIRE IS NOT NULL ORDER BY v DESC, rowid LIMIT %2")
                                      .arg(counted())
                                      .arg(MostValuableLots));
    if (!top.ok())
        return top.error;
    for (const DbRow& row : top.rows) {
        // The lot's value as the printout works it out, exactly.
        const qint64 bottles = LotRules::bottles(row.at(4)).value_or(0);
        LotRules::ExactSum worth;
        worth.add(row.at(5).toDouble(), bottles);
        lots.rows << QVariantList{row.at(0).toString(),
                                  row.at(1).toString(),
                                  row.at(2).toString(),
                                  row.at(3).toString(),
                                  QVariant(static_cast<qlonglong>(bottles)),
                                  row.at(5).toDouble(),
                                  QVariant::fromValue(worth)};
    }
    // As many as there are, up to ten: one lot is not « les 10 lots ».
    const qsizetype valued = lots.rows.size();
    lots.title = valued == 1 ? QStringLiteral("Le lot le plus précieux au %1").arg(date(today))
                 : valued == 0
                     ? QStringLiteral("Les lots les plus précieux au %1").arg(date(today))
                     : QStringLiteral("Les %1 lots les plus précieux au %2").arg(valued).arg(date(today));
    page.tables = {t, lots};
    return std::nullopt;
}

} // namespace

QString formatCount(double value) {
    if (!std::isfinite(value) || std::abs(value) >= 1e18)
        return French.toString(value, 'g', 6);
    return French.toString(static_cast<qlonglong>(std::llround(value)));
}

QString formatMoney(double value) {
    if (!std::isfinite(value))
        return QString();
    return Numbers::euros(Numbers::formatTwoDecimals(value));
}

QString format(const QVariant& value, Unit unit) {
    if (value.isNull())
        return QString();
    switch (unit) {
    case Unit::Count:
        // Whole counts as they are, however large; a share of one (a chart's axis) rounded.
        if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            return Numbers::groupedDigits(value.toLongLong());
        if (value.typeId() == QMetaType::QString)
            return Numbers::grouped(value.toString());
        return formatCount(value.toDouble());
    case Unit::Money:
        if (value.typeId() == qMetaTypeId<LotRules::ExactSum>())
            return Numbers::euros(Numbers::formatAmount(value.value<LotRules::ExactSum>()));
        return formatMoney(value.toDouble());
    case Unit::Text:
        break;
    }
    return value.toString();
}

qint64 rowsRead(DataLink& link) {
    bool journal = false;
    if (link.open() || hasTable(link, CellarSchema::JournalTable, journal))
        return 0;
    // The engine counts a table's rows from its pages, without reading them.
    const DbRows counted =
        link.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM ORNY)%1")
                       .arg(journal ? QStringLiteral(" + (SELECT COUNT(*) FROM MOUVEMENT)") : QString()));
    return counted.ok() && !counted.rows.empty() ? counted.rows.front().at(0).toLongLong() : 0;
}

Read read(DataLink& link, const QDate& today) {
    // Sums of money are kept exact in the tables; a chart draws them as doubles.
    static const bool drawn =
        QMetaType::registerConverter<LotRules::ExactSum, double>(&LotRules::ExactSum::toDouble);
    Q_UNUSED(drawn);
    Read result;
    result.pages = {{QStringLiteral("&Composition"), {}},
                    {QStringLiteral("À &boire"), {}},
                    {QStringLiteral("C&onsommation"), {}},
                    {QStringLiteral("&Valeur"), {}}};
    bool journal = false;
    // Details whose lot another tool renumbered are found again before their windows are counted.
    if ((result.error = link.open()) || (result.error = LotIdentity::repair(link)) ||
        (result.error = hasTable(link, CellarSchema::JournalTable, journal)) ||
        (result.error = composition(link, today, result.pages[Composition])) ||
        (result.error = toDrink(link, today, result.pages[ABoire])) ||
        (result.error = consumption(link, today, journal, result.pages[Consommation])) ||
        (result.error = value(link, today, journal, result.pages[Valeur])))
        return result;
    return result;
}

} // namespace Figures
