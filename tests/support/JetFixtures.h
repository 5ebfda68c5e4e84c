// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The real Jet files of tests/data/jet and what they hold.
namespace JetFixtures {

inline QString path(const char* name) {
    return QStringLiteral(BROVANE_TEST_DATA "/jet/") + name;
}

// The first bytes of a Jet file: enough for the program to take a file for one, whatever follows.
inline const QByteArray Header("\0\1\0\0Standard Jet DB\0", 20);

// The lots of jet4/Vin.mdb as TestCellar::lots() shows them.
inline const QStringList Jet4Lots = {
    "Château Margaux|Bordeaux|1998|Rouge|12|12.5",
    "Château Margaux|Bordeaux|1998|Rouge|6|14",
    "Pouilly-Fumé|Loire|2000|Blanc|6|<null>",
    "Échézeaux|Bourgogne|2005|Rouge|3|1234.5678",
    "Chablis|Bourgogne|2010|Blanc|24|0.1",
    "CHABLIS|bourgogne|2011|Blanc|2|9.99",
    "Clos \"Les Perrières\"|Bourgogne|1999|Blanc|1|45",
    "L'Étoile|Jura|1850|Jaune|1|<null>",
    "Tavel|Rhône|2019|Rosé|12|8.75",
    "Côtes-du-Rhône « Villages »|Rhône|1995|Rosé|4|6",
    "Un nom de trente caractères !!|Languedoc|2015|Rouge|7|5.5",
};

} // namespace JetFixtures
