// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/FrenchCollation.h"

#include <QChar>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {

// One collation element: the letter once accents and case are removed, and the accent alone.
struct Element {
    char32_t primary = 0;
    char32_t expansion = 0; // second letter of œ, æ, ß
    quint16 secondary = 0;
};

constexpr char32_t TableSize = 0x250; // Latin-1 and Latin Extended A and B

// Weight of a character outside the table: its case fold, nothing else. A character that folds into
// plain ASCII (the long s, the Kelvin sign) stays a letter of its own: the only texts equal to ASCII
// letters are those letters, whatever their case, and the ligatures written out.
Element foldOnly(char32_t c) {
    const char32_t folded = QChar::toCaseFolded(c);
    return {c >= 0x80 && folded < 0x80 ? c : folded, 0, 0};
}

Element computeElement(char32_t c) {
    switch (c) {
    case 0x00C6:
    case 0x00E6:
        return {U'a', U'e', 0};
    case 0x0152:
    case 0x0153:
        return {U'o', U'e', 0};
    case 0x00DF:
        return {U's', U's', 0};
    default:
        break;
    }
    QString d = QString(QChar(static_cast<char16_t>(c)));
    quint16 marks = 0;
    // Canonical decompositions nest (ǖ is ü and a macron): unfold until the base letter stands alone.
    while (QChar(d.at(0)).decompositionTag() == QChar::Canonical) {
        const QString inner = d.at(0).decomposition();
        d = inner + d.mid(1);
    }
    for (qsizetype i = 1; i < d.size(); ++i)
        marks = static_cast<quint16>(marks * 97 + (d.at(i).unicode() - 0x2FF));
    if ((d.size() == 1 && d.at(0).unicode() == c) || marks == 0)
        return foldOnly(c);
    return {QChar::toCaseFolded(static_cast<char32_t>(d.at(0).unicode())), 0, marks};
}

const std::array<Element, TableSize>& table() {
    static const std::array<Element, TableSize> elements = [] {
        std::array<Element, TableSize> t{};
        for (char32_t c = 0; c < TableSize; ++c)
            t[c] = c < 0x80 ? Element{c >= 'A' && c <= 'Z' ? c + 32 : c, 0, 0} : computeElement(c);
        return t;
    }();
    return elements;
}

// Walks a UTF-8 text one collation weight at a time.
class Reader {
public:
    Reader(const char* text, int length, const std::array<Element, TableSize>& t)
        : p(reinterpret_cast<const unsigned char*>(text)), end(p + length), elements(t) {}

    // Next primary weight (secondary alongside); false at the end of the text.
    bool next(char32_t& primary, quint16& secondary) {
        if (pending) {
            primary = pending;
            secondary = 0;
            pending = 0;
            return true;
        }
        if (p >= end)
            return false;
        const char32_t c = decode();
        const Element e = c < TableSize ? elements[c] : foldOnly(c);
        primary = e.primary;
        secondary = e.secondary;
        pending = e.expansion;
        return true;
    }

private:
    char32_t decode() {
        const unsigned char b = *p++;
        if (b < 0x80)
            return b;
        int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t c = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : b & 0x1F;
        if (extra == 0)
            return 0xFFFD;
        while (extra-- > 0 && p < end && (*p & 0xC0) == 0x80)
            c = (c << 6) | (*p++ & 0x3F);
        return c;
    }

    const unsigned char* p;
    const unsigned char* end;
    const std::array<Element, TableSize>& elements;
    char32_t pending = 0;
};

int sign(long long v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

} // namespace

namespace FrenchCollation {

int compare(const char* a, int lengthA, const char* b, int lengthB) {
    // Most texts are told apart within their first ASCII letters, where an element is the letter in small
    // capitals and carries no accent: decide there when possible, and only walk on from the first other
    // character.
    const auto* ua = reinterpret_cast<const unsigned char*>(a);
    const auto* ub = reinterpret_cast<const unsigned char*>(b);
    const int common = std::min(lengthA, lengthB);
    int i = 0;
    for (; i < common; ++i) {
        unsigned char x = ua[i], y = ub[i];
        if ((x | y) >= 0x80)
            break;
        x = static_cast<unsigned char>(x >= 'A' && x <= 'Z' ? x + 32 : x);
        y = static_cast<unsigned char>(y >= 'A' && y <= 'Z' ? y + 32 : y);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == common && (i == lengthA || i == lengthB))
        return lengthA == lengthB ? 0 : lengthA < lengthB ? -1 : 1;
    a += i;
    b += i;
    lengthA -= i;
    lengthB -= i;
    const auto& t = table();
    // Letters first, over the whole texts; accents break ties only afterwards.
    int accents = 0;
    Reader ra(a, lengthA, t);
    Reader rb(b, lengthB, t);
    for (;;) {
        char32_t pa = 0, pb = 0;
        quint16 sa = 0, sb = 0;
        const bool hasA = ra.next(pa, sa);
        const bool hasB = rb.next(pb, sb);
        if (!hasA || !hasB)
            return hasA ? 1 : hasB ? -1 : accents;
        if (pa != pb)
            return sign(static_cast<long long>(pa) - static_cast<long long>(pb));
        if (accents == 0 && sa != sb)
            accents = sign(static_cast<int>(sa) - static_cast<int>(sb));
    }
}

int compare(const QString& a, const QString& b) {
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    return compare(ua.constData(), static_cast<int>(ua.size()), ub.constData(), static_cast<int>(ub.size()));
}

QByteArray asciiPrefix(const QString& text) {
    QByteArray prefix;
    for (qsizetype i = 0; i < text.size() && text.at(i).unicode() < 0x80; ++i) {
        const char c = static_cast<char>(text.at(i).toLower().unicode());
        // "oe", "ae" and "ss" equal œ, æ and ß: a text equal to this one may hold the ligature from here.
        const char next = i + 1 < text.size() ? static_cast<char>(text.at(i + 1).toLower().unicode()) : '\0';
        if ((c == 'o' && next == 'e') || (c == 'a' && next == 'e') || (c == 's' && next == 's'))
            break;
        prefix += c;
    }
    return prefix;
}

void searchForm(const char* utf8, int length, std::string& form) {
    form.clear();
    const auto& t = table();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    const auto* end = p + length;
    const auto keep = [&form](char32_t c) {
        if (c < 0x80) {
            if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                form.push_back(static_cast<char>(c));
        } else if (QChar::isLetterOrNumber(c)) {
            const QByteArray bytes = QString::fromUcs4(&c, 1).toUtf8();
            form.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        }
    };
    while (p < end) {
        // Plain ASCII, most of a cellar, without decoding.
        if (*p < 0x80) {
            keep(t[*p].primary);
            ++p;
            continue;
        }
        const auto* start = p;
        while (p < end && *p >= 0x80)
            ++p;
        Reader reader(reinterpret_cast<const char*>(start), static_cast<int>(p - start), t);
        char32_t primary = 0;
        quint16 secondary = 0;
        while (reader.next(primary, secondary))
            keep(primary);
    }
}

QString searchForm(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string form;
    searchForm(utf8.constData(), static_cast<int>(utf8.size()), form);
    return QString::fromStdString(form);
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Part of a word: a letter, a digit, or any character beyond ASCII.
bool inWord(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::string_view withoutLeadingZeros(std::string_view digits) {
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits;
}

// Whether the text holds the number as a word of its own; "2015.0", as the engine writes a vintage stored
// as a real number, is 2015.
bool holdsNumber(std::string_view text, std::string_view number) {
    for (size_t i = 0; i < text.size();) {
        if (!isDigit(text[i]) || (i > 0 && inWord(text[i - 1]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        const std::string_view whole = text.substr(i, end - i);
        size_t next = end;
        bool decimal = false;
        if (end + 1 < text.size() && text[end] == '.' && isDigit(text[end + 1])) {
            for (next = end + 1; next < text.size() && isDigit(text[next]); ++next)
                decimal = decimal || text[next] != '0';
        }
        if (!decimal && (next == text.size() || !inWord(text[next])) && withoutLeadingZeros(whole) == number)
            return true;
        i = next;
    }
    return false;
}

} // namespace

Search::Search(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    *this = Search(utf8.constData(), static_cast<int>(utf8.size()));
}

Search::Search(const char* utf8, int length) {
    // Words are what blanks separate; a hyphen or an apostrophe inside one is left out with the word kept
    // whole, so "saint-émilion" and "saint emilion" find the same lots.
    const QStringList words =
        QString::fromUtf8(utf8, length).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    std::string form;
    for (const QString& word : words) {
        const QByteArray bytes = word.toUtf8();
        searchForm(bytes.constData(), static_cast<int>(bytes.size()), form);
        const bool number = !form.empty() && std::all_of(form.begin(), form.end(), isDigit) &&
                            std::all_of(bytes.begin(), bytes.end(), isDigit);
        std::vector<std::string>& kept = number ? m_numbers : m_words;
        if (number)
            form = std::string(withoutLeadingZeros(form));
        if (!form.empty() && std::find(kept.begin(), kept.end(), form) == kept.end())
            kept.push_back(form);
    }
}

bool Search::matches(const std::string_view* fields, size_t count) const {
    for (const std::string& number : m_numbers)
        if (std::none_of(fields, fields + count,
                         [&number](std::string_view field) { return holdsNumber(field, number); }))
            return false;
    // The fields are put in search form one at a time, and only until every word is found.
    thread_local std::string form;
    thread_local std::vector<bool> found;
    found.assign(m_words.size(), false);
    size_t missing = m_words.size();
    for (size_t f = 0; f < count && missing > 0; ++f) {
        searchForm(fields[f].data(), static_cast<int>(fields[f].size()), form);
        for (size_t w = 0; w < m_words.size(); ++w)
            if (!found[w] && form.find(m_words[w]) != std::string::npos) {
                found[w] = true;
                --missing;
            }
    }
    return missing == 0;
}

void sortUnique(QStringList& values) {
    std::vector<std::pair<QByteArray, qsizetype>> keys;
    keys.reserve(static_cast<size_t>(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i)
        keys.emplace_back(values.at(i).toUtf8(), i);
    const auto cmp = [](const auto& x, const auto& y) {
        return compare(x.first.constData(), static_cast<int>(x.first.size()), y.first.constData(),
                       static_cast<int>(y.first.size()));
    };
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& x, const auto& y) { return cmp(x, y) < 0; });
    QStringList sorted;
    sorted.reserve(values.size());
    for (size_t i = 0; i < keys.size(); ++i)
        if (i == 0 || cmp(keys[i - 1], keys[i]) != 0)
            sorted.append(values.at(keys[i].second));
    values = sorted;
}

} // namespace FrenchCollation
