// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QuaZip;
class SheetXml;

// The parts of an .ods or .xlsx, each read as XML (SheetXml) as it is unpacked. An archive is refused when
// it holds too many parts or declares one larger than the ceiling; a part that unpacks past the ceiling
// whatever it declared (a zip bomb) stops its reading.
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
    Status parse(const QString& part, const std::function<Status(SheetXml&)>& parse,
                 const SheetReader::Progress& progress = {});
    bool cancelled() const { return m_cancelled; }

private:
    ZipArchive() = default;
    std::unique_ptr<QuaZip> m_zip;
    QStringList m_parts;
    QList<qint64> m_sizes;
    bool m_cancelled = false;
};
