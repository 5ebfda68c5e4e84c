// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class SingleCopyLock;
class MessageBox;

namespace Preparation {

// An installed program carries this file in its program folder: it then never writes that folder, and
// each user keeps his settings and his cellar in his own folders.
inline constexpr const char* InstalledMarker = "brovane-installe";

// Step 1: false (after telling the user) when another copy holds the lock, or when no lock can be taken.
bool refuseSecondCopy(SingleCopyLock& lock, MessageBox& messages);

// Steps 2 to 6, from the executable's path: program folder, help file, settings, build date, version.
// A move that was interrupted is finished or undone first. What the user must be told about the
// settings or the cellar is appended to `notices`.
Globals prepare(const QString& executablePath, QStringList* notices = nullptr);

// "dd/MM/yyyy à hh:mm".
QString dateCompilation(const QDateTime& modified);
QString versionAppli();
// The status-bar text: product name, "  -  Version ", version.
QString statusText(const QString& versionAppli);

} // namespace Preparation
