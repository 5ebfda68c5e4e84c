// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Lot.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>

// How the columns of a table become lots: which column feeds which field of a lot, proposed from the
// headings and changed by the user, and the reading of one row into a lot, or the reason it is refused.
namespace LotReading {

enum class Field {
    Nom,
    Type,
    Annee,
    Couleur,
    Quantite,
    Prix,
    BoireDes,
    BoireJusqua,
    Emplacement,
    Note,
    Appreciation
};
inline constexpr int FieldCount = 11;
// « Nom », « Type »... as the window names them.
QString fieldName(Field field);
// How many columns a field may take: a producer and a wine, a location and a bin are joined; the type is
// the first of up to three given (an appellation, else a sub-region, else a region).
int columnsOf(Field field);

struct Source {
    int first = -1; // column index, -1 for none
    int second = -1;
    int third = -1;
};
// Who wrote the table, as its headings tell. The reference web service has codes of its own: 1001 for a
// wine without vintage, 9999 for no drinking window, a price of 0 for none. A phone app's scan history
// lists labels photographed, not bottles owned.
enum class Origin { Other, WebService, ScanHistory };
struct Mapping {
    std::array<Source, FieldCount> sources{};
    Origin origin = Origin::Other;
    // The year the user gives the wines without vintage; 0 leaves them out.
    int yearWithoutVintage = 0;
    Source& operator[](Field f) { return sources[static_cast<size_t>(f)]; }
    const Source& operator[](Field f) const { return sources[static_cast<size_t>(f)]; }
    // Whether the column feeds a field.
    bool uses(int column) const;
};
// The columns the headings name, in French or as well-known cellar programs export them.
Mapping propose(const QStringList& headings);

// Why a row is not a lot: the lot's rules, and what the mapping could not read.
using Fault = LotRules::Fault;
inline constexpr int FaultCount = LotRules::FaultCount;
// « sans nom », « non millésimé (NV) »...
QString describe(Fault fault);

// What the colours written in the file become: a colour of the cellar, or the text as written.
using Colours = QHash<QString, QString>;
// The cellar's colour a written one stands for (« Red », « rouge », « Sparkling »...), or the text as
// written when it names none.
QString proposeColour(const QString& written, const QStringList& cellarColours);

struct Lot {
    ::Lot lot;
    Fault fault = Fault::None;
    QString colourAsWritten;
    bool withoutVintage = false;
};
// Reads one row; a missing quantity column means one bottle a row.
Lot read(const QVariantList& cells, const Mapping& mapping, const Colours& colours, int currentYear);

} // namespace LotReading
