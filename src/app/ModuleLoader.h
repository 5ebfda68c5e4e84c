// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ModuleWindows.h"

#include <QString>

// Finds and loads the windows' module once; a module missing, damaged or from another build is told to the
// user in French, and the main window stays as it was.
namespace ModuleLoader {

inline constexpr const char* FileName = "brovane-fenetres.so";
// Beside the program, as its other companions.
QString fileIn(const QString& programFolder);
// The module's windows, or nullptr once the user has been told why they cannot open.
const ModuleWindows* windows(Globals& globals, Services& services, QWidget* parent);
// The same, without telling anyone: the failure's words, empty when loaded.
QString load(const QString& file, const ModuleWindows** loaded);

} // namespace ModuleLoader
