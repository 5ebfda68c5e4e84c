// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>

class FileSystem;

// Orny.ini: one line, the database folder ending with the separator. Nothing else.
namespace SettingsFile {

inline constexpr const char* FileName = "Orny.ini";
// An unreadable settings file is kept under this name beside it, never replaced unseen.
inline constexpr const char* SetAsideSuffix = ".illisible";

enum class State { Read, Missing, Unreadable };
struct Line {
    State state = State::Missing;
    QString value;
};
// The first line of a settings file. Empty, binary, overlong or unopenable files are unreadable.
Line readLine(const QString& path);

// Replaces folder + "Orny.ini" atomically with the one line.
Status write(FileSystem& files, const QString& folder, const QString& cheminBase);

// Where the settings are read from and written to.
struct Places {
    QString writeFolder;   // where Orny.ini is written: the program folder, or the user's own folder
    QString programFolder; // an Orny.ini left here is honoured while the user's own folder has none
};
struct Loaded {
    QString cheminBase;
    bool firstStart = false; // no settings were found: cheminBase is the first-start folder
    QString notice;          // what the user must be told, in French; empty when all went well
};
// Reads the settings; on a first start writes `firstStart` as the database folder. An unreadable file
// is set aside and the user is told which cellar is now open.
Loaded load(FileSystem& files, const Places& places, const QString& firstStart);

} // namespace SettingsFile
