// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>

class QApplication;

// What every window looks like whatever the desktop's palette: texts the user must read at 4.5 to 1 at
// least against their background (a disabled list still shows the lot chosen), and the keyboard focus
// always drawn, however it got there (Tab, Enter moving from field to field, a click).
namespace Appearance {

// Once, before the first window; follows the desktop when its palette changes.
void install(QApplication& app);
// The palette with its texts made readable; the colours that already are stay as they are.
QPalette readable(QPalette palette);
// Whether a palette is a dark one: light text on a dark background.
bool isDark(const QPalette& palette);

} // namespace Appearance
