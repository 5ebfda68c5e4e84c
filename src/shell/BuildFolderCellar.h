// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class FileSystem;

// Earlier versions started from the source tree kept the cellar in the build's program folder, where a
// new build or a clean deletes it. The program now keeps it in the user's own folders, as installed; a
// cellar left in the program folder is brought there once, or the user is told where it still is.
namespace BuildFolderCellar {

// `programFolder`, `settingsFolder` and `dataFolder` end with the separator. Returns what the user must
// be told, or nothing. The earlier cellar is copied, never moved: it stays where it was, whole.
QString carry(FileSystem& files, const QString& programFolder, const QString& settingsFolder,
              const QString& dataFolder);

// What the earlier settings file is renamed to once its cellar was brought over.
inline constexpr const char* CarriedSuffix = ".reprise";

} // namespace BuildFolderCellar
