// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/InventoryReport.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "database/LotIdentity.h"
#include "printing/CellText.h"
#include "ui/Numbers.h"

#include <QIODevice>
#include <algorithm>
#include <cmath>

namespace InventoryReport {

namespace {

// No column is wider than this many characters, so no more of a text is ever read.
constexpr int TextRead = 512;
// How many of each column's longest texts are kept to measure it.
constexpr int Measured = 8;
// The first lots have every cell measured as printed; after them only the longest texts and the
// extreme numbers are, so that reading the cellar costs little more than the query.
constexpr size_t FullyMeasured = 1000;

// A lot as read: its six values, then its location when the cellar has its table of details.
constexpr int LocationColumn = CellarSchema::LotColumnCount;
constexpr size_t ReadColumns = CellarSchema::LotColumnCount + 1;

QString selected(DataLink& link) {
    bool details = false;
    const bool withDetails = !link.open() && !link.addedTables(details) && details;
    // The lot's columns in their order, its texts no longer than a column prints.
    QStringList columns;
    for (int c = 0; c < CellarSchema::LotColumnCount; ++c) {
        const QString name = QLatin1String(CellarSchema::LotColumnNames[c]);
        const bool text = c == CellarSchema::Nom || c == CellarSchema::Type || c == CellarSchema::Couleur;
        columns << (text ? QStringLiteral("substr(%1, 1, %2)").arg(name).arg(TextRead) : name);
    }
    return QStringLiteral("%1, %2")
        .arg(columns.join(QStringLiteral(", ")))
        .arg(withDetails ? QStringLiteral("(SELECT substr(d.EMPLACEMENT, 1, %1) FROM DETAIL d WHERE %2)")
                               .arg(TextRead)
                               .arg(LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("ORNY")))
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

bool isNumberField(ReportField field) {
    return field == ReportField::Annee || field == ReportField::Quantite ||
           field == ReportField::PrixUnitaire || field == ReportField::Valeur;
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
        // The lots without a value make the last section.
        terms << QStringLiteral("trim(ifnull(%1, '')) = ''").arg(column);
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

// The section of a value; a lot without one (missing, empty or blanks) has a section of its own too, titled
// after what it lacks, unless the definition names it.
QString sectionTitle(const ReportDefinition& d, const QString& value) {
    if (!value.trimmed().isEmpty() || d.groupTitles.contains(value))
        return d.groupTitle(value);
    switch (*d.groupField) {
    case ReportField::Nom:
        return QStringLiteral("Sans nom");
    case ReportField::Type:
        return QStringLiteral("Sans type");
    case ReportField::Annee:
        return QStringLiteral("Sans année");
    case ReportField::Quantite:
        return QStringLiteral("Sans quantité");
    case ReportField::PrixUnitaire:
        return QStringLiteral("Sans prix");
    default:
        return QStringLiteral("Sans couleur");
    }
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

QString title(const QDate& date) {
    QString format = Numbers::french().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return QStringLiteral("Inventaire de ma orny le ") + Numbers::french().toString(date, format);
}

QString amount(const LotRules::ExactSum& value, const QLocale& locale) {
    if (!std::isfinite(value.toLongDouble()))
        return QString::fromUtf16(Missing);
    return Numbers::euros(Numbers::formatAmount(value, locale));
}

QString cell(const ReportColumn& column, const DbRow& lot, const QLocale& locale) {
    using namespace CellarSchema;
    if (column.field == ReportField::Valeur) {
        const std::optional<qint64> bottles = LotRules::bottles(lot.at(Quantite));
        const QVariant& price = lot.at(PrixUnitaire);
        if (!bottles || price.isNull() || !LotRules::priceCounts(price))
            return QString::fromUtf16(Missing);
        LotRules::ExactSum value;
        value.add(price.toDouble(), *bottles);
        return amount(value, locale);
    }
    const QVariant& value = lot.at(static_cast<size_t>(lotColumn(column.field)));
    const bool number = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong;
    if (column.format == ReportColumn::Format::Amount && number) {
        if (!std::isfinite(value.toDouble()))
            return QString::fromUtf16(Missing);
        LotRules::ExactSum one;
        one.add(value.toDouble(), 1);
        return amount(one, locale);
    }
    // Whole numbers as such; anything else as it is stored.
    const QString text = Numbers::formatValue(value, Numbers::withoutGrouping(locale));
    if (text.isEmpty())
        return QString::fromUtf16(Missing);
    // A vintage is a name more than a quantity: 1998 is never « 1 998 ».
    return number && column.field != ReportField::Annee ? Numbers::grouped(text) : text;
}

namespace {
int columnOf(const QList<ReportColumn>& columns, ReportField field) {
    for (qsizetype c = 0; c < columns.size(); ++c)
        if (columns.at(c).field == field)
            return static_cast<int>(c);
    return -1;
}
} // namespace

int bottlesColumn(const QList<ReportColumn>& columns) {
    return columnOf(columns, ReportField::Quantite);
}

int valueColumn(const QList<ReportColumn>& columns) {
    return columnOf(columns, ReportField::Valeur);
}

bool isFigure(const ReportColumn& column) {
    return isNumberField(column.field) && column.field != ReportField::Annee;
}

TotalsRow totalsRow(const QString& label, const LotRules::Totals& t, const QList<ReportColumn>& columns,
                    const QLocale& locale) {
    TotalsRow row;
    QStringList words{lots(t.lots)};
    const QString bottles = Numbers::groupedDigits(t.bottles), value = amount(t.value, locale);
    if (bottlesColumn(columns) >= 0)
        row.bottles = bottles;
    else
        words << bottles + (Numbers::plural(static_cast<double>(t.bottles)) ? QStringLiteral(" bouteilles")
                                                                            : QStringLiteral(" bouteille"));
    // Lots none of which has a price counted have no value, as each of them shows none.
    const bool valued = t.lots == 0 || t.lots > t.withoutPrice + t.setApart;
    const QString shown = valued ? value : QString::fromUtf16(Missing);
    if (valueColumn(columns) >= 0)
        row.value = shown;
    else
        words << QStringLiteral("valeur ") + shown;
    row.words = label + QStringLiteral(" : ") + words.join(QStringLiteral(", "));
    if (t.withoutPrice > 0)
        row.words +=
            QStringLiteral(" (dont %1 sans prix, non valorisé%2)")
                .arg(lots(t.withoutPrice), Numbers::plural(t.withoutPrice) ? QStringLiteral("s") : QString());
    if (t.setApart > 0)
        row.words +=
            QStringLiteral(" (et %1 dont la quantité ou le prix est hors normes, non compté%2)")
                .arg(lots(t.setApart), Numbers::plural(t.setApart) ? QStringLiteral("s") : QString());
    return row;
}

QStringList wrap(const QString& words, double width, const Measure& measure) {
    QStringList lines;
    QString line;
    const auto add = [&](const QString& word) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (line.isEmpty() || measure(longer) <= width) {
            line = longer;
            return;
        }
        lines << line;
        line = word;
    };
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) {
        // A word wider than a line goes on as many lines as it takes.
        QString rest = word;
        while (measure(rest) > width && rest.size() > 1) {
            qsizetype fits = 1;
            while (fits < rest.size() && measure(rest.left(fits + 1)) <= width)
                ++fits;
            if (!line.isEmpty()) {
                lines << line;
                line.clear();
            }
            lines << rest.left(fits);
            rest = rest.mid(fits);
        }
        add(rest);
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    return lines;
}

QStringList cellLines(const QString& text, bool figure, double width, const Measure& measure) {
    const QString line = CellText::oneLine(text);
    if (measure(line) <= width)
        return {line};
    if (figure) {
        // Broken where the digits are grouped; the euro sign stays with the last group.
        QString spaced = line;
        spaced.replace(QChar(Numbers::DigitGroup), u' ');
        QStringList lines = wrap(spaced, width, measure);
        for (QString& l : lines)
            l.replace(u' ', QChar(Numbers::DigitGroup));
        return lines;
    }
    QStringList lines = wrap(line, width, measure);
    if (lines.size() > MostLines) {
        lines.resize(MostLines);
        QString& last = lines.last();
        while (!last.isEmpty() && measure(last + u'…') > width)
            last.chop(last.size() > 1 && last.at(last.size() - 2).isHighSurrogate() ? 2 : 1);
        last += u'…';
    }
    return lines;
}

QString widestPlausibleFigure() {
    return Numbers::euros(QStringLiteral("999999999999999999,99"));
}

namespace {

// The widest texts a column will print, found without printing every cell: the longest stored texts,
// the largest and the smallest numbers, and every cell of the first lots.
class ColumnMeasure {
public:
    explicit ColumnMeasure(const ReportColumn& column) : m_column(column) {}

    void add(const DbRow& lot, size_t index, const QLocale& locale) {
        if (index < FullyMeasured) {
            keepLongest(m_longest, cell(m_column, lot, locale));
            return;
        }
        if (m_column.field == ReportField::Valeur) {
            const std::optional<qint64> bottles = LotRules::bottles(lot.at(CellarSchema::Quantite));
            const QVariant& price = lot.at(CellarSchema::PrixUnitaire);
            if (bottles && !price.isNull() && LotRules::priceCounts(price))
                keepExtremes(price.toDouble() * static_cast<double>(*bottles), lot);
            return;
        }
        const QVariant& value = lot.at(static_cast<size_t>(lotColumn(m_column.field)));
        switch (value.typeId()) {
        case QMetaType::QString:
            keepLongest(m_longest, value.toString());
            break;
        case QMetaType::Double:
        case QMetaType::LongLong:
            keepExtremes(value.toDouble(), lot);
            break;
        default:
            break;
        }
    }

    QStringList texts(const QLocale& locale) const {
        QStringList longest = m_longest;
        if (m_hasExtremes) {
            keepLongest(longest, cell(m_column, m_largest, locale));
            keepLongest(longest, cell(m_column, m_smallest, locale));
        }
        return longest;
    }

private:
    void keepExtremes(double number, const DbRow& lot) {
        if (!m_hasExtremes || number > m_most) {
            m_most = number;
            m_largest = lot;
        }
        if (!m_hasExtremes || number < m_least) {
            m_least = number;
            m_smallest = lot;
        }
        m_hasExtremes = true;
    }

    const ReportColumn& m_column;
    QStringList m_longest;
    bool m_hasExtremes = false;
    double m_most = 0, m_least = 0;
    DbRow m_largest, m_smallest;
};

// The columns a definition prints: all but the one whose value heads each section.
QList<ReportColumn> printedColumns(const ReportDefinition& d) {
    QList<ReportColumn> columns;
    for (const ReportColumn& column : d.columns)
        if (!d.groupField || column.field != *d.groupField)
            columns << column;
    return columns.isEmpty() ? d.columns : columns;
}

} // namespace

Read read(const ReportDefinition& definition, DataLink& link, const QDate& date,
          const std::function<bool(qint64 read)>& progress) {
    Read result;
    Plan& plan = result.plan;
    plan.title = title(date);
    plan.date = date;
    plan.columns = printedColumns(definition);
    std::vector<ColumnMeasure> measures(plan.columns.cbegin(), plan.columns.cend());
    // Details whose lot another tool renumbered are found again before their places are printed.
    if ((result.error = LotIdentity::repair(link)))
        return result;
    QVariantList params;
    const QString sql = QStringLiteral("SELECT rowid, ") + selected(link) + QStringLiteral(" FROM ORNY") +
                        orderBy(definition, params);
    if ((result.error = link.openCursor(sql, params)))
        return result;
    const int group = definition.groupField ? lotColumn(*definition.groupField) : -1;
    const QLocale& locale = Numbers::french();
    QString currentKey;
    std::vector<DbRow> batch;
    for (;;) {
        batch.clear();
        if ((result.error = link.fetch(1000, batch)))
            return result;
        if (batch.empty())
            break;
        for (DbRow& row : batch) {
            const size_t index = plan.order.size();
            plan.order.push_back(row.front().toLongLong());
            row.erase(row.begin());
            QString key = group < 0 ? QString() : row.at(static_cast<size_t>(group)).toString();
            if (key.trimmed().isEmpty())
                key.clear();
            if (plan.groups.empty() || (group >= 0 && !FrenchCollation::equal(currentKey, key))) {
                currentKey = key;
                plan.groups.push_back({group < 0 ? QString() : sectionTitle(definition, key), 0, {}});
            }
            Group& g = plan.groups.back();
            ++g.lots;
            g.totals.add(row.at(CellarSchema::Quantite), row.at(CellarSchema::PrixUnitaire));
            plan.totals.add(row.at(CellarSchema::Quantite), row.at(CellarSchema::PrixUnitaire));
            for (ColumnMeasure& measure : measures)
                measure.add(row, index, locale);
        }
        if (progress && !progress(static_cast<qint64>(plan.order.size()))) {
            result.cancelled = true;
            break;
        }
    }
    link.close();
    for (const ColumnMeasure& measure : measures)
        plan.longest.push_back(measure.texts(locale));
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

namespace {

// The text export: fixed-pitch columns as wide as the definition says, those of figures as wide as their
// widest value, totals included, unless it is past any plausible amount; a longer text goes on the next
// lines of its column, so that nothing is ever cut but what no one would type.
class TextWriter {
public:
    TextWriter(const Plan& plan, QIODevice& out) : m_plan(plan), m_out(out) {
        const int plausible = static_cast<int>(widestPlausibleFigure().size());
        std::vector<int> figures(static_cast<size_t>(plan.columns.size()), 0);
        const auto widen = [&figures](int column, const QString& figure) {
            if (column >= 0)
                figures[static_cast<size_t>(column)] =
                    std::max(figures[static_cast<size_t>(column)], static_cast<int>(figure.size()));
        };
        for (const Group& g : plan.groups) {
            const TotalsRow row = totals(g);
            widen(bottlesColumn(plan.columns), row.bottles);
            widen(valueColumn(plan.columns), row.value);
        }
        const TotalsRow all = grandTotal();
        widen(bottlesColumn(plan.columns), all.bottles);
        widen(valueColumn(plan.columns), all.value);
        for (qsizetype c = 0; c < plan.columns.size(); ++c) {
            const ReportColumn& column = plan.columns.at(c);
            int width = std::max(column.width, static_cast<int>(column.caption.size()));
            if (isFigure(column)) {
                int widest = figures[static_cast<size_t>(c)];
                for (const QString& text : plan.longest.at(static_cast<size_t>(c)))
                    widest = std::max(widest, static_cast<int>(text.size()));
                if (widest <= plausible)
                    width = std::max(width, widest);
            }
            m_widths.push_back(width);
        }
    }

    TotalsRow totals(const Group& g) const {
        return totalsRow(QStringLiteral("Sous-total ") + g.title, g.totals, m_plan.columns,
                         Numbers::french());
    }
    TotalsRow grandTotal() const {
        return totalsRow(QStringLiteral("Total général"), m_plan.totals, m_plan.columns, Numbers::french());
    }

    // Every line of the export goes out here: a text another program stored breaks no line of it. Blanks
    // at its end are dropped, never at its start, where they stand figures under their columns.
    bool write(const QString& text) {
        QString line = CellText::oneLine(text);
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        const QByteArray utf8 = line.toUtf8() + '\n';
        return m_out.write(utf8) == utf8.size();
    }

    QStringList lines(int column, const QString& text) const {
        return cellLines(text, isFigure(m_plan.columns.at(column)), m_widths[static_cast<size_t>(column)],
                         [](const QString& s) { return static_cast<double>(s.size()); });
    }

    // One row of cells, each on as many lines as it takes, all from the row's first line.
    bool writeCells(const QStringList& values) {
        QList<QStringList> cells;
        qsizetype rows = 1;
        for (qsizetype c = 0; c < values.size(); ++c) {
            cells << lines(static_cast<int>(c), values.at(c));
            rows = std::max(rows, cells.last().size());
        }
        bool ok = true;
        for (qsizetype r = 0; r < rows; ++r) {
            QString l;
            for (qsizetype c = 0; c < cells.size(); ++c) {
                if (c > 0)
                    l += u' ';
                l += pad(cells.at(c).value(r), m_widths[static_cast<size_t>(c)],
                         m_plan.columns.at(c).alignment);
            }
            ok = ok && write(l);
        }
        return ok;
    }

    bool writeHeadings() {
        QStringList captions, rules;
        for (qsizetype c = 0; c < m_plan.columns.size(); ++c) {
            captions << m_plan.columns.at(c).caption;
            rules << QString(m_widths[static_cast<size_t>(c)], u'-');
        }
        return writeCells(captions) && writeCells(rules);
    }

    // The words in the columns left of the first figure, the figures from their first line; words that do
    // not hold on one line there take lines of their own above the figures.
    bool writeTotals(const TotalsRow& row) {
        const int bottles = bottlesColumn(m_plan.columns), value = valueColumn(m_plan.columns);
        int firstFigure = static_cast<int>(m_widths.size());
        for (const int c : {bottles, value})
            if (c >= 0)
                firstFigure = std::min(firstFigure, c);
        int room = 0;
        for (int c = 0; c < firstFigure; ++c)
            room += m_widths[static_cast<size_t>(c)] + (c > 0 ? 1 : 0);
        int wholeWidth = -1;
        for (const int w : m_widths)
            wholeWidth += w + 1;
        const bool apart = row.words.size() > room;
        QStringList words = wrap(row.words, apart ? std::max(wholeWidth, 40) : room,
                                 [](const QString& s) { return static_cast<double>(s.size()); });
        const QStringList bottleLines = bottles >= 0 ? lines(bottles, row.bottles) : QStringList();
        const QStringList valueLines = value >= 0 ? lines(value, row.value) : QStringList();
        const qsizetype figureLines = std::max<qsizetype>({1, bottleLines.size(), valueLines.size()});
        const qsizetype firstFigures = apart ? words.size() : 0;
        while (words.size() < firstFigures + figureLines)
            words << QString();
        bool ok = true;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const qsizetype f = i - firstFigures;
            QString l = words.at(i).leftJustified(f >= 0 && f < figureLines ? room : 0);
            for (int c = firstFigure; f >= 0 && f < figureLines && c < static_cast<int>(m_widths.size());
                 ++c) {
                const QString figure = c == bottles ? bottleLines.value(f)
                                       : c == value ? valueLines.value(f)
                                                    : QString();
                if (c > 0 || !l.isEmpty())
                    l += u' ';
                l += pad(figure, m_widths[static_cast<size_t>(c)], Qt::AlignRight);
            }
            ok = ok && write(l);
        }
        return ok;
    }

    // The lots of one section, fetched a chunk at a time from `next` in the plan's order.
    bool writeLots(const Group& g, DataLink& link, size_t& next,
                   const std::function<bool(qint64 written)>& progress) {
        const QLocale& locale = Numbers::french();
        std::vector<DbRow> lots;
        for (size_t done = 0; done < static_cast<size_t>(g.lots); done += lots.size()) {
            const size_t n = std::min(Chunk, static_cast<size_t>(g.lots) - done);
            if ((m_unread = fetchLots(link, m_plan.order, next, n, lots)))
                return false;
            next += n;
            for (const DbRow& lot : lots) {
                QStringList cells;
                for (const ReportColumn& c : m_plan.columns)
                    cells << cell(c, lot, locale);
                if (!writeCells(cells))
                    return false;
            }
            if (progress && !progress(static_cast<qint64>(next)))
                return false;
        }
        return true;
    }

    // Why the cellar could not be read, when it could not.
    const Status& unread() const { return m_unread; }

private:
    const Plan& m_plan;
    QIODevice& m_out;
    std::vector<int> m_widths;
    Status m_unread;
};

} // namespace

Status writeText(const ReportDefinition& d, const Plan& plan, DataLink& link, QIODevice& out,
                 const std::function<bool(qint64 written)>& progress) {
    TextWriter text(plan, out);
    bool ok = text.write(plan.title) && text.write({});
    if (plan.order.empty())
        ok = ok && text.write(QStringLiteral("La cave est vide."));
    size_t next = 0;
    for (const Group& g : plan.groups) {
        if (!g.title.isEmpty())
            ok = ok && text.write(g.title);
        ok = ok && text.writeHeadings() && text.writeLots(g, link, next, progress);
        if (d.totals && !g.title.isEmpty())
            ok = ok && text.writeTotals(text.totals(g));
        ok = ok && text.write({});
    }
    if (d.totals)
        ok = ok && text.writeTotals(text.grandTotal());
    if (ok)
        return std::nullopt;
    if (text.unread())
        return text.unread();
    return Failure{QStringLiteral("L'inventaire n'a pas pu être écrit."), out.errorString()};
}

} // namespace InventoryReport
