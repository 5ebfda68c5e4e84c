// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/CsvWriter.h"

#include "storage/DecimalText.h"

#include <QIODevice>
#include <cmath>

#include <cerrno>

namespace {

constexpr qsizetype BlockBytes = 1 << 16;

// The characters a spreadsheet may read as the start of a formula (OWASP's list, and their full-width
// forms): a quote before them keeps the text a text.
bool startsFormula(QChar c) {
    switch (c.unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
    case 0xFF1D: // ＝
    case 0xFF0B: // ＋
    case 0xFF0D: // －
    case 0xFF20: // ＠
        return true;
    default:
        return false;
    }
}

// The first character of a UTF-8 text.
char32_t firstCharacter(std::string_view utf8) {
    const QString start =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min<size_t>(utf8.size(), 4)));
    return start.isEmpty() ? 0 : start.toUcs4().value(0);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A text cell from its UTF-8 bytes: no NUL, a quote before a formula, quoted when a separator, a quote, a
// line end or blanks at either end would change it.
void appendText(QByteArray& out, std::string_view utf8) {
    std::string_view text = utf8;
    std::string withoutNul;
    if (text.find('\0') != std::string_view::npos) {
        for (const char c : text)
            if (c != '\0')
                withoutNul.push_back(c);
        text = withoutNul;
    }
    if (text.empty())
        return;
    const char32_t first = firstCharacter(text);
    const bool formula = first < 0x10000 && startsFormula(QChar(static_cast<char16_t>(first)));
    const bool quotes = text.find_first_of(";\"\n\r") != std::string_view::npos ||
                        (!formula && isSpace(text.front())) || isSpace(text.back());
    if (quotes)
        out += '"';
    if (formula)
        out += '\'';
    if (quotes) {
        for (const char c : text) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    } else {
        out.append(text.data(), static_cast<qsizetype>(text.size()));
    }
}

void appendNumber(QByteArray& out, double value) {
    // All the digits, never an exponent, which a spreadsheet would take for text: a point made a comma.
    const QByteArray digits = decimalText(value, 15);
    if (digits.isEmpty()) {
        out += std::isnan(value) ? "NaN" : value > 0 ? "\u221E" : "-\u221E";
        return;
    }
    const qsizetype start = out.size();
    out += digits;
    const qsizetype point = out.indexOf('.', start);
    if (point >= 0)
        out[point] = ',';
}

} // namespace

CsvWriter::CsvWriter(QIODevice& out) : m_out(out) {
    m_buffer.reserve(BlockBytes + 4096);
    m_buffer += "\xEF\xBB\xBF";
}

CsvWriter::~CsvWriter() {
    flush();
}

void CsvWriter::cell(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        m_buffer += QByteArray::number(value.toLongLong());
        break;
    case QMetaType::Double:
        appendNumber(m_buffer, value.toDouble());
        break;
    default:
        if (!value.isNull()) {
            const QByteArray utf8 = value.toString().toUtf8();
            appendText(m_buffer, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        }
        break;
    }
}

void CsvWriter::endLine() {
    m_buffer += "\r\n";
    if (m_buffer.size() >= BlockBytes)
        flush();
}

void CsvWriter::row(const QVariantList& values) {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_buffer += ';';
        cell(values.at(i));
    }
    endLine();
}

void CsvWriter::row(const std::vector<DataLink::Cell>& cells, const QList<int>& columns) {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (i > 0)
            m_buffer += ';';
        const DataLink::Cell& cell = cells.at(static_cast<size_t>(columns.at(i)));
        switch (cell.kind) {
        case DataLink::Cell::Kind::Integer:
            m_buffer += QByteArray::number(cell.integer);
            break;
        case DataLink::Cell::Kind::Real:
            appendNumber(m_buffer, cell.real);
            break;
        case DataLink::Cell::Kind::Text:
            appendText(m_buffer, cell.text);
            break;
        case DataLink::Cell::Kind::Null:
            break;
        }
    }
    endLine();
}

bool CsvWriter::flush() {
    if (!m_buffer.isEmpty()) {
        if (m_ok) {
            errno = 0;
            m_ok = m_out.write(m_buffer) == m_buffer.size();
            if (!m_ok)
                m_systemError = errno;
        }
        m_buffer.clear();
    }
    return m_ok;
}
