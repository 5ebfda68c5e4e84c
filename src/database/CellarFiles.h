// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Where the cellar's files are, from the database folder the settings give. This is the one place that
// joins that folder and a file name: every reader, writer and the move go through it.
namespace CellarFiles {

inline constexpr const char* DatabaseFileName = "Orny02.dat";

// The folder as the settings give it, directly followed by the file name: a folder written without its
// final separator ("…/cave") names the file "…/caveOrny02.dat", as the earlier program did.
QString databasePath(const QString& cheminBase);
// The folder that really holds that file.
QString folderOf(const QString& cheminBase);
// A folder with exactly one separator at its end, as the settings keep it.
QString withSeparator(const QString& folder);
// The files the engine may keep beside a database while or after writing it: they are part of it.
QStringList companions(const QString& databasePath);

// A path as the user reads it in a message: the system's own separators.
QString shown(const QString& path);
// Why a file brought into the cellar was not imported, and that the cellar is as it was.
QString notImported(const QString& file, const QString& why);

} // namespace CellarFiles
