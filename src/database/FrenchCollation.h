// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// French order for wine names, types and colours: case is ignored (accented capitals too), an accented
// letter sorts with its base letter and only after the letters tie, so "Rose" and "Rosé" stay apart.
namespace FrenchCollation {

inline constexpr const char* Name = "FRANCAIS";

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

} // namespace FrenchCollation
