// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PdfOutline.h"

#include <QIODevice>
#include <QRegularExpression>

namespace PdfOutline {

namespace {

// What is kept of the start and of the end of a PDF: the catalogue comes first; the pages' list and the
// cross-reference table of a document of tens of thousands of pages come within the end kept.
constexpr qsizetype HeadKept = 64 * 1024;
constexpr qsizetype TailKept = 16 * 1024 * 1024;
constexpr qint64 MostRead = 4 * 1024 * 1024;

std::optional<QByteArray> readAt(const Recorder& pdf, qint64 offset, qint64 length) {
    return pdf.bytesAt(offset, length);
}

std::optional<qint64> number(const QByteArray& text, const char* pattern) {
    const QRegularExpressionMatch m =
        QRegularExpression(QLatin1String(pattern)).match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 n = m.captured(m.lastCapturedIndex()).toLongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

// The dictionary of object `id`, found through the cross-reference table at `xref`.
std::optional<QByteArray> object(const Recorder& pdf, qint64 xref, qint64 id) {
    const auto head = readAt(pdf, xref, 64);
    if (!head || !head->startsWith("xref"))
        return std::nullopt;
    // One subsection from object 0, entries of twenty bytes.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^xref\\r?\\n0 (\\d+)\\r?\\n")).match(QString::fromLatin1(*head));
    if (!m.hasMatch() || id >= m.captured(1).toLongLong())
        return std::nullopt;
    const auto entry = readAt(pdf, xref + m.capturedLength(0) + id * 20, 20);
    if (!entry || entry->size() < 18 || entry->at(17) != 'n')
        return std::nullopt;
    bool ok = false;
    const qint64 offset = entry->left(10).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    QByteArray text;
    for (qint64 at = offset; text.size() < MostRead; at += 65536) {
        const auto more = readAt(pdf, at, 65536);
        if (!more)
            return std::nullopt;
        text += *more;
        const qsizetype end = text.indexOf("endobj");
        if (end >= 0) {
            const qsizetype start = text.indexOf("<<");
            const qsizetype close = text.lastIndexOf(">>", end);
            if (start < 0 || close < start)
                return std::nullopt;
            return text.mid(start, close + 2 - start);
        }
    }
    return std::nullopt;
}

QByteArray pdfText(const QString& text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    return hex + '>';
}

} // namespace

Recorder::Recorder(QIODevice& target) : m_target(target) {
    open(QIODevice::WriteOnly);
}

qint64 Recorder::writeData(const char* data, qint64 length) {
    const qint64 passed = m_target.write(data, length);
    if (passed != length)
        return -1;
    if (m_head.size() < HeadKept)
        m_head.append(data, std::min<qint64>(length, HeadKept - m_head.size()));
    m_tail.append(data, length);
    m_written += length;
    if (m_tail.size() > 2 * TailKept) {
        const qsizetype drop = m_tail.size() - TailKept;
        m_tail.remove(0, drop);
        m_tailStart += drop;
    }
    return length;
}

std::optional<QByteArray> Recorder::bytesAt(qint64 offset, qint64 length) const {
    if (offset < 0 || offset >= m_written)
        return std::nullopt;
    length = std::min(length, m_written - offset);
    if (offset + length <= m_head.size())
        return m_head.mid(offset, length);
    if (offset >= m_tailStart)
        return m_tail.mid(offset - m_tailStart, length);
    return std::nullopt;
}

Result add(Recorder& pdf, const std::vector<Entry>& entries, double pageHeight) {
    if (entries.empty())
        return Result::Added;
    const qint64 size = pdf.written();
    const auto tail = readAt(pdf, std::max<qint64>(0, size - 4096), 4096);
    if (!tail)
        return Result::NotUnderstood;
    const auto xref = number(tail->mid(tail->lastIndexOf("startxref")), "startxref\\s+(\\d+)");
    const QByteArray trailer = tail->mid(tail->lastIndexOf("trailer"));
    const auto root = number(trailer, "/Root\\s+(\\d+)\\s+0\\s+R");
    const auto count = number(trailer, "/Size\\s+(\\d+)");
    const auto info = number(trailer, "/Info\\s+(\\d+)\\s+0\\s+R");
    if (!xref || !root || !count || tail->count("startxref") != 1)
        return Result::NotUnderstood;
    const auto catalog = object(pdf, *xref, *root);
    if (!catalog || catalog->contains("/Outlines"))
        return Result::NotUnderstood;
    const auto pagesId = number(*catalog, "/Pages\\s+(\\d+)\\s+0\\s+R");
    const auto pages = pagesId ? object(pdf, *xref, *pagesId) : std::nullopt;
    if (!pages)
        return Result::NotUnderstood;
    // A flat list of pages, as a plain writer makes it.
    const qsizetype kidsAt = pages->indexOf("/Kids");
    const qsizetype open = pages->indexOf('[', kidsAt), close = pages->indexOf(']', open);
    if (kidsAt < 0 || open < 0 || close < 0)
        return Result::NotUnderstood;
    std::vector<qint64> kids;
    const QString list = QString::fromLatin1(pages->mid(open + 1, close - open - 1));
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("(\\d+)\\s+0\\s+R")).globalMatch(list))
        kids.push_back(m.captured(1).toLongLong());
    const auto pageCount = number(*pages, "/Count\\s+(\\d+)");
    if (!pageCount || *pageCount != static_cast<qint64>(kids.size()))
        return Result::NotUnderstood;
    for (const Entry& e : entries)
        if (e.page < 0 || e.page >= static_cast<int>(kids.size()))
            return Result::NotUnderstood;

    const qint64 outline = *count;
    const qint64 n = static_cast<qint64>(entries.size());
    const auto ref = [](qint64 id) { return QByteArray::number(id) + " 0 R"; };
    QByteArray update = "\n";
    std::vector<std::pair<qint64, qint64>> offsets; // object, where it starts
    const auto write = [&](qint64 id, const QByteArray& dictionary) {
        offsets.emplace_back(id, size + update.size());
        update += QByteArray::number(id) + " 0 obj\n" + dictionary + "\nendobj\n";
    };
    QByteArray newCatalog = catalog->left(catalog->size() - 2);
    newCatalog += "/Outlines " + ref(outline) + "\n/PageMode /UseOutlines\n>>";
    write(*root, newCatalog);
    write(outline, "<<\n/Type /Outlines\n/First " + ref(outline + 1) + "\n/Last " + ref(outline + n) +
                       "\n/Count " + QByteArray::number(n) + "\n>>");
    for (qint64 i = 0; i < n; ++i) {
        const Entry& e = entries[static_cast<size_t>(i)];
        QByteArray item = "<<\n/Title " + pdfText(e.title) + "\n/Parent " + ref(outline);
        if (i > 0)
            item += "\n/Prev " + ref(outline + i);
        if (i + 1 < n)
            item += "\n/Next " + ref(outline + i + 2);
        item += "\n/Dest [" + ref(kids[static_cast<size_t>(e.page)]) + " /XYZ 0 " +
                QByteArray::number(std::max(0.0, pageHeight - e.top), 'f', 2) + " null]\n>>";
        write(outline + 1 + i, item);
    }
    const qint64 xrefAt = size + update.size();
    update += "xref\n";
    const auto entry = [](qint64 offset) {
        return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    };
    update += QByteArray::number(*root) + " 1\n" + entry(offsets.front().second);
    update += QByteArray::number(outline) + ' ' + QByteArray::number(n + 1) + '\n';
    for (size_t i = 1; i < offsets.size(); ++i)
        update += entry(offsets[i].second);
    update += "trailer\n<<\n/Size " + QByteArray::number(outline + n + 1) + "\n/Root " + ref(*root);
    if (info)
        update += "\n/Info " + ref(*info);
    update += "\n/Prev " + QByteArray::number(*xref) + "\n>>\nstartxref\n" + QByteArray::number(xrefAt) +
              "\n%%EOF\n";
    if (pdf.write(update) != update.size())
        return Result::NotWritten;
    return Result::Added;
}

} // namespace PdfOutline
