// SPDX-License-Identifier: GPL-3.0-or-later
// A windows' module as an earlier version left it: the program must refuse it rather than call into it.
#include "app/ModuleWindows.h"

extern "C" Q_DECL_EXPORT const ModuleWindows* brovane_fenetres() {
    static const ModuleWindows windows{"Brovane 1.2", nullptr, nullptr, nullptr};
    return &windows;
}
