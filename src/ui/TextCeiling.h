// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How much of a stored text a window lays out: a text another tool wrote may hold millions of
// characters, and laying them out would freeze the window. Past its ceiling a text is shown cut, marked
// so, and whole only on demand.
namespace TextCeiling {

// A one-line field, and a note.
inline constexpr qsizetype Line = 1000;
inline constexpr qsizetype Note = 20000;

// The text cut to `ceiling` characters, ending with " […]" when it was longer; a surrogate pair is never
// split.
QString clipped(const QString& text, qsizetype ceiling);
// The same cut made by the database engine on the value of an SQL expression: a long text is never read
// whole. Other values are left as they are.
QString clippedSql(const QString& expression, qsizetype ceiling);

} // namespace TextCeiling
