// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/InventoryReport.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "ui/Numbers.h"

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace InventoryReport {

namespace {

// No column is wider than this many characters, so no more of a text is ever read.
constexpr int TextRead = 512;
// How many of each column's longest texts are kept to measure it.
constexpr int Measured = 8;
// Lots fetched at once for the text export.
constexpr size_t Chunk = 500;

// A lot as read: its six values, then its location when the cellar has its table of details.
constexpr int LocationColumn = CellarSchema::LotColumnCount;
constexpr size_t ReadColumns = CellarSchema::LotColumnCount + 1;

QString selected(DataLink& link) {
    bool details = false;
    const bool withDetails = !link.open() && !link.addedTables(details) && details;
    return QStringLiteral("substr(NOM, 1, %1), substr(TYPE, 1, %1), ANNEE, substr(COULEUR, 1, %1), "
                          "QUANTITE, PRIXUNITAIRE, %2")
        .arg(TextRead)
        .arg(withDetails
                 ? QStringLiteral("(SELECT substr(EMPLACEMENT, 1, %1) FROM DETAIL WHERE LOT = ORNY.rowid)")
                       .arg(TextRead)
                 : QStringLiteral("NULL"));
}

// The column of a field in a lot as read; VALEUR has none.
int lotColumn(ReportField field) {
    switch (field) {
    case ReportField::Valeur:
        return -1;
    case ReportField::Emplacement:
        return LocationColumn;
    default:
        return static_cast<int>(field);
    }
}

bool isTextField(ReportField field) {
    return field == ReportField::Nom || field == ReportField::Type || field == ReportField::Couleur;
}

// A count of bottles a purchase could record: a whole number, 0 or more, that fits.
std::optional<qint64> bottlesOf(const QVariant& quantity) {
    if (quantity.typeId() == QMetaType::LongLong || quantity.typeId() == QMetaType::Int)
        return quantity.toLongLong() >= 0 ? std::optional<qint64>(quantity.toLongLong()) : std::nullopt;
    if (quantity.typeId() != QMetaType::Double)
        return std::nullopt;
    const double q = quantity.toDouble();
    if (!std::isfinite(q) || std::floor(q) != q || q < 0 || q > 9.2e18)
        return std::nullopt;
    return static_cast<qint64>(q);
}

bool priceRecorded(const QVariant& price) {
    return price.isNull() || (price.typeId() == QMetaType::Double || price.typeId() == QMetaType::LongLong
                                  ? std::isfinite(price.toDouble()) && price.toDouble() >= 0
                                  : false);
}

QString lots(qint64 n) {
    return Numbers::counted(n, QStringLiteral("lot"));
}

QString orderBy(const ReportDefinition& d, QVariantList& params) {
    QStringList terms;
    const auto term = [](ReportField field) {
        const QString name = ReportDefinition::fieldName(field);
        return isTextField(field) ? name + QStringLiteral(" COLLATE ") + QLatin1String(FrenchCollation::Name)
                                  : name;
    };
    if (d.groupField) {
        const QString column = ReportDefinition::fieldName(*d.groupField);
        if (!d.groupOrder.isEmpty()) {
            // The groups the definition names first, in its order; any other after them.
            QString rank = QStringLiteral("CASE");
            for (const QString& value : d.groupOrder) {
                params << value;
                rank += QStringLiteral(" WHEN %1 = ?%2 COLLATE %3 THEN %4")
                            .arg(column)
                            .arg(params.size())
                            .arg(QLatin1String(FrenchCollation::Name))
                            .arg(params.size());
            }
            terms << rank + QStringLiteral(" ELSE %1 END").arg(d.groupOrder.size() + 1);
        }
        terms << term(*d.groupField);
    }
    for (const ReportField field : d.sortFields)
        terms << term(field);
    terms << QStringLiteral("rowid");
    return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
}

QString cut(const QString& value, int width) {
    if (value.size() <= width)
        return value;
    qsizetype keep = width - 1;
    if (keep > 0 && value.at(keep - 1).isHighSurrogate())
        --keep;
    return value.left(keep) + QStringLiteral("…");
}

QString pad(const QString& value, int width, Qt::Alignment alignment) {
    const QString v = cut(value, width);
    const int room = width - static_cast<int>(v.size());
    if (room <= 0)
        return v;
    if (alignment & Qt::AlignRight)
        return QString(room, u' ') + v;
    if (alignment & Qt::AlignHCenter)
        return QString(room / 2, u' ') + v + QString(room - room / 2, u' ');
    return v + QString(room, u' ');
}

// Keeps the longest texts of a column, measuring the others only by their length.
void keepLongest(QStringList& longest, const QString& text) {
    if (longest.size() >= Measured && text.size() <= longest.last().size())
        return;
    const auto at = std::upper_bound(longest.begin(), longest.end(), text,
                                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    longest.insert(at, text);
    if (longest.size() > Measured)
        longest.removeLast();
}

} // namespace

void Totals::add(const QVariant& quantity, const QVariant& price) {
    ++lots;
    const std::optional<qint64> bottlesHere = bottlesOf(quantity);
    if (!bottlesHere || !priceRecorded(price)) {
        ++outOfRange;
        return;
    }
    bottles += *bottlesHere;
    if (price.isNull())
        ++withoutPrice;
    else
        value += static_cast<long double>(price.toDouble()) * static_cast<long double>(*bottlesHere);
}

QString title(const QDate& date) {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return QStringLiteral("Inventaire de ma orny le ") + QLocale().toString(date, format);
}

QString count(WideInt n) {
    if (n == 0)
        return QStringLiteral("0");
    const bool negative = n < 0;
    QString digits;
    for (; n != 0; n /= 10)
        digits.prepend(QChar(u'0' + static_cast<int>(negative ? -(n % 10) : n % 10)));
    return negative ? QStringLiteral("-") + digits : digits;
}

QString amount(long double value, const QLocale& locale) {
    if (!std::isfinite(value))
        return {};
    char buffer[5000];
    std::snprintf(buffer, sizeof buffer, "%.2Lf", value);
    return QString::fromLatin1(buffer).replace(u'.', locale.decimalPoint()) + QStringLiteral(" €");
}

QString cell(const ReportColumn& column, const DbRow& lot, const QLocale& locale) {
    using namespace CellarSchema;
    if (column.field == ReportField::Valeur) {
        const std::optional<qint64> bottles = bottlesOf(lot.at(Quantite));
        const QVariant& price = lot.at(PrixUnitaire);
        if (!bottles || price.isNull() || !priceRecorded(price))
            return {};
        return amount(static_cast<long double>(price.toDouble()) * static_cast<long double>(*bottles),
                      locale);
    }
    const QVariant& value = lot.at(static_cast<size_t>(lotColumn(column.field)));
    if (value.isNull())
        return {};
    const bool number = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong;
    if (column.format == ReportColumn::Format::Amount && number)
        return amount(value.toDouble(), locale);
    // Whole numbers as such; anything else as it is stored.
    return Numbers::formatValue(value, Numbers::withoutGrouping(locale));
}

QString totalsLine(const QString& label, const Totals& t, const QLocale& locale) {
    QString line =
        QStringLiteral("%1 : %2, %3 bouteille%4, valeur %5")
            .arg(label, lots(t.lots), count(t.bottles),
                 Numbers::plural(t.bottles) ? QStringLiteral("s") : QString(), amount(t.value, locale));
    if (t.withoutPrice > 0)
        line +=
            QStringLiteral(" (dont %1 sans prix, non valorisé%2)")
                .arg(lots(t.withoutPrice), Numbers::plural(t.withoutPrice) ? QStringLiteral("s") : QString());
    if (t.outOfRange > 0)
        line += QStringLiteral(" (et %1 dont la quantité ou le prix est hors normes, non compté%2)")
                    .arg(lots(t.outOfRange), Numbers::plural(t.outOfRange) ? QStringLiteral("s") : QString());
    return line;
}

QList<QPair<QString, QString>> summary(const Totals& t, const QLocale& locale) {
    QList<QPair<QString, QString>> rows = {
        {QStringLiteral("Lots"), QString::number(t.lots)},
        {QStringLiteral("Bouteilles"), count(t.bottles)},
        {QStringLiteral("Valeur"), amount(t.value, locale)},
        {QStringLiteral("Lots sans prix"), QString::number(t.withoutPrice)}};
    if (t.outOfRange > 0)
        rows.append({QStringLiteral("Lots hors normes, non comptés"), QString::number(t.outOfRange)});
    return rows;
}

Read read(const ReportDefinition& definition, DataLink& link, const QDate& date,
          const std::function<bool(qint64 read)>& progress) {
    Read result;
    Plan& plan = result.plan;
    plan.title = title(date);
    plan.date = date;
    plan.longest.resize(static_cast<size_t>(definition.columns.size()));
    QVariantList params;
    const QString sql = QStringLiteral("SELECT rowid, ") + selected(link) + QStringLiteral(" FROM ORNY") +
                        orderBy(definition, params);
    if ((result.error = link.openCursor(sql, params)))
        return result;
    const int group = definition.groupField ? lotColumn(*definition.groupField) : -1;
    const QLocale locale;
    QString currentKey;
    std::vector<DbRow> batch;
    for (;;) {
        batch.clear();
        if ((result.error = link.fetch(1000, batch)))
            return result;
        if (batch.empty())
            break;
        for (DbRow& row : batch) {
            plan.order.push_back(row.front().toLongLong());
            row.erase(row.begin());
            const QString key = group < 0 ? QString() : row.at(static_cast<size_t>(group)).toString();
            if (plan.groups.empty() || (group >= 0 && !FrenchCollation::equal(currentKey, key))) {
                currentKey = key;
                plan.groups.push_back({group < 0 ? QString() : definition.groupTitle(key), 0, {}});
            }
            Group& g = plan.groups.back();
            ++g.lots;
            g.totals.add(row.at(CellarSchema::Quantite), row.at(CellarSchema::PrixUnitaire));
            plan.totals.add(row.at(CellarSchema::Quantite), row.at(CellarSchema::PrixUnitaire));
            for (qsizetype c = 0; c < definition.columns.size(); ++c)
                keepLongest(plan.longest[static_cast<size_t>(c)],
                            cell(definition.columns.at(c), row, locale));
        }
        if (progress && !progress(static_cast<qint64>(plan.order.size()))) {
            result.cancelled = true;
            break;
        }
    }
    link.close();
    return result;
}

Status fetchLots(DataLink& link, const std::vector<qint64>& order, size_t first, size_t count,
                 std::vector<DbRow>& lots) {
    lots.assign(count, DbRow(ReadColumns));
    if (count == 0)
        return std::nullopt;
    QVariantList ids;
    QStringList places;
    for (size_t i = first; i < first + count && i < order.size(); ++i) {
        ids << order[i];
        places << QStringLiteral("?%1").arg(ids.size());
    }
    const DbRows rows =
        link.query(QStringLiteral("SELECT rowid, ") + selected(link) +
                       QStringLiteral(" FROM ORNY WHERE rowid IN (%1)").arg(places.join(u',')),
                   ids);
    if (!rows.ok())
        return rows.error;
    QHash<qint64, const DbRow*> byId;
    for (const DbRow& row : rows.rows)
        byId.insert(row.front().toLongLong(), &row);
    for (size_t i = 0; i < count && first + i < order.size(); ++i)
        if (const DbRow* row = byId.value(order[first + i]))
            lots[i].assign(row->begin() + 1, row->end());
    return std::nullopt;
}

bool writeText(const ReportDefinition& d, const Plan& plan, DataLink& link, QIODevice& out,
               const std::function<bool(qint64 written)>& progress) {
    const QLocale locale;
    const auto line = [&](const QStringList& values) {
        QString l;
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0)
                l += u' ';
            l += pad(values.at(i), d.columns.at(i).width, d.columns.at(i).alignment);
        }
        return l;
    };
    QStringList captions, rules;
    for (const ReportColumn& c : d.columns) {
        captions << c.caption;
        rules << QString(c.width, u'-');
    }
    const auto write = [&out](const QString& text) {
        const QByteArray utf8 = text.trimmed().toUtf8() + '\n';
        return out.write(utf8) == utf8.size();
    };
    bool ok = write(plan.title) && write({});
    if (plan.order.empty())
        ok = ok && write(QStringLiteral("La cave est vide."));
    size_t next = 0;
    std::vector<DbRow> lots;
    for (const Group& g : plan.groups) {
        if (!g.title.isEmpty())
            ok = ok && write(g.title);
        ok = ok && write(line(captions)) && write(line(rules));
        for (size_t done = 0; ok && done < static_cast<size_t>(g.lots); done += lots.size()) {
            const size_t n = std::min(Chunk, static_cast<size_t>(g.lots) - done);
            if (fetchLots(link, plan.order, next, n, lots))
                return false;
            next += n;
            for (const DbRow& lot : lots) {
                QStringList cells;
                for (const ReportColumn& c : d.columns)
                    cells << cell(c, lot, locale);
                ok = ok && write(line(cells));
            }
            if (progress && !progress(static_cast<qint64>(next)))
                return false;
        }
        if (d.totals && !g.title.isEmpty())
            ok = ok && write(totalsLine(QStringLiteral("Sous-total"), g.totals, locale));
        ok = ok && write({});
    }
    if (d.totals)
        ok = ok && write(totalsLine(QStringLiteral("Total général"), plan.totals, locale));
    return ok;
}

} // namespace InventoryReport
