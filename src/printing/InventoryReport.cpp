// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/InventoryReport.h"

#include "database/FrenchCollation.h"
#include "printing/ReportPages.h"
#include "ui/Numbers.h"

#include <QLocale>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace InventoryReport {

namespace {

int fieldIndex(const QString& field) {
    return static_cast<int>(ReportDefinition::fields().indexOf(field));
}

QString orderBy(const ReportDefinition& d) {
    QStringList terms;
    QStringList fields = d.sortFields;
    if (!d.groupField.isEmpty())
        fields.prepend(d.groupField);
    for (const QString& field : fields) {
        // Field names come from the validated definition only, never from the cellar or the user.
        const bool text = field == QLatin1String("NOM") || field == QLatin1String("TYPE") ||
                          field == QLatin1String("COULEUR");
        terms << (text ? field + QStringLiteral(" COLLATE ") + QLatin1String(FrenchCollation::Name) : field);
    }
    terms << QStringLiteral("rowid");
    return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
}

void add(Totals& totals, const DbRow& row) {
    ++totals.lots;
    totals.bottles += row.at(4).toLongLong();
    if (row.at(6).isNull())
        ++totals.lotsWithoutPrice;
    else
        totals.value += row.at(6).toDouble();
}

QString formatted(const ReportColumn& column, const QVariant& value, const QLocale& locale) {
    if (value.isNull())
        return QString();
    switch (column.format) {
    case ReportColumn::Format::Amount:
        return Numbers::formatTwoDecimals(value.toDouble(), locale);
    case ReportColumn::Format::Integer:
        return Numbers::formatValue(
            value.typeId() == QMetaType::Double ? QVariant(qRound64(value.toDouble())) : value, locale);
    default:
        return value.toString();
    }
}

using Cells = std::vector<std::vector<QStringList>>;

// Every lot as the definition's columns show it, group by group, formatted once for both outputs.
Cells cellsOf(const ReportDefinition& d, const Inventory& inventory) {
    const QLocale locale = Numbers::withoutGrouping();
    std::vector<size_t> fields;
    for (const ReportColumn& c : d.columns)
        fields.push_back(static_cast<size_t>(fieldIndex(c.field)));
    Cells groups;
    for (const Group& g : inventory.groups) {
        std::vector<QStringList> rows;
        rows.reserve(g.rows.size());
        for (const DbRow& row : g.rows) {
            QStringList cells;
            cells.reserve(d.columns.size());
            for (qsizetype i = 0; i < d.columns.size(); ++i)
                cells << formatted(d.columns.at(i), row.at(fields[static_cast<size_t>(i)]), locale);
            rows.push_back(std::move(cells));
        }
        groups.push_back(std::move(rows));
    }
    return groups;
}

QString lots(int n) {
    return n == 1 ? QStringLiteral("1 lot") : QStringLiteral("%1 lots").arg(n);
}

QString totalsLine(const QString& label, const Totals& t) {
    QString line = QStringLiteral("%1 : %2, %3 bouteille%4, valeur %5")
                       .arg(label, lots(t.lots))
                       .arg(t.bottles)
                       .arg(t.bottles > 1 ? QStringLiteral("s") : QString())
                       .arg(Numbers::formatTwoDecimals(t.value));
    if (t.lotsWithoutPrice > 0)
        line += QStringLiteral(" (dont %1 sans prix, non valorisé%2)")
                    .arg(lots(t.lotsWithoutPrice), t.lotsWithoutPrice > 1 ? QStringLiteral("s") : QString());
    return line;
}

QString pad(const QString& value, int width, Qt::Alignment alignment) {
    const int room = width - static_cast<int>(value.size());
    if (room <= 0)
        return value;
    if (alignment & Qt::AlignRight)
        return QString(room, u' ') + value;
    if (alignment & Qt::AlignHCenter)
        return QString(room / 2, u' ') + value + QString(room - room / 2, u' ');
    return value + QString(room, u' ');
}

// The columns of the inventory laid out in characters, as both outputs show them: a value longer than
// its column widens the column rather than being cut.
class Columns {
public:
    Columns(const ReportDefinition& d, const Cells& cells) : m_definition(d) {
        for (const ReportColumn& c : d.columns) {
            m_widths.push_back(std::max(c.width, static_cast<int>(c.caption.size())));
            m_captions << c.caption;
        }
        for (const auto& group : cells)
            for (const QStringList& row : group)
                for (size_t i = 0; i < m_widths.size(); ++i)
                    m_widths[i] =
                        std::max(m_widths[i], static_cast<int>(row.at(static_cast<qsizetype>(i)).size()));
    }

    QString line(const QStringList& values) const {
        QString l;
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0)
                l += u' ';
            l += pad(values.at(i), m_widths[static_cast<size_t>(i)], m_definition.columns.at(i).alignment);
        }
        return l;
    }
    QString captions() const { return line(m_captions); }
    QString rule() const {
        QStringList rules;
        for (const int width : m_widths)
            rules << QString(width, u'-');
        return line(rules);
    }
    int characters() const { return static_cast<int>(rule().size()); }

private:
    const ReportDefinition& m_definition;
    std::vector<int> m_widths;
    QStringList m_captions;
};

} // namespace

QString title(const QDate& date) {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return QStringLiteral("Inventaire de ma orny le ") + QLocale().toString(date, format);
}

Read read(const ReportDefinition& definition, const QString& databasePath, const QString& title) {
    Read result;
    result.inventory.title = title;
    DataLink link(databasePath);
    const DbRows rows = link.query(QStringLiteral("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, "
                                                  "PRIXUNITAIRE * QUANTITE AS VALEUR FROM ORNY") +
                                   orderBy(definition));
    if (!rows.ok()) {
        result.error = rows.error;
        return result;
    }
    const int group = definition.groupField.isEmpty() ? -1 : fieldIndex(definition.groupField);
    for (const DbRow& row : rows.rows) {
        const QString key = group < 0 ? QString() : row.at(static_cast<size_t>(group)).toString();
        auto& groups = result.inventory.groups;
        if (groups.empty() ||
            (group >= 0 && !FrenchCollation::equal(
                               groups.back().rows.front().at(static_cast<size_t>(group)).toString(), key))) {
            Group g;
            g.heading = group < 0 ? QString()
                                  : QString(definition.groupHeading).replace(QLatin1String("{valeur}"), key);
            groups.push_back(std::move(g));
        }
        groups.back().rows.push_back(row);
        add(groups.back().totals, row);
        add(result.inventory.totals, row);
    }
    return result;
}

std::unique_ptr<QTextDocument> document(const ReportDefinition& d, const Inventory& inventory) {
    const Cells cells = cellsOf(d, inventory);
    const Columns columns(d, cells);
    auto doc = std::make_unique<QTextDocument>();
    QFont proportional(QStringLiteral("DejaVu Sans"));
    proportional.setPointSizeF(9);
    doc->setDefaultFont(proportional);
    doc->setDocumentMargin(0);
    // The lots' lines in a fixed-pitch face, as small as needed for the widest line to fit the page.
    const double widthPoints = ReportPages::pageLayout(d).paintRect(QPageLayout::Point).width();
    QTextCharFormat fixed;
    fixed.setFontFamilies(
        {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"), QStringLiteral("Monospace")});
    fixed.setFontFixedPitch(true);
    fixed.setFontPointSize(std::clamp(widthPoints / (0.62 * std::max(columns.characters(), 1)), 5.0, 9.0));
    QTextCharFormat fixedBold = fixed;
    fixedBold.setFontWeight(QFont::Bold);
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    heading.setFontPointSize(11);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextBlockFormat plain;
    QTextBlockFormat spaced;
    spaced.setTopMargin(8);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setBottomMargin(6);

    QTextCursor cursor(doc.get());
    QTextCharFormat titleFormat = heading;
    titleFormat.setFontPointSize(14);
    cursor.setBlockFormat(centred);
    cursor.insertText(inventory.title, titleFormat);
    const auto block = [&cursor](const QTextBlockFormat& format, const QString& text,
                                 const QTextCharFormat& chars) {
        cursor.insertBlock(format, chars);
        cursor.insertText(text, chars);
    };
    if (inventory.groups.empty())
        block(spaced, QStringLiteral("La cave est vide."), QTextCharFormat());
    for (size_t g = 0; g < inventory.groups.size(); ++g) {
        const Group& group = inventory.groups[g];
        if (!group.heading.isEmpty())
            block(spaced, group.heading, heading);
        block(spaced, columns.captions(), fixedBold);
        block(plain, columns.rule(), fixed);
        for (const QStringList& row : cells[g])
            block(plain, columns.line(row), fixed);
        if (d.totals && !group.heading.isEmpty())
            block(spaced, totalsLine(QStringLiteral("Sous-total"), group.totals), italic);
    }
    if (d.totals)
        block(spaced, totalsLine(QStringLiteral("Total général"), inventory.totals), bold);
    return doc;
}

QString text(const ReportDefinition& d, const Inventory& inventory) {
    const Cells cells = cellsOf(d, inventory);
    const Columns columns(d, cells);
    QString out = inventory.title + QStringLiteral("\n\n");
    const auto line = [&out](const QString& l) { out += l.trimmed() + u'\n'; };
    if (inventory.groups.empty())
        line(QStringLiteral("La cave est vide."));
    for (size_t g = 0; g < inventory.groups.size(); ++g) {
        const Group& group = inventory.groups[g];
        if (!group.heading.isEmpty())
            line(group.heading);
        line(columns.captions());
        line(columns.rule());
        for (const QStringList& row : cells[g])
            line(columns.line(row));
        if (d.totals && !group.heading.isEmpty())
            line(totalsLine(QStringLiteral("Sous-total"), group.totals));
        out += u'\n';
    }
    if (d.totals)
        line(totalsLine(QStringLiteral("Total général"), inventory.totals));
    return out;
}

} // namespace InventoryReport
