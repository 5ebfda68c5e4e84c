// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

class ZipArchive;

// An Excel workbook (.xlsx): its sheets as the workbook lists them; texts from the shared table or the
// cell itself, numbers as stored rather than as displayed.
class XlsxSheet : public SheetReader {
public:
    static std::unique_ptr<XlsxSheet> open(std::unique_ptr<ZipArchive> archive, QString& problem);
    ~XlsxSheet() override;

    QStringList sheets() const override { return m_names; }
    QString read(int sheet, const Row& row) override;
    QString description() const override { return QStringLiteral("classeur Excel"); }

    // "B" is column 1, "AA" 26: the column of a reference such as "AA12"; -1 when it has no letters.
    static int columnOf(QStringView reference);

private:
    explicit XlsxSheet(std::unique_ptr<ZipArchive> archive);
    QString readSharedStrings(QStringList& shared);

    std::unique_ptr<ZipArchive> m_archive;
    QStringList m_names;
    QStringList m_parts;
};
