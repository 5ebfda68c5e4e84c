// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetReader.h"

#include "spreadsheet/CsvSheet.h"
#include "spreadsheet/OdsSheet.h"
#include "spreadsheet/XlsxSheet.h"
#include "spreadsheet/ZipArchive.h"

#include <QFile>

std::unique_ptr<SheetReader> openSheet(const QString& path, QString& problem,
                                       const SheetReader::Progress& progress) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.exists() ? QStringLiteral("il ne peut pas être lu (%1)").arg(file.errorString())
                                : QStringLiteral("il est introuvable");
        return nullptr;
    }
    const QByteArray start = file.read(4096);
    file.close();
    if (start.startsWith("PK\x03\x04")) {
        std::unique_ptr<ZipArchive> archive = ZipArchive::open(path, problem);
        if (!archive)
            return nullptr;
        if (archive->has(QStringLiteral("xl/workbook.xml")))
            return XlsxSheet::open(std::move(archive), problem, progress);
        if (archive->has(QStringLiteral("content.xml")))
            return OdsSheet::open(std::move(archive), problem, progress);
        problem = QStringLiteral("cette archive n'est ni un classeur .ods ni un classeur .xlsx");
        return nullptr;
    }
    if (start.startsWith("\xD0\xCF\x11\xE0")) {
        problem =
            QStringLiteral("c'est un classeur d'un ancien format (.xls) ; enregistrez-le au format .xlsx "
                           "ou .ods depuis le tableur");
        return nullptr;
    }
    return CsvSheet::open(path, problem);
}
