// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "ui/Services.h"

class QWidget;

// The windows built on libraries the main window never needs (charts, printing, workbooks) live in a
// module of their own, loaded the first time one of them opens: the program starts without loading and
// binding those libraries. The module hands over its windows through this table.
struct ModuleWindows {
    using Open = void (*)(Globals& globals, Services& services, QWidget* parent);
    // The program and its module come from the same build: `BuildInfo::Release` of the module.
    const char* build;
    Open imprimer;
    Open importTableau;
    Open statistiques;
};

// A working window is created afresh at each opening, shown modally, and destroyed when closed.
template <class Window> void openModal(Globals& globals, Services& services, QWidget* parent) {
    Window window(globals, services, parent);
    window.exec();
}

// The module's one entry point, looked up by this name.
#define BROVANE_MODULE_ENTRY "brovane_fenetres"
extern "C" const ModuleWindows* brovane_fenetres();
