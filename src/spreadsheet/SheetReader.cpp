// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetReader.h"

#include "spreadsheet/CsvSheet.h"
#include "spreadsheet/OdsSheet.h"
#include "spreadsheet/XlsxSheet.h"
#include "spreadsheet/ZipArchive.h"

#include <QFile>
#include <QFileInfo>

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
    file.close();
    if (start.startsWith("PK\x03\x04")) {
        Result<std::unique_ptr<ZipArchive>> archive = ZipArchive::open(path);
        if (!archive.ok())
            return archive.failure();
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
