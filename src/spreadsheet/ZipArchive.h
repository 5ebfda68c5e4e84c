// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QuaZip;
class QXmlStreamReader;

// The parts of an .ods or .xlsx, each read as XML as it is unpacked. An archive is refused when it holds
// too many parts or declares one larger than the ceiling; a part that unpacks past the ceiling whatever
// it declared (a zip bomb) stops its reading; XML that declares a DTD, where entities would be, is refused
// before any is expanded.
class ZipArchive {
public:
    static Result<std::unique_ptr<ZipArchive>> open(const QString& path);
    ~ZipArchive();

    bool has(const QString& part) const;
    // What the part declares it unpacks to.
    qint64 unpackedSize(const QString& part) const;

    // Hands a reader over the part to `parse`, which reads it with next(); the reason the part could not
    // be read, `parse`'s own or the archive's. `progress` is told how much of the part is unpacked, every
    // megabyte; when it answers false the reading stops without failure, and cancelled() says so.
    Status parse(const QString& part, const std::function<Status(QXmlStreamReader&)>& parse,
                 const SheetReader::Progress& progress = {});
    bool cancelled() const { return m_cancelled; }
    // The next token, refusing a DTD; false at the end or on an error.
    static bool next(QXmlStreamReader& xml);
    // The next element that starts inside the current one, `depth` counting the elements still open (1 at
    // the current one's start); false once the current one ends.
    static bool nextStart(QXmlStreamReader& xml, int& depth);
    // The text of the current element, within the cell's ceiling; false (with an error raised) past it.
    static bool elementText(QXmlStreamReader& xml, QString& text);

private:
    ZipArchive() = default;
    std::unique_ptr<QuaZip> m_zip;
    QStringList m_parts;
    QList<qint64> m_sizes;
    bool m_cancelled = false;
};
