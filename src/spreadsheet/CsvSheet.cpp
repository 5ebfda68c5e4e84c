// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/CsvSheet.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <uchardet/uchardet.h>

namespace {

// Enough text for the guesses, little enough to read at once.
constexpr qint64 SampleBytes = 1024 * 1024;
constexpr qint64 ChunkBytes = 256 * 1024;

struct Mark {
    QByteArray bytes;
    const char* encoding;
};
const Mark Marks[] = {{QByteArray("\xEF\xBB\xBF", 3), "UTF-8"},
                      {QByteArray("\xFF\xFE", 2), "UTF-16LE"},
                      {QByteArray("\xFE\xFF", 2), "UTF-16BE"}};

// UTF-16 without a mark: one byte of two is zero in Latin text, which no 8-bit encoding writes.
QByteArray utf16Guess(const QByteArray& start) {
    qint64 evenZeros = 0, oddZeros = 0;
    const qint64 n = std::min<qint64>(start.size(), 4096) & ~qint64(1);
    for (qint64 i = 0; i < n; i += 2) {
        evenZeros += start.at(i) == 0;
        oddZeros += start.at(i + 1) == 0;
    }
    if (n >= 8 && oddZeros * 10 > n * 3)
        return "UTF-16LE";
    if (n >= 8 && evenZeros * 10 > n * 3)
        return "UTF-16BE";
    return {};
}

QString shownEncoding(const QByteArray& encoding) {
    if (encoding.compare("WINDOWS-1252", Qt::CaseInsensitive) == 0)
        return QStringLiteral("Windows-1252");
    return QString::fromLatin1(encoding);
}

QString separatorName(QChar separator) {
    return separator == u'\t' ? QStringLiteral("tabulation") : QStringLiteral("« %1 »").arg(separator);
}

} // namespace

QByteArray CsvSheet::detectEncoding(const QByteArray& start) {
    for (const Mark& mark : Marks)
        if (start.startsWith(mark.bytes))
            return mark.encoding;
    if (QByteArray wide = utf16Guess(start); !wide.isEmpty())
        return wide;
    // Text in another encoding with accents is almost never valid UTF-8: what reads as UTF-8 is UTF-8.
    // A character cut by the end of the sample is no error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(start);
    if (!utf8.hasError())
        return "UTF-8";
    uchardet_t detector = uchardet_new();
    QByteArray found;
    if (uchardet_handle_data(detector, start.constData(), static_cast<size_t>(start.size())) == 0) {
        uchardet_data_end(detector);
        found = uchardet_get_charset(detector);
    }
    uchardet_delete(detector);
    // Plain ASCII is UTF-8 as well, and reads the same if a later line has an accent.
    if (found.compare("ASCII", Qt::CaseInsensitive) == 0)
        found = "UTF-8";
    // ISO-8859 gives 0x80 to 0x9F to invisible controls, which no table means: a text holding one of those
    // bytes was written by Windows, whose « Œ », « œ », « € » or « ’ » they are.
    if (found.startsWith("ISO-8859-1") && std::any_of(start.cbegin(), start.cend(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b >= 0x80 && b <= 0x9F;
        }))
        found = "WINDOWS-1252";
    return found;
}

QChar CsvSheet::detectSeparator(const QString& start) {
    const QChar candidates[] = {u';', u'\t', u','};
    // Counts of each candidate, outside quotes, on each of the first complete lines.
    QList<std::array<int, 3>> lines;
    std::array<int, 3> counts{};
    bool quoted = false;
    for (qsizetype i = 0; i < start.size() && lines.size() < 50; ++i) {
        const QChar c = start.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < start.size() && start.at(i + 1) == u'\n')
                ++i;
            lines << counts;
            counts = {};
        } else if (!quoted)
            for (int k = 0; k < 3; ++k)
                counts[static_cast<size_t>(k)] += c == candidates[k];
    }
    if (lines.isEmpty())
        lines << counts;
    int best = 0, bestScore = 0;
    for (int k = 0; k < 3; ++k) {
        // The separator splits most lines like the first one, the headings.
        const int first = lines.first()[static_cast<size_t>(k)];
        if (first == 0)
            continue;
        int score = 0;
        for (const auto& line : lines)
            score += line[static_cast<size_t>(k)] == first;
        if (score > bestScore) {
            best = k;
            bestScore = score;
        }
    }
    return candidates[best];
}

Result<std::unique_ptr<CsvSheet>> CsvSheet::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("il ne peut pas être lu (%1)").arg(file.errorString()));
    const QByteArray start = file.read(SampleBytes);
    std::unique_ptr<CsvSheet> sheet(new CsvSheet(path));
    sheet->m_encoding = detectEncoding(start);
    for (const Mark& mark : Marks)
        if (start.startsWith(mark.bytes))
            sheet->m_markBytes = static_cast<int>(mark.bytes.size());
    QStringDecoder decoder(sheet->m_encoding.constData());
    if (sheet->m_encoding.isEmpty() || !decoder.isValid())
        return unreadable(
            QStringLiteral("son encodage de caractères n'a pas pu être reconnu ; enregistrez-le "
                           "en UTF-8 depuis le tableur"));
    const QString text = decoder.decode(start.mid(sheet->m_markBytes));
    if (text.contains(QChar(0)))
        return unreadable(QStringLiteral("ce n'est ni un tableau en texte, ni un classeur .ods ou .xlsx"));
    sheet->m_separator = detectSeparator(text);
    return Result<std::unique_ptr<CsvSheet>>(std::move(sheet));
}

QString CsvSheet::description() const {
    return QStringLiteral("texte %1, séparateur %2")
        .arg(shownEncoding(m_encoding), separatorName(m_separator));
}

Status CsvSheet::read(int, const Row& row) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("il ne peut pas être lu (%1)").arg(file.errorString()));
    const qint64 total = file.size();
    file.seek(m_markBytes);
    QStringDecoder decoder(m_encoding.constData());
    QVariantList cells;
    QString cell;
    bool quoted = false, quoteSeen = false, cellStarted = false, afterCr = false;
    bool anyText = false;
    qint64 number = 0;
    const auto endCell = [&]() -> Status {
        if (cells.size() >= SheetLimits::Columns)
            return unreadable(QStringLiteral("une ligne a plus de %1 colonnes").arg(SheetLimits::Columns));
        anyText = anyText || !cell.isEmpty();
        QVariant value(cell);
        if (Status bad = mend(value, QString(), number + 1, cells.size()))
            return bad;
        cells << value;
        cell.clear();
        quoted = quoteSeen = cellStarted = false;
        return Status();
    };
    bool stopped = false;
    const auto endRow = [&]() -> Status {
        if (Status tooMany = endCell())
            return tooMany;
        if (++number > SheetLimits::Rows)
            return unreadable(QStringLiteral("il a plus de %1 lignes").arg(SheetLimits::Rows));
        if (anyText && !row(number, cells, file.pos(), total))
            stopped = true;
        cells.clear();
        anyText = false;
        return Status();
    };
    while (!stopped) {
        const QByteArray bytes = file.read(ChunkBytes);
        if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
            return unreadable(QStringLiteral("sa lecture a échoué (%1)").arg(file.errorString()));
        const QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return unreadable(QStringLiteral("il contient des octets qui ne sont pas du texte %1 ; "
                                             "enregistrez-le en UTF-8 depuis le tableur")
                                  .arg(shownEncoding(m_encoding)));
        for (qsizetype i = 0; i < text.size() && !stopped; ++i) {
            const QChar c = text.at(i);
            const bool wasCr = afterCr;
            afterCr = false;
            if (quoted) {
                if (c == u'"' && !quoteSeen) {
                    quoteSeen = true;
                    continue;
                }
                if (c == u'"' && quoteSeen) {
                    quoteSeen = false;
                    cell += c;
                    continue;
                }
                if (!quoteSeen) {
                    // The quoted text up to the next quote, at once.
                    qsizetype end = i + 1;
                    while (end < text.size() && text.at(end) != u'"')
                        ++end;
                    cell += QStringView(text).mid(i, end - i);
                    i = end - 1;
                } else {
                    // The closing quote: what follows belongs to the cell as written.
                    quoted = false;
                    quoteSeen = false;
                    --i;
                    continue;
                }
            } else if (c == u'"' && !cellStarted) {
                quoted = cellStarted = true;
                continue;
            } else if (c == m_separator) {
                if (Status why = endCell())
                    return why;
                continue;
            } else if (c == u'\n' && wasCr) {
                continue;
            } else if (c == u'\r' || c == u'\n') {
                afterCr = c == u'\r';
                if (Status why = endRow())
                    return why;
                continue;
            } else {
                // The cell's text up to the next separator or line end, at once.
                cellStarted = true;
                qsizetype end = i + 1;
                while (end < text.size() && text.at(end) != m_separator && text.at(end) != u'\n' &&
                       text.at(end) != u'\r')
                    ++end;
                cell += QStringView(text).mid(i, end - i);
                i = end - 1;
            }
            if (cell.size() > SheetLimits::CellChars)
                return unreadable(
                    QStringLiteral("une cellule dépasse %1 caractères").arg(SheetLimits::CellChars));
        }
        if (bytes.isEmpty())
            break;
    }
    if (stopped)
        return Status();
    if (quoted && !quoteSeen)
        return unreadable(
            QStringLiteral("un guillemet ouvert à la ligne %1 n'est jamais fermé").arg(number + 1));
    if (!cell.isEmpty() || !cells.isEmpty())
        return endRow();
    return Status();
}
