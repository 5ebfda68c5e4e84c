// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// French order for wine names, types and colours: case is ignored (accented capitals too), an accented
// letter sorts with its base letter and only after the letters tie, so "Rose" and "Rosé" stay apart.
namespace FrenchCollation {

inline constexpr const char* Name = "FRANCAIS";
// The same order, backwards: a descending sort stays a list of ascending terms.
inline constexpr const char* ReversedName = "FRANCAIS_INVERSE";
// CONTIENT_FR(text, wanted): whether the text holds the wanted words, compared in French with case,
// accents and ligatures ignored.
inline constexpr const char* ContainsFunction = "CONTIENT_FR";

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

// The letters of a text as a search compares them: small, without accents, ligatures written out.
QString searchForm(const QString& text);
QString searchForm(const char* utf8, int length);
// The same into `form`, without a QString, as long as every letter of the form is ASCII (false otherwise,
// and `form` is then unusable): what a search runs on each row.
bool asciiSearchForm(const char* utf8, int length, std::string& form);

} // namespace FrenchCollation
