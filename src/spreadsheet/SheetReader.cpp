// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetReader.h"

#include "spreadsheet/CsvSheet.h"
#include "spreadsheet/OdsSheet.h"
#include "spreadsheet/XlsxSheet.h"
#include "spreadsheet/ZipArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

// Windows-1252's letters for the bytes 0x80 to 0x9F; 0 where it has none.
constexpr char16_t Windows1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const QString Password = QStringLiteral("il est protégé par un mot de passe ; ouvrez-le dans le tableur et "
                                        "enregistrez-le sans mot de passe");

// Whether an OLE compound file holds a workbook saved with a password, which Excel keeps there as the
// streams « EncryptionInfo » and « EncryptedPackage ». Only the directory's sectors are read, a bounded
// number of them.
bool encryptedWorkbook(QFile& file, const QByteArray& header) {
    if (header.size() < 512)
        return false;
    const auto u16 = [](const QByteArray& bytes, qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    const auto u32 = [](const QByteArray& bytes, qsizetype at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    const int shift = u16(header, 0x1E);
    if (shift != 9 && shift != 12)
        return false;
    const qint64 sectorSize = qint64(1) << shift;
    const auto sector = [&](quint32 n) {
        return file.seek((n + 1) * sectorSize) ? file.read(sectorSize) : QByteArray();
    };
    // The places of the table that chains the sectors: the header holds the first 109.
    const quint32 tableSectors = std::min<quint32>(u32(header, 0x2C), 109);
    const qint64 perSector = sectorSize / 4;
    quint32 directory = u32(header, 0x30);
    for (int read = 0; read < 1024 && directory < 0xFFFFFFFA; ++read) {
        const QByteArray entries = sector(directory);
        for (qsizetype at = 0; at + 128 <= entries.size(); at += 128) {
            const int nameBytes = u16(entries, at + 0x40);
            if (nameBytes < 4 || nameBytes > 64)
                continue;
            const QString name = QString::fromUtf16(
                reinterpret_cast<const char16_t*>(entries.constData() + at), nameBytes / 2 - 1);
            if (name == u"EncryptionInfo" || name == u"EncryptedPackage")
                return true;
        }
        const quint32 table = directory / perSector;
        if (entries.size() < sectorSize || table >= tableSectors)
            return false;
        const QByteArray chain = sector(u32(header, 0x4C + 4 * table));
        if (chain.size() < sectorSize)
            return false;
        directory = u32(chain, (directory % perSector) * 4);
    }
    return false;
}

} // namespace

QString SheetReader::columnLetters(qint64 column) {
    QString letters;
    for (qint64 n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(static_cast<char16_t>(u'A' + (n - 1) % 26)));
    return letters;
}

Status SheetReader::mend(QVariant& cell, const QString& sheet, qint64 row, qint64 column) {
    if (cell.typeId() != QMetaType::QString)
        return Status();
    QString text = cell.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text.at(i).unicode();
        if (c >= 0x80 && c <= 0x9F && Windows1252[c - 0x80] != 0) {
            text[i] = QChar(Windows1252[c - 0x80]);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c == 0 || (c >= 0x80 && c <= 0x9F) || QChar::isSurrogate(c)) {
            const QString code = QString::number(c, 16).toUpper().rightJustified(4, u'0');
            const QString of =
                sheet.isEmpty() ? QString() : QStringLiteral(" de la feuille « %1 »").arg(sheet);
            return unreadable(
                QStringLiteral("la cellule de la ligne %1, colonne %2%3 contient le caractère U+%4, "
                               "qui n'est pas du texte ; corrigez-la dans le tableur")
                    .arg(QString::number(row), columnLetters(column), of, code));
        }
    }
    cell = text;
    return Status();
}

OpenedSheet openSheet(const QString& path, const SheetReader::Progress& progress) {
    // A pipe or a device would keep the window waiting on its opening: only a plain file is read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return unreadable(info.isDir() ? QStringLiteral("c'est un dossier")
                                       : QStringLiteral("ce n'est pas un fichier ordinaire (un tube ou un "
                                                        "périphérique ne se lit pas)"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.exists()
                              ? QStringLiteral("il ne peut pas être lu (%1)").arg(file.errorString())
                              : QStringLiteral("il est introuvable"));
    const QByteArray start = file.read(4096);
    if (start.startsWith("\xD0\xCF\x11\xE0") && encryptedWorkbook(file, start))
        return unreadable(Password);
    file.close();
    if (start.startsWith("PK\x03\x04")) {
        Result<std::unique_ptr<ZipArchive>> archive = ZipArchive::open(path);
        if (!archive.ok())
            return archive.failure();
        if (archive.value()->has(QStringLiteral("EncryptionInfo")) ||
            archive.value()->has(QStringLiteral("EncryptedPackage")))
            return unreadable(Password);
        if (archive.value()->has(QStringLiteral("xl/workbook.xml")))
            return XlsxSheet::open(std::move(archive.value()), progress);
        if (archive.value()->has(QStringLiteral("content.xml")))
            return OdsSheet::open(std::move(archive.value()), progress);
        return unreadable(QStringLiteral("cette archive n'est ni un classeur .ods ni un classeur .xlsx"));
    }
    if (start.startsWith("\xD0\xCF\x11\xE0"))
        return unreadable(
            QStringLiteral("c'est un classeur d'un ancien format (.xls) ; enregistrez-le au format .xlsx "
                           "ou .ods depuis le tableur"));
    Result<std::unique_ptr<CsvSheet>> csv = CsvSheet::open(path);
    if (!csv.ok())
        return csv.failure();
    return Cancellable<std::unique_ptr<SheetReader>>(std::move(csv.value()));
}
