// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <vector>

class QIODevice;

// A table for a spreadsheet, as French spreadsheets open it by a double click: UTF-8 with a byte-order
// mark, ";" between cells, CRLF line ends, a decimal comma and no thousands separator, texts quoted when
// they must be, a quote doubled. A text that a spreadsheet would take for a formula is kept as text, and no
// NUL character is written. Lines are gathered and handed to the device in large blocks.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out);
    ~CsvWriter();

    // One line: numbers with the comma, texts as they are (quoted if need be), nothing for no value.
    void row(const QVariantList& values);
    // The cells of a row read from the cellar, those of `columns` in their order.
    void row(const std::vector<DataLink::Cell>& cells, const QList<int>& columns);
    // Hands what is gathered to the device; false once a write has failed.
    bool flush();
    bool ok() const { return m_ok; }
    // The system's error number at the failed write, 0 when it gave none.
    int systemError() const { return m_systemError; }

private:
    void cell(const QVariant& value);
    void text(std::string_view utf8);
    void endLine();

    QIODevice& m_out;
    QByteArray m_buffer;
    bool m_ok = true;
    int m_systemError = 0;
};
