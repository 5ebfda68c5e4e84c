// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>

// What the Jet reader helper writes on its channel, one line each, fields separated by tabs:
//   BROVANE-JET 1
//   COLONNES <name>...           column names, as stored in the file
//   LIGNES <rows>                 the number of rows the table declares
//   LIGNE <value>...              one row; each value is N (null), I<integer>, R<real>,
//                                 M<currency in ten-thousandths> or T<text, UTF-8 in base64>
//   FIN <rows read> <rows the table declares>
// or, instead of the rest, ERREUR <code> where the code is one of those below.
namespace JetProtocol {

inline constexpr const char* Magic = "BROVANE-JET 1";
inline constexpr const char* ErrorNotJet = "PAS_JET";
inline constexpr const char* ErrorNoTable = "PAS_DE_TABLE";
inline constexpr const char* ErrorUsage = "USAGE";

// Limits the helper puts on itself: libmdb loops allocating without end on some damaged files.
inline constexpr long MemoryLimitBytes = 512L * 1024 * 1024;
inline constexpr long CpuLimitSeconds = 30;

} // namespace JetProtocol

// Writes one table of a Jet file on `out` in the format above; the helper's whole work, callable in-process
// by the fuzz target.
int dumpJetTable(const char* file, const char* table, FILE* out);
