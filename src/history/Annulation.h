// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Journal.h"
#include "globals/Globals.h"

#include <QString>

struct Services;
class QWidget;

// Undo, from the menu: the last operation named, and the cellar put back as it was before it.
namespace Annulation {

inline constexpr int HelpTopic = 12;

// "consommation de 2 Pommard 1996", "import de 1 234 lots": the operation as the user reads it.
QString describe(const Journal::Undoable& undoable);
// "&Annuler : consommation de 2 Pommard 1996"; "&Annuler" alone when there is nothing to undo.
QString entryText(const Globals& globals);
// Asks, then undoes the last operation; every refusal and failure told in French.
void run(const Globals& globals, Services& services, QWidget* parent);

} // namespace Annulation
