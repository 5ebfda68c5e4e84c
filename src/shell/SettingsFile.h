// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Orny.ini: one line, the database folder ending with the separator. Nothing else.
namespace SettingsFile {

inline constexpr const char* FileName = "Orny.ini";

struct ReadResult {
    QString cheminBase;
    bool created = false; // missing, empty or unreadable: rewritten with the first-start value
    QString writeError;   // set when that rewrite failed
};

// Reads the first line of `folder` + "Orny.ini". A missing file, or one whose first line is empty or
// not text, counts as a first start: the file is written with `firstStart`, which is returned.
ReadResult read(const QString& folder, const QString& firstStart);

// Replaces the file atomically with the one line; returns an error text, empty on success.
QString write(const QString& folder, const QString& cheminBase);

} // namespace SettingsFile
