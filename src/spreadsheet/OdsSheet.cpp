// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/OdsSheet.h"

#include "spreadsheet/ZipArchive.h"

#include <QDateTime>
#include <QXmlStreamReader>
#include <algorithm>

namespace {

const QString Content = QStringLiteral("content.xml");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

const QString CellTooLong = QStringLiteral("brovane:cell");

qint64 repeated(const QXmlStreamReader& xml, const QString& attribute) {
    const qint64 n = xml.attributes().value(TableNs, attribute).toLongLong();
    return n > 1 ? n : 1;
}

// The text a cell shows: its paragraphs one a line, spaces and tabs as written, comments left out.
bool cellText(QXmlStreamReader& xml, QString& text) {
    text.clear();
    int depth = 1, paragraphs = 0;
    while (depth > 0 && ZipArchive::next(xml)) {
        if (xml.isStartElement()) {
            if (xml.name() == u"annotation") {
                xml.skipCurrentElement();
                continue;
            }
            ++depth;
            if (xml.namespaceUri() == TextNs) {
                if (xml.name() == u"p" && paragraphs++ > 0)
                    text += u'\n';
                else if (xml.name() == u"s")
                    text += QString(
                        std::clamp<qint64>(xml.attributes().value(TextNs, QStringLiteral("c")).toLongLong(),
                                           1, SheetLimits::CellChars + 1),
                        u' ');
                else if (xml.name() == u"tab")
                    text += u'\t';
                else if (xml.name() == u"line-break")
                    text += u'\n';
            }
        } else if (xml.isEndElement())
            --depth;
        else if (xml.isCharacters())
            text += xml.text();
        if (text.size() > SheetLimits::CellChars) {
            xml.raiseError(CellTooLong);
            return false;
        }
    }
    return !xml.hasError();
}

// A cell's value: the number or date it stores (a QDate, a QDateTime with its time), else the text it shows.
bool cellValue(QXmlStreamReader& xml, QVariant& value) {
    const QXmlStreamAttributes attributes = xml.attributes();
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
        [&](QXmlStreamReader& xml) -> Status {
            while (ZipArchive::next(xml))
                if (xml.isStartElement() && xml.name() == u"table" && xml.namespaceUri() == TableNs) {
                    sheet->m_names << xml.attributes().value(TableNs, QStringLiteral("name")).toString();
                    if (sheet->m_names.size() > SheetLimits::ArchiveEntries)
                        return unreadable(QStringLiteral("il déclare trop de feuilles"));
                    xml.skipCurrentElement();
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
    const qint64 total = m_archive->unpackedSize(Content);
    return m_archive->parse(
        Content,
        [&](QXmlStreamReader& xml) -> Status {
            int table = -1;
            while (ZipArchive::next(xml)) {
                if (!xml.isStartElement() || xml.name() != u"table" || xml.namespaceUri() != TableNs)
                    continue;
                if (++table < sheet) {
                    xml.skipCurrentElement();
                    continue;
                }
                qint64 number = 0;
                QVariantList cells;
                int depth = 1;
                while (ZipArchive::nextStart(xml, depth)) {
                    if (xml.name() != u"table-row") {
                        // Column definitions, row groups and headers: rows may lie inside some of them.
                        if (xml.name() == u"table-columns" || xml.name() == u"table-column" ||
                            xml.name() == u"shapes" || xml.name() == u"named-expressions")
                            xml.skipCurrentElement();
                        else
                            ++depth;
                        continue;
                    }
                    const qint64 rows = repeated(xml, QStringLiteral("number-rows-repeated"));
                    cells.clear();
                    int column = 0;
                    while (ZipArchive::next(xml) && !(xml.isEndElement() && xml.name() == u"table-row")) {
                        if (!xml.isStartElement())
                            continue;
                        const qint64 times = repeated(xml, QStringLiteral("number-columns-repeated"));
                        QVariant value;
                        if (xml.name() == u"table-cell") {
                            if (!cellValue(xml, value))
                                return Status();
                        } else
                            xml.skipCurrentElement();
                        if (value.isNull() || value.toString().isEmpty()) {
                            column = static_cast<int>(
                                std::min<qint64>(column + times, SheetLimits::Columns + 1LL));
                            continue;
                        }
                        if (column + times > SheetLimits::Columns)
                            return unreadable(
                                QStringLiteral("une ligne a plus de %1 colonnes").arg(SheetLimits::Columns));
                        while (cells.size() < column)
                            cells << QString();
                        for (qint64 i = 0; i < times; ++i)
                            cells << value;
                        column += static_cast<int>(times);
                    }
                    if (xml.hasError())
                        return Status();
                    if (cells.isEmpty()) {
                        number += rows;
                        continue;
                    }
                    for (qint64 i = 0; i < rows; ++i) {
                        if (++number > SheetLimits::Rows)
                            return unreadable(
                                QStringLiteral("il a plus de %1 lignes").arg(SheetLimits::Rows));
                        if (!row(number, cells, xml.characterOffset(), total))
                            return Status();
                    }
                }
                return Status();
            }
            return unreadable(QStringLiteral("la feuille demandée n'existe pas"));
        },
        m_waiting);
}
