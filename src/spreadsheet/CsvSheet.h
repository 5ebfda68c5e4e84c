// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spreadsheet/SheetReader.h"

#include <QByteArray>

// A text table: its encoding found from a byte-order mark or by uchardet, its separator (";", "," or tab)
// from its first lines, cells quoted as spreadsheets quote them.
class CsvSheet : public SheetReader {
public:
    // Reads the beginning of the file to settle the encoding and the separator.
    static Result<std::unique_ptr<CsvSheet>> open(const QString& path);

    QStringList sheets() const override { return {QString()}; }
    Status read(int sheet, const Row& row) override;
    QString description() const override;

    QByteArray encoding() const { return m_encoding; }
    QChar separator() const { return m_separator; }

    // The encoding of these first bytes of a file: the mark's, or uchardet's guess ("UTF-8",
    // "WINDOWS-1252"...); empty when none can be named.
    static QByteArray detectEncoding(const QByteArray& start);
    // The separator that splits these first lines into the same number of cells most often.
    static QChar detectSeparator(const QString& start);

private:
    explicit CsvSheet(const QString& path) : m_path(path) {}

    QString m_path;
    QByteArray m_encoding;
    int m_markBytes = 0;
    QChar m_separator = u';';
};
