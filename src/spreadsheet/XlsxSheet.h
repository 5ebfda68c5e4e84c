// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

class ZipArchive;

// An Excel workbook (.xlsx): its sheets as the workbook lists them; texts from the shared table or the
// cell itself, numbers as stored rather than as displayed, dates (a number of days shown with a date
// format) as dates.
class XlsxSheet : public SheetReader {
public:
    // Lists the sheets: nothing when `progress` cancels.
    static OpenedSheet open(std::unique_ptr<ZipArchive> archive, const Progress& progress);
    ~XlsxSheet() override;

    QStringList sheets() const override { return m_names; }
    Status read(int sheet, const Row& row) override;
    QString description() const override { return QStringLiteral("classeur Excel"); }

    // "B" is column 1, "AA" 26: the column of a reference such as "AA12"; -1 when it has no letters.
    static int columnOf(QStringView reference);
    // Whether a number format shows a date: one of Excel's own date formats by its number, or a format
    // of the file's own with days or years in it (« dd/mm/yyyy », « [$-40C]d mmmm yyyy »).
    static bool isDateFormat(int id, const QString& code);

private:
    explicit XlsxSheet(std::unique_ptr<ZipArchive> archive);
    // The texts the cells share; cancelled when the archive says so.
    Result<QStringList> readSharedStrings();
    // For each cell style of the workbook, whether it shows a date.
    Result<QList<bool>> readDateStyles();

    std::unique_ptr<ZipArchive> m_archive;
    QStringList m_names;
    QStringList m_parts;
    bool m_from1904 = false; // days counted from 1904 rather than 1900, as early Mac workbooks do
};
