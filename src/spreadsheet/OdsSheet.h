// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

class ZipArchive;

// An OpenDocument spreadsheet (.ods): its tables in order; numbers as stored rather than as displayed;
// repeated rows and cells unfolded only where they hold something, so that the trailing empty columns
// and rows a spreadsheet writes cost nothing.
class OdsSheet : public SheetReader {
public:
    // Lists the tables, reading the whole content through: nothing when `progress` cancels.
    static OpenedSheet open(std::unique_ptr<ZipArchive> archive, const Progress& progress);
    ~OdsSheet() override;

    QStringList sheets() const override { return m_names; }
    Status read(int sheet, const Row& row) override;
    QString description() const override { return QStringLiteral("classeur OpenDocument"); }

private:
    explicit OdsSheet(std::unique_ptr<ZipArchive> archive);

    std::unique_ptr<ZipArchive> m_archive;
    QStringList m_names;
};
