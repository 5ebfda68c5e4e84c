// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

// A table read from a file a spreadsheet or another cellar program wrote, one row at a time, so that a
// file of any size is read in the same small memory. Cells come as texts, or as numbers (double) where
// the file stores a number rather than its display. What a crafted file could make unbounded has a
// ceiling; a file past one is refused with a French sentence saying which.
namespace SheetLimits {
// Excel's own limit for a cell; a longer one is not a wine's name.
inline constexpr int CellChars = 32767;
// Far more columns than a cellar needs, far fewer than a hostile file declares.
inline constexpr int Columns = 1024;
// A spreadsheet's own row limit.
inline constexpr qint64 Rows = 1048576;
// What one part of an .ods or .xlsx may unpack to, and how many parts the archive may hold.
inline constexpr qint64 UnpackedBytes = 128LL * 1024 * 1024;
inline constexpr int ArchiveEntries = 10000;
// An .xlsx keeps its texts apart, in one table held while the sheet is read.
inline constexpr qint64 SharedChars = 16LL * 1024 * 1024;
// Far deeper than any workbook nests its elements; a crafted part nested deeper would hold the reader's
// memory for each level.
inline constexpr int XmlDepth = 256;
} // namespace SheetLimits

// What a reading the user may cancel yields: its value, or nothing when cancelled, which is no failure.
template <typename T> using Cancellable = std::optional<T>;

// Why the file cannot be read, as the window's sentence ends (« il est introuvable »).
inline Failure unreadable(const QString& why) {
    return Failure{why, {}};
}

class SheetReader {
public:
    // `number` is the row's place in the sheet, from 1, as the spreadsheet numbers it; rows whose cells are
    // all empty are not handed over. `done` and `total` say how far the reading is (total 0: unknown).
    // Returning false stops the reading.
    using Row = std::function<bool(qint64 number, const QVariantList& cells, qint64 done, qint64 total)>;
    // Where a long reading stands, `done` out of `total` (0: unknown); false cancels it.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    virtual ~SheetReader() = default;
    // The sheets' names, in order; one unnamed sheet for a text file.
    virtual QStringList sheets() const = 0;
    // Reads the rows of one sheet from its start, or says why the file cannot be read. Stopped by `row`
    // or cancelled while waiting, the reading ends without failure.
    virtual Status read(int sheet, const Row& row) = 0;
    // What the file turned out to be, for the window ("texte, Windows-1252, séparateur « ; »").
    virtual QString description() const = 0;

    // Told how far the reader is while it works through what it hands over as no row (the sheets before
    // the one read, an .xlsx's texts and styles); false cancels, and the reading ends as when `row` stops
    // it. Empty: nothing to tell.
    void setWaiting(Progress waiting) { m_waiting = std::move(waiting); }

    // « A », « AB »: the column as a spreadsheet names it, from 0.
    static QString columnLetters(qint64 column);

protected:
    // A text cell as its author typed it: a C1 control (U+0080 to U+009F) is the Windows-1252 letter of the
    // same byte, as a Windows file once read as Latin-1 holds them (U+0080 where « € » was, U+008C for
    // « Œ »). A character no text means that cannot be mended (a nul, half of a UTF-16 pair, a C1 control
    // without a Windows-1252 letter) refuses the cell, named with its place; `sheet` is empty for a text
    // file.
    static Status mend(QVariant& cell, const QString& sheet, qint64 row, qint64 column);

    Progress m_waiting;
};

// A reader over an opened file, nothing when the user cancelled the opening, or why the file cannot be read.
using OpenedSheet = Result<Cancellable<std::unique_ptr<SheetReader>>>;

// Opens a .csv, .txt, .ods or .xlsx, by its content more than its name. Listing the sheets of a large
// workbook reads it through: `progress` is told how far, and when it answers false the opening stops.
OpenedSheet openSheet(const QString& path, const SheetReader::Progress& progress = {});
