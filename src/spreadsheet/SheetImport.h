// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"
#include "spreadsheet/LotReading.h"
#include "spreadsheet/SheetReader.h"

#include <QMap>
#include <functional>
#include <vector>

class QIODevice;

// A table brought into the cellar in three readings of the file, none of which holds it whole: a sample
// for the mapping, a review of every row before anything is written, and the import itself, all its lots
// in one transaction journalled as one import.
namespace SheetImport {

using Progress = SheetReader::Progress; // false cancels

// What becomes of a row whose wine the cellar already holds.
enum class Duplicates { Skip, Add, AddBottles };

struct Settings {
    int sheet = 0;
    bool headings = true; // the first row names the columns
    LotReading::Mapping mapping;
    LotReading::Colours colours;
    int currentYear = 0;
    Duplicates duplicates = Duplicates::Skip;
    // The cellar the review compares the rows with; none when empty.
    QString cellar;
};

// The headings (or « Colonne A »... without) and the first rows, as the file holds them.
struct Sample {
    QStringList headings;
    std::vector<std::pair<qint64, QVariantList>> rows; // sheet row number, cells
};
// Reaching a sheet far into a workbook takes a while: `progress` is told how far, and may cancel.
Result<Cancellable<Sample>> sample(SheetReader& reader, int sheet, bool headings, int rows,
                                   const Progress& progress = {});
// « Colonne A », « Colonne AB ».
QString columnName(int column);

struct Refused {
    qint64 row = 0;
    LotReading::Fault fault = LotReading::Fault::None;
    QStringList cells;
};
struct Review {
    qint64 valid = 0;
    // Of the valid rows, those whose wine the cellar already holds.
    qint64 already = 0;
    // Rows without a vintage, refused or given the user's year.
    qint64 withoutVintage = 0;
    // For each column no field takes, how many of its cells hold something.
    std::vector<qint64> notTaken;
    std::array<qint64, LotReading::FaultCount> refused{};
    qint64 refusedTotal() const;
    // The first refused rows, to show; the export writes them all.
    std::vector<Refused> shown;
    // Each colour as written, with its number of rows; the first ones, when a file has many.
    QMap<QString, qint64> colours;
    bool moreColours = false;
};
inline constexpr int ShownRefusals = 1000;
inline constexpr int ListedColours = 100;
Result<Cancellable<Review>> review(SheetReader& reader, const Settings& settings,
                                   const Progress& progress = {});

// Writes every refused row as a table a spreadsheet opens and this import reads again once mended: the
// table's own columns under their headings, then the reason; the rows written, or why not (the file could
// not be read again, `out` could not be written).
Result<Cancellable<qint64>> exportRefused(SheetReader& reader, const Settings& settings, QIODevice& out,
                                          const Progress& progress = {});

// Why an import wrote nothing: the table's reading (it could not be read whole, or changed since the review,
// which must then be made again) or the cellar's.
struct Unwritten {
    enum class By { Table, Cellar };
    By by = By::Cellar;
    Failure failure;
};
// Appends every row the review found valid, those the cellar already holds as `settings.duplicates` says,
// or nothing: the lots added.
Result<Cancellable<qint64>, Unwritten> run(SheetReader& reader, const Settings& settings,
                                           const Review& reviewed, const QString& databasePath,
                                           const Progress& progress = {});

} // namespace SheetImport
