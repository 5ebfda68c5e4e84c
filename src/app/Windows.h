// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "shell/MenuActions.h"
#include "ui/Services.h"

class QWidget;

// The program's windows behind the main window's entries, and what it does once that window is up.
namespace Windows {

MenuActions assemble(Globals& globals, Services& services);
// An earlier cellar converted if the user wishes.
void atStart(Globals& globals, Services& services, QWidget* window);

} // namespace Windows
