// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

// French order for wine names, types and colours: case is ignored (accented capitals too), an accented
// letter sorts with its base letter and only after the letters tie, so "Rose" and "Rosé" stay apart.
namespace FrenchCollation {

inline constexpr const char* Name = "FRANCAIS";
// The same order, backwards: a descending sort stays a list of ascending terms.
inline constexpr const char* ReversedName = "FRANCAIS_INVERSE";
// CHERCHE_FR(search, field, ...): whether each word of the search is in one of the fields, compared in
// their search forms (below).
inline constexpr const char* SearchFunction = "CHERCHE_FR";

// Negative, zero or positive, like strcmp, on two UTF-8 texts.
int compare(const char* a, int lengthA, const char* b, int lengthB);
int compare(const QString& a, const QString& b);
inline bool less(const QString& a, const QString& b) {
    return compare(a, b) < 0;
}
inline bool equal(const QString& a, const QString& b) {
    return compare(a, b) == 0;
}

// The ASCII characters a text starts with, in small letters, up to any "oe", "ae" or "ss": every text equal
// to it in French order starts with the same characters, whatever their case.
QByteArray asciiPrefix(const QString& text);

// Sorts in French order and keeps the first of each group of equal texts.
void sortUnique(QStringList& values);

// A text as a search compares it, in UTF-8: its letters and digits with the primary weights of the order
// above (small, without accents, ligatures written out), every space, hyphen, apostrophe, dot or other sign
// left out. Texts equal in French order have the same search form.
void searchForm(const char* utf8, int length, std::string& form);
QString searchForm(const QString& text);

// The words of a search, each in its search form: what a person typed, however spaced or punctuated. A
// word of digits alone is a number: it finds that number whole (a year, « casier 1 »), never the digits
// inside another (2015, « casier 12 »).
class Search {
public:
    explicit Search(const QString& text);
    Search(const char* utf8, int length);
    bool isEmpty() const { return m_words.empty() && m_numbers.empty(); }
    // Whether each word is in one of the fields (UTF-8 texts), in any order.
    bool matches(const std::string_view* fields, size_t count) const;

private:
    std::vector<std::string> m_words;
    std::vector<std::string> m_numbers; // without their leading zeros
};

} // namespace FrenchCollation
