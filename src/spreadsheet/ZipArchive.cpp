// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/ZipArchive.h"

#include "spreadsheet/SheetReader.h"
#include "spreadsheet/SheetXml.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

// Unpacked bytes between two words to the progress.
constexpr qint64 ProgressBytes = 1024 * 1024;

// A part as it unpacks, failing once it has given more than the ceiling, or when its progress cancels.
class BoundedPart : public QIODevice {
public:
    BoundedPart(QIODevice& part, const SheetReader::Progress& progress, qint64 total)
        : m_part(part), m_progress(progress), m_total(total) {}
    bool isSequential() const override { return true; }
    bool exceeded() const { return m_exceeded; }
    bool cancelled() const { return m_cancelled; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = m_part.read(data, maxSize);
        if (n > 0 && (m_read += n) > SheetLimits::UnpackedBytes) {
            m_exceeded = true;
            return -1;
        }
        if (m_progress && m_read - m_told >= ProgressBytes) {
            m_told = m_read;
            if (!m_progress(m_read, m_total)) {
                m_cancelled = true;
                return -1;
            }
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_part;
    const SheetReader::Progress& m_progress;
    qint64 m_total = 0;
    qint64 m_read = 0;
    qint64 m_told = 0;
    bool m_exceeded = false;
    bool m_cancelled = false;
};

Failure tooLarge() {
    return unreadable(
        QStringLiteral("une partie de l'archive dépasse %1 Mo une fois décompressée (archive piégée ?)")
            .arg(SheetLimits::UnpackedBytes / (1024 * 1024)));
}

} // namespace

ZipArchive::~ZipArchive() = default;

Result<std::unique_ptr<ZipArchive>> ZipArchive::open(const QString& path) {
    std::unique_ptr<ZipArchive> archive(new ZipArchive);
    archive->m_zip = std::make_unique<QuaZip>(path);
    if (!archive->m_zip->open(QuaZip::mdUnzip))
        return unreadable(QStringLiteral("ce n'est pas une archive de tableur lisible"));
    if (archive->m_zip->getEntriesCount() > SheetLimits::ArchiveEntries)
        return unreadable(
            QStringLiteral("son archive compte plus de %1 parties").arg(SheetLimits::ArchiveEntries));
    for (const QuaZipFileInfo64& info : archive->m_zip->getFileInfoList64()) {
        if (info.uncompressedSize > static_cast<quint64>(SheetLimits::UnpackedBytes))
            return tooLarge();
        archive->m_parts << info.name;
        archive->m_sizes << static_cast<qint64>(info.uncompressedSize);
    }
    return Result<std::unique_ptr<ZipArchive>>(std::move(archive));
}

bool ZipArchive::has(const QString& part) const {
    return m_parts.contains(part);
}

qint64 ZipArchive::unpackedSize(const QString& part) const {
    const qsizetype i = m_parts.indexOf(part);
    return i < 0 ? 0 : m_sizes.at(i);
}

Status ZipArchive::parse(const QString& part, const std::function<Status(SheetXml&)>& parse,
                         const SheetReader::Progress& progress) {
    m_cancelled = false;
    if (!m_zip->setCurrentFile(part))
        return unreadable(QStringLiteral("il lui manque sa partie « %1 »").arg(part));
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("sa partie « %1 » ne peut pas être décompressée").arg(part));
    BoundedPart bounded(file, progress, unpackedSize(part));
    bounded.open(QIODevice::ReadOnly);
    SheetXml xml(&bounded, part);
    const Status parsed = parse(xml);
    if ((m_cancelled = bounded.cancelled()))
        return Status();
    if (bounded.exceeded())
        return tooLarge();
    // An error of the XML ends the parse's loops early, whatever it then says.
    if (const std::optional<Failure> failure = xml.failure())
        return *failure;
    return parsed;
}
