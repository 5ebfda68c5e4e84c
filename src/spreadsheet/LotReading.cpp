// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/LotReading.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "database/Lot.h"
#include "spreadsheet/FrenchValues.h"

#include <QRegularExpression>
#include <algorithm>

namespace LotReading {

namespace {

using FrenchValues::State;

// Lower case, no accents, words apart: « Prix Unit. » is "prix unit", « Jusqu'à » "jusqu a".
QString normalised(const QString& heading) {
    QString folded;
    for (const QChar c : heading.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c.isLetterOrNumber() ? c.toLower() : u' ';
    return folded.simplified();
}

struct Heading {
    Field field;
    bool second;
    const char* names; // normalised, "|" between them, in order of preference
};
// The producer comes before the wine's own name, the location before the bin.
const Heading Headings[] = {
    {Field::Nom, false, "domaine|chateau|producteur|producer|winery|proprietaire|vigneron"},
    {Field::Nom, true, "nom|vin|nom du vin|wine|wine name|cuvee|designation"},
    {Field::Type, false, "type|appellation|aoc|region|sous region|wine region"},
    {Field::Annee, false, "annee|millesime|vintage|year"},
    {Field::Couleur, false, "couleur|color|colour|wine type|type de vin"},
    {Field::Quantite, false,
     "quantite|qte|nb|nombre|bouteilles|nb bouteilles|nombre de bouteilles|quantity|qty|user cellar count"},
    {Field::Prix, false, "prix|prix unitaire|prix unit|prix d achat|price|unit price|purchase price"},
    {Field::BoireDes, false,
     "a boire|a boire de|a boire a partir de|a boire des|boire de|apogee|garde|beginconsume|begin consume|"
     "drinking window|drink from"},
    {Field::BoireJusqua, false,
     "jusqu a|a boire jusqu a|boire jusqu a|endconsume|end consume|drink until|drink to"},
    {Field::Emplacement, false, "emplacement|location|cave|lieu|rangement"},
    {Field::Emplacement, true, "casier|bin|rangee|etagere|case"},
    {Field::Note, false,
     "note|notes|commentaire|commentaires|remarque|remarques|personal note|tasting notes|comment"},
    {Field::Appreciation, false, "appreciation|etoiles|rating|my rating|your rating|personal rating"}};

struct ColourName {
    const char* colour;
    const char* names;
};
// Sparkling, sweet and fortified wines have no colour of their own in the cellar: the usual one.
const ColourName ColourNames[] = {
    {"Rouge", "rouge|red|red wine|rot|tinto|rosso|fortified|fortified wine|porto|port"},
    {"Blanc", "blanc|white|white wine|weiss|blanco|bianco|sparkling|sparkling wine|effervescent|petillant|"
              "mousseux|champagne|cremant|dessert|dessert wine|sweet|liquoreux|moelleux"},
    {"Rosé", "rose|rose wine|pink|rosado|rosato"}};

bool among(const QString& name, const char* names) {
    return QString::fromUtf8(names).split(u'|').contains(name);
}

QVariant cellAt(const QVariantList& cells, int column) {
    return column >= 0 && column < cells.size() ? cells.at(column) : QVariant();
}

QString textAt(const QVariantList& cells, int column) {
    return FrenchValues::text(cellAt(cells, column));
}

QString joined(const QVariantList& cells, const Source& source, const QString& between) {
    const QString first = textAt(cells, source.first), second = textAt(cells, source.second);
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + between + second;
}

// Whether `text` starts with the word(s) `start`, compared as the cellar compares names.
bool beginsWith(const QString& text, const QString& start) {
    return text.size() >= start.size() && FrenchCollation::equal(text.left(start.size()), start) &&
           (text.size() == start.size() || !text.at(start.size()).isLetterOrNumber());
}

// « Krug » and « Krug Grande Cuvée »: a wine's name that already says who made it is taken alone.
QString nameOf(const QVariantList& cells, const Source& source) {
    const QString producer = textAt(cells, source.first), wine = textAt(cells, source.second);
    if (!producer.isEmpty() && beginsWith(wine, producer))
        return wine;
    return joined(cells, source, QStringLiteral(" "));
}

// The first column given that holds something: the most precise place the file names.
QString typeOf(const QVariantList& cells, const Source& source, Origin origin) {
    for (const int column : {source.first, source.second, source.third}) {
        const QString text = textAt(cells, column);
        // The web service writes « Unknown » where it knows no appellation or region.
        if (!text.isEmpty() && !(origin == Origin::WebService && text == u"Unknown"))
            return text;
    }
    return {};
}

// The web service's own code for no drinking window.
FrenchValues::Window windowAt(const QVariantList& cells, int column, Origin origin) {
    const QVariant cell = cellAt(cells, column);
    if (origin == Origin::WebService) {
        const FrenchValues::Number year = FrenchValues::whole(cell);
        if (year.state == State::Read && year.value == 9999)
            return {};
    }
    return FrenchValues::drinkingWindow(cell);
}

int columnOf(const QStringList& normalisedHeadings, const char* name) {
    return static_cast<int>(normalisedHeadings.indexOf(QString::fromLatin1(name)));
}

// The web service's export, each column where its owners mean it.
Mapping webServiceMapping(const QStringList& n) {
    Mapping m;
    m.origin = Origin::WebService;
    m[Field::Nom] = {columnOf(n, "producer"), columnOf(n, "wine")};
    m[Field::Type] = {columnOf(n, "appellation"), columnOf(n, "subregion"), columnOf(n, "region")};
    m[Field::Annee].first = columnOf(n, "vintage");
    m[Field::Couleur].first = columnOf(n, "color");
    m[Field::Quantite].first = columnOf(n, "quantity");
    m[Field::Prix].first = columnOf(n, "price");
    m[Field::BoireDes].first = columnOf(n, "beginconsume");
    m[Field::BoireJusqua].first = columnOf(n, "endconsume");
    m[Field::Emplacement] = {columnOf(n, "location"), columnOf(n, "bin")};
    if (m[Field::Nom].first < 0)
        std::swap(m[Field::Nom].first, m[Field::Nom].second);
    return m;
}

QVariant nullIfEmpty(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

QString fieldName(Field field) {
    static const char* const names[FieldCount] = {
        "Nom",         "Type",          "Année",       "Couleur",
        "Quantité",    "Prix unitaire", "À boire de",  "À boire jusqu'à",
        "Emplacement", "Note",          "Appréciation"};
    return QString::fromUtf8(names[static_cast<int>(field)]);
}

int columnsOf(Field field) {
    if (field == Field::Type)
        return 3;
    return field == Field::Nom || field == Field::Emplacement ? 2 : 1;
}

bool Mapping::uses(int column) const {
    return std::any_of(sources.begin(), sources.end(), [column](const Source& s) {
        return s.first == column || s.second == column || s.third == column;
    });
}

Mapping propose(const QStringList& headings) {
    QStringList names;
    for (const QString& heading : headings)
        names << normalised(heading);
    if (names.contains(u"iwine") && names.contains(u"wine") && names.contains(u"vintage"))
        return webServiceMapping(names);
    Mapping mapping;
    if (names.contains(u"scan date") || names.contains(u"scan review location"))
        mapping.origin = Origin::ScanHistory;
    QList<int> taken;
    for (const Heading& heading : Headings) {
        int& slot = heading.second ? mapping[heading.field].second : mapping[heading.field].first;
        for (const QString& name : QString::fromUtf8(heading.names).split(u'|')) {
            for (int column = 0; column < headings.size() && slot < 0; ++column)
                if (!taken.contains(column) && names.at(column) == name) {
                    slot = column;
                    taken << column;
                }
        }
    }
    // A name alone, without a producer, is the first column of the name.
    for (const Field f : {Field::Nom, Field::Emplacement}) {
        Source& s = mapping[f];
        if (s.first < 0)
            std::swap(s.first, s.second);
    }
    // An appellation may be missing on some rows: then the sub-region, else the region.
    Source& type = mapping[Field::Type];
    if (type.first >= 0 && among(names.at(type.first), "appellation|aoc")) {
        int* fallback = &type.second;
        for (const char* place : {"sous region|subregion", "region|wine region"})
            for (int column = 0; column < names.size(); ++column)
                if (!taken.contains(column) && among(names.at(column), place) && *fallback < 0) {
                    *fallback = column;
                    taken << column;
                    fallback = &type.third;
                }
    }
    return mapping;
}

QString describe(Fault fault) {
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::Name:
        return QStringLiteral("sans nom");
    case Fault::Type:
        return QStringLiteral("sans type");
    case Fault::Year:
        return QStringLiteral("année absente, illisible ou hors de 1000 à l'année en cours");
    case Fault::NonVintage:
        return QStringLiteral("sans millésime");
    case Fault::Colour:
        return QStringLiteral("sans couleur");
    case Fault::Quantity:
        return QStringLiteral(
            "quantité absente, nulle, négative ou qui n'est pas un nombre entier de bouteilles");
    case Fault::Price:
        return QStringLiteral("prix négatif, illisible ou au-delà de %1").arg(LotRules::mostPriceText());
    case Fault::TooLong:
        return QStringLiteral("nom de plus de %1 caractères, type de plus de %2 ou couleur de plus de %3")
            .arg(LotRules::NameWidth)
            .arg(LotRules::TypeWidth)
            .arg(LotRules::ColourWidth);
    case Fault::DrinkingWindow:
        return QStringLiteral("années « À boire » illisibles, à l'envers ou avant le millésime");
    case Fault::Place:
        return QStringLiteral("emplacement de plus de %1 caractères").arg(LotRules::PlaceWidth);
    case Fault::Note:
        return QStringLiteral("note de plus de %1 caractères").arg(LotRules::NoteWidth);
    case Fault::Rating:
        return QStringLiteral("appréciation qui n'est pas un nombre entier de 0 à 5");
    }
    return {};
}

QString proposeColour(const QString& written, const QStringList& cellarColours) {
    for (const QString& colour : cellarColours)
        if (colour.compare(written, Qt::CaseInsensitive) == 0)
            return colour;
    const QString name = normalised(written);
    for (const ColourName& colour : ColourNames)
        if (among(name, colour.names)) {
            const QString label = QString::fromUtf8(colour.colour);
            return cellarColours.contains(label) ? label : written;
        }
    return written;
}

namespace {

// The details as the cells give them: a year, a window or a rating that cannot be read is refused here, the
// rest by the lot's rules.
Fault readDetails(const QVariantList& cells, const Mapping& mapping, LotDetails& details) {
    const FrenchValues::Window from = windowAt(cells, mapping[Field::BoireDes].first, mapping.origin);
    const FrenchValues::Window until = windowAt(cells, mapping[Field::BoireJusqua].first, mapping.origin);
    if (from.state == State::Unreadable || until.state == State::Unreadable)
        return Fault::DrinkingWindow;
    // One column may hold the whole window; a column of its own for the end has the last word.
    details.boireDes = from.from;
    details.boireJusqua = until.state == State::Read ? (until.until ? until.until : until.from) : from.until;
    details.emplacement = joined(cells, mapping[Field::Emplacement], QStringLiteral(", "));
    details.note = FrenchValues::text(cellAt(cells, mapping[Field::Note].first));
    const FrenchValues::Number rating =
        FrenchValues::whole(cellAt(cells, mapping[Field::Appreciation].first));
    if (rating.state == State::Read)
        // Out of range is refused by the rules, whatever its size.
        details.appreciation = rating.value >= 0 && rating.value <= LotRules::MostStars
                                   ? static_cast<int>(rating.value)
                                   : LotRules::MostStars + 1;
    return rating.state == State::Unreadable ? Fault::Rating : Fault::None;
}

} // namespace

Lot read(const QVariantList& cells, const Mapping& mapping, const Colours& colours, int currentYear) {
    Lot lot;
    const bool webService = mapping.origin == Origin::WebService;
    const QString nom = nameOf(cells, mapping[Field::Nom]);
    const QString type = typeOf(cells, mapping[Field::Type], mapping.origin);
    lot.colourAsWritten = textAt(cells, mapping[Field::Couleur].first);
    const QString couleur = colours.value(lot.colourAsWritten, lot.colourAsWritten);
    FrenchValues::Vintage year = FrenchValues::vintage(cellAt(cells, mapping[Field::Annee].first));
    lot.withoutVintage = year.nonVintage || (webService && year.state == State::Read && year.year == 1001);
    if (lot.withoutVintage)
        year = mapping.yearWithoutVintage > 0
                   ? FrenchValues::Vintage{State::Read, mapping.yearWithoutVintage, false}
                   : FrenchValues::Vintage{State::Unreadable, 0, true};
    const FrenchValues::Number quantity =
        mapping[Field::Quantite].first < 0
            ? FrenchValues::Number{State::Read, 1}
            : FrenchValues::whole(cellAt(cells, mapping[Field::Quantite].first));
    const FrenchValues::Number price = FrenchValues::number(cellAt(cells, mapping[Field::Prix].first));

    QVariant priceValue;
    if (price.state == State::Read && webService && price.value == 0)
        priceValue = QVariant();
    else if (price.state == State::Read)
        priceValue = price.value;
    else if (price.state == State::Unreadable)
        priceValue = FrenchValues::text(cellAt(cells, mapping[Field::Prix].first));
    lot.lot.values = {nullIfEmpty(nom),
                      nullIfEmpty(type),
                      year.state == State::Read ? QVariant(year.year) : QVariant(),
                      nullIfEmpty(couleur),
                      quantity.state == State::Read ? QVariant(static_cast<qlonglong>(quantity.value))
                                                    : QVariant(),
                      priceValue};
    lot.fault = LotRules::check(lot.lot.values, currentYear);
    if (lot.fault == Fault::Year && lot.withoutVintage)
        lot.fault = Fault::NonVintage;
    if (lot.fault != Fault::None)
        return lot;
    LotDetails details;
    const Fault unread = readDetails(cells, mapping, details);
    lot.fault = unread == Fault::DrinkingWindow ? unread : LotRules::checkDetails(details, year.year);
    if (lot.fault == Fault::None)
        lot.fault = unread;
    // Kept when refused too, for the preview to show what was read.
    if (!details.isEmpty())
        lot.lot.detailValues = details.values();
    return lot;
}

} // namespace LotReading
