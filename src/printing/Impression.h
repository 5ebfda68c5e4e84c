// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"

#include <memory>

class ApercuInventaire;
class QWidget;
struct Services;

// The "Imprimer" action: reads the definition and the cellar as they are on disk now, and opens the
// inventory's preview.
namespace Impression {

inline constexpr const char* DefinitionFile = "Orny01.dat";

// The preview, ready to show; nothing (after telling the user why) when the report cannot be made.
std::unique_ptr<ApercuInventaire> prepare(Globals& globals, Services& services, QWidget* parent);
// The hourglass stays until the preview shows its first page.
void run(Globals& globals, Services& services, QWidget* parent);

} // namespace Impression
