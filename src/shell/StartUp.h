// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Globals.h"

#include <QDateTime>
#include <QString>

class QLockFile;
class MessageBox;

namespace StartUp {

// Step 1: false (after telling the user) when another copy holds the lock.
bool refuseSecondCopy(QLockFile& lock, MessageBox& messages);

// Steps 2 to 6, from the executable's path: program folder, help file, settings, build date, version.
// `settingsError` receives the reason when the settings file could not be written.
Globals prepare(const QString& executablePath, QString* settingsError = nullptr);

// "dd/MM/yyyy à hh:mm".
QString dateCompilation(const QDateTime& modified);
QString versionAppli();
// The status-bar text: product name, "  -  Version ", version.
QString statusText(const QString& versionAppli);
// A folder with exactly one trailing separator (a volume root keeps its own).
QString withSeparator(const QString& folder);

} // namespace StartUp
