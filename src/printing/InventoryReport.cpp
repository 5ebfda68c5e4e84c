// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/InventoryReport.h"

#include "database/FrenchCollation.h"
#include "ui/Numbers.h"

#include <QLocale>
#include <QTextDocument>

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

QString formatted(const ReportColumn& column, const QVariant& value) {
    if (value.isNull())
        return QString();
    switch (column.format) {
    case ReportColumn::Format::Amount:
        return Numbers::formatTwoDecimals(value.toDouble());
    case ReportColumn::Format::Integer:
        return Numbers::formatValue(value.typeId() == QMetaType::Double ? QVariant(qRound64(value.toDouble()))
                                                                        : value);
    default:
        return value.toString();
    }
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

const char* htmlAlign(Qt::Alignment a) {
    return (a & Qt::AlignRight) ? "right" : (a & Qt::AlignHCenter) ? "center" : "left";
}

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
    int totalWidth = 0;
    for (const ReportColumn& c : d.columns)
        totalWidth += c.width;
    QString html;
    html.reserve(256 + static_cast<qsizetype>(inventory.totals.lots) * 300);
    html += QStringLiteral("<html><body style=\"font-family: 'DejaVu Sans', sans-serif; font-size: 8pt;\">"
                           "<h2 style=\"text-align: center;\">%1</h2>")
                .arg(inventory.title.toHtmlEscaped());
    if (inventory.groups.empty())
        html += QStringLiteral("<p>La cave est vide.</p>");
    for (const Group& g : inventory.groups) {
        if (!g.heading.isEmpty())
            html += QStringLiteral("<h3>%1</h3>").arg(g.heading.toHtmlEscaped());
        html += QStringLiteral(
            "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" border=\"0\"><thead><tr>");
        for (const ReportColumn& c : d.columns)
            html += QStringLiteral(
                        "<th width=\"%1%\" align=\"%2\" style=\"border-bottom: 1px solid black;\">%3</th>")
                        .arg(c.width * 100 / std::max(totalWidth, 1))
                        .arg(QLatin1String(htmlAlign(c.alignment)), c.caption.toHtmlEscaped());
        html += QStringLiteral("</tr></thead>");
        for (const DbRow& row : g.rows) {
            html += QStringLiteral("<tr>");
            for (const ReportColumn& c : d.columns)
                html +=
                    QStringLiteral("<td align=\"%1\">%2</td>")
                        .arg(QLatin1String(htmlAlign(c.alignment)),
                             formatted(c, row.at(static_cast<size_t>(fieldIndex(c.field)))).toHtmlEscaped());
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
        if (d.totals && !g.heading.isEmpty())
            html += QStringLiteral("<p><i>%1</i></p>")
                        .arg(totalsLine(QStringLiteral("Sous-total"), g.totals).toHtmlEscaped());
    }
    if (d.totals)
        html += QStringLiteral("<p><b>%1</b></p>")
                    .arg(totalsLine(QStringLiteral("Total général"), inventory.totals).toHtmlEscaped());
    html += QStringLiteral("</body></html>");
    auto doc = std::make_unique<QTextDocument>();
    doc->setHtml(html);
    return doc;
}

QString text(const ReportDefinition& d, const Inventory& inventory) {
    // A value longer than its column widens the column rather than being cut.
    std::vector<int> widths;
    for (const ReportColumn& c : d.columns)
        widths.push_back(std::max(c.width, static_cast<int>(c.caption.size())));
    for (const Group& g : inventory.groups)
        for (const DbRow& row : g.rows)
            for (size_t i = 0; i < widths.size(); ++i)
                widths[i] =
                    std::max(widths[i],
                             static_cast<int>(formatted(d.columns.at(static_cast<qsizetype>(i)),
                                                        row.at(static_cast<size_t>(fieldIndex(
                                                            d.columns.at(static_cast<qsizetype>(i)).field))))
                                                  .size()));
    const auto line = [&](const std::function<QString(qsizetype)>& cell) {
        QStringList cells;
        for (qsizetype i = 0; i < d.columns.size(); ++i)
            cells << pad(cell(i), widths[static_cast<size_t>(i)], d.columns.at(i).alignment);
        return cells.join(u' ').trimmed() + u'\n';
    };
    QString out = inventory.title + QStringLiteral("\n\n");
    if (inventory.groups.empty())
        out += QStringLiteral("La cave est vide.\n");
    for (const Group& g : inventory.groups) {
        if (!g.heading.isEmpty())
            out += g.heading + u'\n';
        out += line([&](qsizetype i) { return d.columns.at(i).caption; });
        out += line([&](qsizetype i) { return QString(widths[static_cast<size_t>(i)], u'-'); });
        for (const DbRow& row : g.rows)
            out += line([&](qsizetype i) {
                return formatted(d.columns.at(i),
                                 row.at(static_cast<size_t>(fieldIndex(d.columns.at(i).field))));
            });
        if (d.totals && !g.heading.isEmpty())
            out += totalsLine(QStringLiteral("Sous-total"), g.totals) + u'\n';
        out += u'\n';
    }
    if (d.totals)
        out += totalsLine(QStringLiteral("Total général"), inventory.totals) + u'\n';
    return out;
}

} // namespace InventoryReport
