// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QIODevice;

// A table for a spreadsheet, as French spreadsheets open it by a double click: UTF-8 with a byte-order
// mark, ";" between cells, CRLF line ends, a decimal comma and no thousands separator, texts quoted when
// they must be, a quote doubled. A text that a spreadsheet would take for a formula is kept as text.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out);

    // One line: numbers with the comma, texts as they are (quoted if need be), nothing for no value.
    void row(const QVariantList& values);
    // False once a write has failed.
    bool ok() const { return m_ok; }

private:
    QIODevice& m_out;
    bool m_ok = true;
};
