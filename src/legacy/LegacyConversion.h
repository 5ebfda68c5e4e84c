// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>

class QWidget;
struct Globals;
struct Services;

// A cellar kept by the earlier program is a Jet file named Orny02.dat. Converting it writes a new cellar
// under a temporary name, checks it, and only then puts it in place; the original is kept beside it.
namespace LegacyConversion {

inline constexpr const char* KeptName = "Orny02-ancien-format.dat";

struct Converted {
    int lots = 0;
    int colours = 0;
    QString keptAs; // where the original now is
};

// The name the original will be kept under: Orny02-ancien-format.dat, or -2, -3 when taken.
QString keptNameFor(const QString& cheminBase);

// `helper` is the Jet reader program (JetReader::helperIn).
// On failure, the whole sentence for the user, the engine's words apart.
Result<Converted> convert(const QString& helper, const QString& cheminBase);

// At start-up: when the cellar is a Jet file, asks whether to convert it, converts and says how it went.
void offer(Globals& globals, Services& services, QWidget* parent);

} // namespace LegacyConversion
