// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/OdsSheet.h"

#include "spreadsheet/SheetXml.h"
#include "spreadsheet/ZipArchive.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

namespace {

const QString Content = QStringLiteral("content.xml");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

qint64 repeated(const SheetXml& xml, const QString& attribute) {
    const qint64 n = xml->attributes().value(TableNs, attribute).toLongLong();
    return n > 1 ? n : 1;
}

// A count plus a repeat, held at the largest count rather than wrapping past it: a crafted repeat near 2^63
// must still reach the ceilings.
qint64 plus(qint64 count, qint64 repeat) {
    return repeat > std::numeric_limits<qint64>::max() - count ? std::numeric_limits<qint64>::max()
                                                               : count + repeat;
}

// The text a cell shows: its paragraphs one a line, spaces and tabs as written, comments left out.
bool cellText(SheetXml& xml, QString& text) {
    int paragraphs = 0;
    return xml.appendText(text, [&]() {
        if (xml->name() == u"annotation")
            return false;
        if (xml->namespaceUri() != TextNs)
            return true;
        if (xml->name() == u"p" && paragraphs++ > 0)
            text += u'\n';
        else if (xml->name() == u"s")
            text +=
                QString(std::clamp<qint64>(xml->attributes().value(TextNs, QStringLiteral("c")).toLongLong(),
                                           1, SheetLimits::CellChars + 1),
                        u' ');
        else if (xml->name() == u"tab")
            text += u'\t';
        else if (xml->name() == u"line-break")
            text += u'\n';
        return true;
    });
}

// A cell's value: the number or date it stores (a QDate, a QDateTime with its time), else the text it shows.
bool cellValue(SheetXml& xml, QVariant& value) {
    const QXmlStreamAttributes attributes = xml->attributes();
    const QStringView type = attributes.value(OfficeNs, QStringLiteral("value-type"));
    QString text;
    if (!cellText(xml, text))
        return false;
    if (type == u"float" || type == u"currency" || type == u"percentage") {
        bool ok = false;
        const double n = attributes.value(OfficeNs, QStringLiteral("value")).toDouble(&ok);
        value = ok ? QVariant(n) : QVariant(text);
    } else if (type == u"date") {
        // « 2028-03-15 », or with its time « 2028-03-15T18:30:00 ».
        const QString stored = attributes.value(OfficeNs, QStringLiteral("date-value")).toString();
        const QDateTime when = QDateTime::fromString(stored, Qt::ISODate);
        const QDate day = QDate::fromString(stored.left(10), Qt::ISODate);
        value = when.isValid() && when.time() != QTime(0, 0) ? QVariant(when)
                : day.isValid()                              ? QVariant(day)
                                                             : QVariant(text);
    } else
        value = text;
    return true;
}

} // namespace

OdsSheet::OdsSheet(std::unique_ptr<ZipArchive> archive) : m_archive(std::move(archive)) {}
OdsSheet::~OdsSheet() = default;

OpenedSheet OdsSheet::open(std::unique_ptr<ZipArchive> archive, const Progress& progress) {
    std::unique_ptr<OdsSheet> sheet(new OdsSheet(std::move(archive)));
    const Status listed = sheet->m_archive->parse(
        Content,
        [&](SheetXml& xml) -> Status {
            while (xml.next())
                if (xml->isStartElement() && xml->name() == u"table" && xml->namespaceUri() == TableNs) {
                    sheet->m_names << xml->attributes().value(TableNs, QStringLiteral("name")).toString();
                    if (sheet->m_names.size() > SheetLimits::ArchiveEntries)
                        return unreadable(QStringLiteral("il déclare trop de feuilles"));
                    xml.skip();
                }
            return Status();
        },
        progress);
    if (sheet->m_archive->cancelled())
        return Cancellable<std::unique_ptr<SheetReader>>();
    if (listed)
        return *listed;
    if (sheet->m_names.isEmpty())
        return unreadable(QStringLiteral("le classeur n'a aucune feuille"));
    return Cancellable<std::unique_ptr<SheetReader>>(std::move(sheet));
}

Status OdsSheet::read(int sheet, const Row& row) {
    // A repeated row is told to the progress as if it were written out that many times, so that the bar moves
    // (and the window answers) while it is handed over.
    qint64 unfolded = 0;
    const qint64 size = m_archive->unpackedSize(Content);
    Progress waiting;
    if (m_waiting)
        waiting = [&](qint64 done, qint64 total) { return m_waiting(done + unfolded, total + unfolded); };
    return m_archive->parse(
        Content,
        [&](SheetXml& xml) -> Status {
            int table = -1;
            while (xml.next()) {
                if (!xml->isStartElement() || xml->name() != u"table" || xml->namespaceUri() != TableNs)
                    continue;
                if (++table < sheet) {
                    xml.skip();
                    continue;
                }
                qint64 number = 0;
                QVariantList cells;
                const int level = xml.depth();
                // Column definitions, row groups and headers: rows may lie inside some of them.
                while (xml.nextStartIn(level)) {
                    if (xml->name() != u"table-row") {
                        if (xml->name() == u"table-columns" || xml->name() == u"table-column" ||
                            xml->name() == u"shapes" || xml->name() == u"named-expressions")
                            xml.skip();
                        continue;
                    }
                    const qint64 rows = repeated(xml, QStringLiteral("number-rows-repeated"));
                    const qint64 rowStart = xml->characterOffset();
                    const int rowLevel = xml.depth();
                    cells.clear();
                    qint64 column = 0;
                    while (xml.nextStartIn(rowLevel)) {
                        const qint64 times = repeated(xml, QStringLiteral("number-columns-repeated"));
                        QVariant value;
                        if (xml->name() != u"table-cell")
                            xml.skip();
                        else if (!cellValue(xml, value))
                            return Status();
                        if (Status bad = mend(value, m_names.value(sheet), plus(number, 1), column))
                            return bad;
                        const qint64 next = plus(column, times);
                        if (value.isNull() || value.toString().isEmpty()) {
                            column = next;
                            continue;
                        }
                        if (next > SheetLimits::Columns)
                            return unreadable(
                                QStringLiteral("une ligne a plus de %1 colonnes").arg(SheetLimits::Columns));
                        while (cells.size() < column)
                            cells << QString();
                        for (; column < next; ++column)
                            cells << value;
                    }
                    if (xml->hasError())
                        return Status();
                    if (cells.isEmpty()) {
                        number = plus(number, rows);
                        continue;
                    }
                    if (plus(number, rows) > SheetLimits::Rows)
                        return unreadable(QStringLiteral("il a plus de %1 lignes").arg(SheetLimits::Rows));
                    const qint64 rowBytes = std::max<qint64>(xml->characterOffset() - rowStart, 1);
                    for (qint64 i = 0; i < rows; ++i) {
                        if (!row(++number, cells, xml->characterOffset() + unfolded,
                                 size + unfolded + (rows - 1 - i) * rowBytes))
                            return Status();
                        if (i + 1 < rows)
                            unfolded += rowBytes;
                    }
                }
                return Status();
            }
            return unreadable(QStringLiteral("la feuille demandée n'existe pas"));
        },
        waiting);
}
