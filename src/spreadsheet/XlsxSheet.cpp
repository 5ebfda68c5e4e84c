// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/XlsxSheet.h"

#include "spreadsheet/SheetXml.h"
#include "spreadsheet/ZipArchive.h"

#include <QDateTime>
#include <QHash>
#include <cmath>

namespace {

const QString Workbook = QStringLiteral("xl/workbook.xml");
const QString WorkbookLinks = QStringLiteral("xl/_rels/workbook.xml.rels");
const QString SharedStrings = QStringLiteral("xl/sharedStrings.xml");
const QString Styles = QStringLiteral("xl/styles.xml");
// Far more styles than a workbook uses, few enough to hold.
constexpr int MaxStyles = 65536;
const QString RelationsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// The texts of the runs of a shared or inline string, phonetic guides left out.
bool runsText(SheetXml& xml, QString& text) {
    const int level = xml.depth();
    while (xml.nextStartIn(level))
        if (xml->name() == u"rPh")
            xml.skip();
        else if (xml->name() == u"t" && !xml.appendText(text))
            return false;
    return !xml->hasError();
}

// The date a number of days stands for, with its time when it has a fraction of a day. In the 1900 system day
// 60 is the 29th of February 1900 that never was, so that from day 61 on the count starts on the 30th of
// December 1899.
QVariant dateOf(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 3000000)
        return serial;
    const qint64 days = static_cast<qint64>(std::floor(serial));
    const QDate day = from1904 ? QDate(1904, 1, 1).addDays(days) : QDate(1899, 12, 30).addDays(days);
    const qint64 seconds = std::llround((serial - std::floor(serial)) * 86400);
    if (seconds == 0 || seconds >= 86400)
        return day;
    return QDateTime(day, QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

} // namespace

bool XlsxSheet::isDateFormat(int id, const QString& code) {
    // Excel's own: dates 14 to 17, date and time 22, East Asian dates 27 to 36 and 50 to 58.
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return true;
    if (id < 164)
        return false;
    // Quoted texts, escaped signs and bracketed parts (colours, locales, elapsed hours) say nothing.
    bool quoted = false, bracketed = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            bracketed = true;
        else if (c == u']')
            bracketed = false;
        else if (!bracketed && (c == u'd' || c == u'y'))
            return code.compare(QStringLiteral("General"), Qt::CaseInsensitive) != 0 &&
                   code.compare(QStringLiteral("Standard"), Qt::CaseInsensitive) != 0;
    }
    return false;
}

XlsxSheet::XlsxSheet(std::unique_ptr<ZipArchive> archive) : m_archive(std::move(archive)) {}
XlsxSheet::~XlsxSheet() = default;

int XlsxSheet::columnOf(QStringView reference) {
    int column = 0, letters = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        // Past three letters the column is beyond any sheet: the ceiling refuses it.
        if (++letters > 4)
            return SheetLimits::Columns + 1;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return letters == 0 ? -1 : column - 1;
}

OpenedSheet XlsxSheet::open(std::unique_ptr<ZipArchive> archive, const Progress& progress) {
    std::unique_ptr<XlsxSheet> sheet(new XlsxSheet(std::move(archive)));
    QStringList ids;
    Status problem = sheet->m_archive->parse(
        Workbook,
        [&](SheetXml& xml) -> Status {
            while (xml.next())
                if (xml->isStartElement() && xml->name() == u"workbookPr") {
                    const QStringView from1904 = xml->attributes().value(QStringLiteral("date1904"));
                    sheet->m_from1904 = from1904 == u"1" || from1904 == u"true";
                } else if (xml->isStartElement() && xml->name() == u"sheet") {
                    sheet->m_names << xml->attributes().value(QStringLiteral("name")).toString();
                    ids << xml->attributes().value(RelationsNs, QStringLiteral("id")).toString();
                    if (ids.size() > SheetLimits::ArchiveEntries)
                        return unreadable(QStringLiteral("il déclare trop de feuilles"));
                }
            return Status();
        },
        progress);
    QHash<QString, QString> targets;
    if (!problem && !sheet->m_archive->cancelled())
        problem = sheet->m_archive->parse(
            WorkbookLinks,
            [&](SheetXml& xml) {
                while (xml.next())
                    if (xml->isStartElement() && xml->name() == u"Relationship" &&
                        targets.size() < SheetLimits::ArchiveEntries)
                        targets.insert(xml->attributes().value(QStringLiteral("Id")).toString(),
                                       xml->attributes().value(QStringLiteral("Target")).toString());
                return Status();
            },
            progress);
    if (sheet->m_archive->cancelled())
        return Cancellable<std::unique_ptr<SheetReader>>();
    if (problem)
        return *problem;
    for (const QString& id : ids) {
        const QString target = targets.value(id);
        sheet->m_parts << (target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target);
    }
    if (sheet->m_names.isEmpty())
        return unreadable(QStringLiteral("le classeur n'a aucune feuille"));
    return Cancellable<std::unique_ptr<SheetReader>>(std::move(sheet));
}

Result<QStringList> XlsxSheet::readSharedStrings() {
    QStringList shared;
    if (!m_archive->has(SharedStrings))
        return shared;
    qint64 chars = 0;
    const Status read = m_archive->parse(
        SharedStrings,
        [&](SheetXml& xml) -> Status {
            while (xml.next())
                if (xml->isStartElement() && xml->name() == u"si") {
                    QString text;
                    if (!runsText(xml, text))
                        return Status();
                    if ((chars += text.size() + 1) > SheetLimits::SharedChars)
                        return unreadable(QStringLiteral("ses textes dépassent %1 millions de caractères")
                                              .arg(SheetLimits::SharedChars / (1024 * 1024)));
                    shared << text;
                }
            return Status();
        },
        m_waiting);
    if (read)
        return *read;
    return shared;
}

Result<QList<bool>> XlsxSheet::readDateStyles() {
    QList<bool> dates;
    if (!m_archive->has(Styles))
        return dates;
    QHash<int, QString> formats;
    const Status read = m_archive->parse(
        Styles,
        [&](SheetXml& xml) -> Status {
            bool inCellStyles = false;
            while (xml.next()) {
                if (xml->isStartElement() && xml->name() == u"numFmt" && formats.size() < MaxStyles)
                    formats.insert(xml->attributes().value(QStringLiteral("numFmtId")).toInt(),
                                   xml->attributes().value(QStringLiteral("formatCode")).toString());
                else if (xml->isStartElement() && xml->name() == u"cellXfs")
                    inCellStyles = true;
                else if (xml->isEndElement() && xml->name() == u"cellXfs")
                    inCellStyles = false;
                else if (inCellStyles && xml->isStartElement() && xml->name() == u"xf" &&
                         dates.size() < MaxStyles) {
                    const int id = xml->attributes().value(QStringLiteral("numFmtId")).toInt();
                    dates << isDateFormat(id, formats.value(id));
                    xml.skip();
                }
            }
            return Status();
        },
        m_waiting);
    if (read)
        return *read;
    return dates;
}

Status XlsxSheet::read(int sheet, const Row& row) {
    if (sheet < 0 || sheet >= m_parts.size())
        return unreadable(QStringLiteral("la feuille demandée n'existe pas"));
    const Result<QStringList> shared = readSharedStrings();
    if (!shared.ok() || m_archive->cancelled())
        return shared.status();
    const Result<QList<bool>> dateStyles = readDateStyles();
    if (!dateStyles.ok() || m_archive->cancelled())
        return dateStyles.status();
    const QString part = m_parts.at(sheet);
    const qint64 total = m_archive->unpackedSize(part);
    return m_archive->parse(
        part,
        [&](SheetXml& xml) -> Status {
            QVariantList cells;
            qint64 number = 0;
            int column = -1;
            bool anyValue = false;
            while (xml.next()) {
                if (xml->isStartElement() && xml->name() == u"row") {
                    const qint64 stated = xml->attributes().value(QStringLiteral("r")).toLongLong();
                    number = stated > number ? stated : number + 1;
                    if (number > SheetLimits::Rows)
                        return unreadable(QStringLiteral("il a plus de %1 lignes").arg(SheetLimits::Rows));
                    cells.clear();
                    column = -1;
                    anyValue = false;
                } else if (xml->isEndElement() && xml->name() == u"row") {
                    if (anyValue && !row(number, cells, xml->characterOffset(), total))
                        return Status();
                } else if (xml->isStartElement() && xml->name() == u"c") {
                    const QXmlStreamAttributes attributes = xml->attributes();
                    const int stated = columnOf(attributes.value(QStringLiteral("r")));
                    column = stated >= 0 ? stated : column + 1;
                    const QString type = attributes.value(QStringLiteral("t")).toString();
                    const qsizetype style = attributes.value(QStringLiteral("s")).toLongLong();
                    const bool dateStyle = style >= 0 && style < dateStyles->size() && dateStyles->at(style);
                    QVariant value;
                    const int level = xml.depth();
                    while (xml.nextStartIn(level)) {
                        QString text;
                        if (xml->name() == u"v") {
                            if (!xml.appendText(text))
                                return Status();
                            if (type == u"s") {
                                const qsizetype index = text.toLongLong();
                                value = index >= 0 && index < shared->size() ? shared->at(index) : QString();
                            } else if (type.isEmpty() || type == u"n") {
                                bool ok = false;
                                const double n = text.toDouble(&ok);
                                value = !ok         ? QVariant(text)
                                        : dateStyle ? dateOf(n, m_from1904)
                                                    : QVariant(n);
                            } else if (type == u"d") {
                                // A date written out (« 2028-03-15T00:00:00 »), as some programs store them.
                                const QDateTime when = QDateTime::fromString(text, Qt::ISODate);
                                value = when.isValid() && when.time() == QTime(0, 0) ? QVariant(when.date())
                                        : when.isValid()                             ? QVariant(when)
                                                                                     : QVariant(text);
                            } else
                                value = text;
                        } else if (xml->name() == u"is") {
                            if (!runsText(xml, text))
                                return Status();
                            value = text;
                        } else
                            xml.skip();
                    }
                    if (Status bad = mend(value, m_names.value(sheet), number, column))
                        return bad;
                    if (value.isNull() || value.toString().isEmpty())
                        continue;
                    if (column >= SheetLimits::Columns)
                        return unreadable(
                            QStringLiteral("une ligne a plus de %1 colonnes").arg(SheetLimits::Columns));
                    while (cells.size() <= column)
                        cells << QString();
                    cells[column] = value;
                    anyValue = true;
                }
            }
            return Status();
        },
        m_waiting);
}
