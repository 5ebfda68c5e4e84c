// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariant>
#include <optional>

// Cells read as a French user means them: « 12,50 € », « 1 234,50 » and « 12.5 » are prices, « NV » is a
// wine without a vintage, a number cell of a spreadsheet is taken as stored.
namespace FrenchValues {

enum class State { Empty, Read, Unreadable };

struct Number {
    State state = State::Empty;
    double value = 0;
};
// A decimal number: blanks (non-breaking ones too) and a currency sign anywhere, a decimal comma or point;
// where both appear, the last one is the decimal separator and the other groups digits.
Number number(const QVariant& cell);
// A whole number, « 6 » or « 6,0 » alike; a fraction is unreadable.
Number whole(const QVariant& cell);

// A vintage: a whole number, or none for « NV », « SA », « non millésimé ».
struct Vintage {
    State state = State::Empty;
    qlonglong year = 0;
    bool nonVintage = false;
};
Vintage vintage(const QVariant& cell);

// A drinking window as people write it: « 2026 2034 », « 2026-2034 », « 2026 – 2034 », « – 2034 » (only
// until), « 2026 – » or « 2026 » (only from); or a date, a date cell or one written « 15/03/2028 »,
// « 03/2028 » or « 2028-03-15 », which stands for its year.
struct Window {
    State state = State::Empty;
    std::optional<int> from;
    std::optional<int> until;
};
Window drinkingWindow(const QVariant& cell);

// The text of a cell as written, a date cell (QDate, or QDateTime with its time) the French way
// (« 15/03/2028 »); a quote a spreadsheet export put before "=", "+", "-" or "@" to keep a text from being
// taken for a formula is taken off again.
QString text(const QVariant& cell);

} // namespace FrenchValues
