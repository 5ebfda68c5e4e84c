// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

// The one rule for the names the program proposes for files (exports, copies, the printout written to a
// file): a day is written AAAA-MM-JJ, which sorts as the days do, and no name holds a character a folder
// path or a file system would take for a separator or refuse.
namespace FileNames {

// "2026-12-07".
QString day(const QDate& date);
// The text fit for a file name: each separator or forbidden character a hyphen, no blank at either end.
QString safe(const QString& text);
// "Cave 2026-12-07.csv": the name, a blank, the day, then the extension (with its dot) if any.
QString dated(const QString& name, const QDate& date, const QString& extension = {});

} // namespace FileNames
