// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetImport.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "spreadsheet/CellarMatch.h"
#include "spreadsheet/FrenchValues.h"
#include "storage/CsvWriter.h"

#include <limits>
#include <map>

namespace SheetImport {

namespace {

// Tells the reader's progress to `progress` while it lives, `cancelled` set when the user cancels.
class Waiting {
public:
    Waiting(SheetReader& reader, const Progress& progress, bool& cancelled) : m_reader(reader) {
        if (progress)
            reader.setWaiting([&progress, &cancelled](qint64 done, qint64 total) {
                cancelled = !progress(done, total);
                return !cancelled;
            });
    }
    ~Waiting() { m_reader.setWaiting({}); }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

private:
    SheetReader& m_reader;
};

// The rows after the headings, each read as a lot.
Status eachLot(SheetReader& reader, const Settings& settings, const Progress& progress, bool& cancelled,
               const std::function<bool(qint64, const QVariantList&, const LotReading::Lot&)>& take) {
    bool headingsPassed = !settings.headings;
    cancelled = false;
    const Waiting waiting(reader, progress, cancelled);
    return reader.read(
        settings.sheet, [&](qint64 number, const QVariantList& cells, qint64 done, qint64 total) {
            if (!headingsPassed) {
                headingsPassed = true;
                return true;
            }
            if (progress && !progress(done, total)) {
                cancelled = true;
                return false;
            }
            return take(number, cells,
                        LotReading::read(cells, settings.mapping, settings.colours, settings.currentYear));
        });
}

QStringList texts(const QVariantList& cells) {
    QStringList out;
    for (const QVariant& cell : cells)
        out << FrenchValues::text(cell);
    return out;
}

const Failure Stopped{QStringLiteral("arrêt"), {}};

// Whether the cellar holds any lot: an empty one needs no comparison.
Status holdsLots(DataLink& link, bool& holds) {
    const DbRows rows = link.query(QStringLiteral("SELECT EXISTS (SELECT 1 FROM ORNY)"));
    holds = rows.ok() && !rows.rows.empty() && rows.rows.front().front().toBool();
    return rows.error;
}

Failure cellarUnread(const Failure& failure) {
    return Failure{QStringLiteral("la cave n'a pas pu être lue pour y chercher les mêmes vins"),
                   failure.text()};
}

} // namespace

QString columnName(int column) {
    return QStringLiteral("Colonne %1").arg(SheetReader::columnLetters(column));
}

Result<Cancellable<Sample>> sample(SheetReader& reader, int sheet, bool headings, int rows,
                                   const Progress& progress) {
    Sample s;
    bool first = headings;
    int columns = 0;
    bool cancelled = false;
    const Waiting waiting(reader, progress, cancelled);
    const Status read = reader.read(sheet, [&](qint64 number, const QVariantList& cells, qint64, qint64) {
        if (first) {
            first = false;
            s.headings = texts(cells);
            return true;
        }
        s.rows.emplace_back(number, cells);
        columns = std::max(columns, static_cast<int>(cells.size()));
        return static_cast<int>(s.rows.size()) < rows;
    });
    if (cancelled)
        return Cancellable<Sample>();
    if (read)
        return *read;
    for (int c = 0; c < std::max(columns, static_cast<int>(s.headings.size())); ++c) {
        if (c >= s.headings.size())
            s.headings << QString();
        if (s.headings.at(c).trimmed().isEmpty())
            s.headings[c] = columnName(c);
    }
    return Cancellable<Sample>(std::move(s));
}

qint64 Review::refusedTotal() const {
    qint64 total = 0;
    for (const qint64 n : refused)
        total += n;
    return total;
}

Result<Cancellable<Review>> review(SheetReader& reader, const Settings& settings, const Progress& progress) {
    Review r;
    bool cancelled = false;
    std::optional<DataLink> link;
    bool compare = false;
    if (!settings.cellar.isEmpty()) {
        link.emplace(settings.cellar);
        Status opened = link->open();
        if (!opened)
            opened = holdsLots(*link, compare);
        if (opened)
            return cellarUnread(*opened);
    }
    Status unread;
    const Status read =
        eachLot(reader, settings, progress, cancelled,
                [&](qint64 number, const QVariantList& cells, const LotReading::Lot& lot) {
                    if (r.notTaken.size() < static_cast<size_t>(cells.size()))
                        r.notTaken.resize(static_cast<size_t>(cells.size()));
                    for (int c = 0; c < cells.size(); ++c)
                        if (!settings.mapping.uses(c) && !FrenchValues::text(cells.at(c)).isEmpty())
                            ++r.notTaken[static_cast<size_t>(c)];
                    r.withoutVintage += lot.withoutVintage;
                    if (lot.fault != LotReading::Fault::None) {
                        ++r.refused[static_cast<size_t>(lot.fault)];
                        if (r.shown.size() < ShownRefusals)
                            r.shown.push_back({number, lot.fault, texts(cells)});
                        return true;
                    }
                    ++r.valid;
                    if (compare) {
                        std::optional<qint64> found;
                        unread = CellarMatch::sameWine(*link, lot.lot.values, found);
                        r.already += found.has_value();
                        if (unread)
                            return false;
                    }
                    if (auto it = r.colours.find(lot.colourAsWritten); it != r.colours.end())
                        ++*it;
                    else if (r.colours.size() < ListedColours)
                        r.colours.insert(lot.colourAsWritten, 1);
                    else
                        r.moreColours = true;
                    return true;
                });
    if (cancelled)
        return Cancellable<Review>();
    if (read)
        return *read;
    if (unread)
        return cellarUnread(*unread);
    return Cancellable<Review>(std::move(r));
}

Result<Cancellable<qint64>> exportRefused(SheetReader& reader, const Settings& settings, QIODevice& out,
                                          const Progress& progress) {
    CsvWriter csv(out);
    // The headings as the table wrote them, read apart: the rows' reading passes them.
    const Result<Cancellable<Sample>> first = sample(reader, settings.sheet, settings.headings, 1, progress);
    if (!first.ok())
        return first.failure();
    if (!first.value())
        return Cancellable<qint64>();
    const QStringList headings = settings.headings ? first.value()->headings : QStringList();
    if (!headings.isEmpty()) {
        QVariantList line(headings.begin(), headings.end());
        line << QStringLiteral("Motif du refus");
        csv.row(line);
    }
    bool cancelled = false;
    qint64 rows = 0;
    const Status read = eachLot(reader, settings, progress, cancelled,
                                [&](qint64, const QVariantList& cells, const LotReading::Lot& lot) {
                                    if (lot.fault == LotReading::Fault::None)
                                        return true;
                                    QVariantList line;
                                    for (const QString& cell : texts(cells))
                                        line << cell;
                                    // The reason in its own column, whatever the row's length.
                                    while (line.size() < headings.size())
                                        line << QString();
                                    line << LotReading::describe(lot.fault);
                                    csv.row(line);
                                    ++rows;
                                    return csv.ok();
                                });
    if (read)
        return *read;
    if (cancelled)
        return Cancellable<qint64>();
    if (!csv.ok())
        return Failure{QStringLiteral("le fichier n'a pas pu être écrit"), {}};
    return Cancellable<qint64>(rows);
}

Result<Cancellable<qint64>, Unwritten> run(SheetReader& reader, const Settings& settings,
                                           const Review& reviewed, const QString& databasePath,
                                           const Progress& progress) {
    DataLink link(databasePath);
    if (const Status opened = link.open())
        return Unwritten{Unwritten::By::Cellar, *opened};
    qint64 added = 0;
    qint64 refused = 0;
    qint64 already = 0;
    bool cancelled = false;
    Status unread; // the table's
    const Status written = link.write([&](DataLink& l) -> Status {
        // The lots there before the import: those it adds are not taken for ones already there.
        Journal::Next start;
        bool compare = false;
        if (Status status = Journal::ensureTables(l))
            return status;
        if (Status status = Journal::next(l, start))
            return status;
        if (!settings.cellar.isEmpty())
            if (Status status = holdsLots(l, compare))
                return status;
        // Bottles for lots already there, added once the new lots are in: their movements follow.
        std::map<qint64, qlonglong> bottles;
        const Status appended =
            CellarQueries::append(l, Journal::Kind::Import, [&](CellarQueries::Appender& appender) -> Status {
                Status failure;
                unread = eachLot(reader, settings, progress, cancelled,
                                 [&](qint64, const QVariantList&, const LotReading::Lot& lot) {
                                     if (lot.fault != LotReading::Fault::None) {
                                         ++refused;
                                         return true;
                                     }
                                     std::optional<qint64> found;
                                     if (compare && settings.duplicates != Duplicates::Add)
                                         failure = CellarMatch::sameWine(l, lot.lot.values, found, start.lot);
                                     if (failure)
                                         return false;
                                     if (found) {
                                         ++already;
                                         if (settings.duplicates == Duplicates::AddBottles) {
                                             qlonglong& sum = bottles[*found];
                                             const qlonglong more =
                                                 lot.lot.values.at(CellarSchema::Quantite).toLongLong();
                                             sum = sum > std::numeric_limits<qlonglong>::max() - more
                                                       ? std::numeric_limits<qlonglong>::max()
                                                       : sum + more;
                                         }
                                         return true;
                                     }
                                     ++added;
                                     failure = appender.add(lot.lot);
                                     return !failure;
                                 });
                if (failure)
                    return failure;
                if (!unread && !cancelled &&
                    (added + already != reviewed.valid || refused != reviewed.refusedTotal() ||
                     (settings.duplicates != Duplicates::Add && already != reviewed.already)))
                    unread = unreadable(
                        QStringLiteral("il a changé depuis la vérification ; vérifiez-le à nouveau"));
                if (cancelled || unread)
                    return Stopped;
                return Status();
            });
        if (appended)
            return appended;
        qint64 group = added > 0 ? start.movement : 0;
        for (const auto& [rowid, more] : bottles) {
            bool raised = false;
            if (Status status =
                    CellarQueries::addBottles(l, rowid, more, Journal::Kind::Import, group, raised))
                return status;
            if (!raised) {
                unread = unreadable(
                    QStringLiteral("un lot de la cave du même vin n'a pas une quantité entière qui puisse "
                                   "recevoir ses bouteilles ; choisissez de les ajouter comme lots à part"));
                return Stopped;
            }
        }
        return Status();
    });
    if (!written)
        return Cancellable<qint64>(added);
    if (cancelled)
        return Cancellable<qint64>();
    if (unread)
        return Unwritten{Unwritten::By::Table, *unread};
    return Unwritten{Unwritten::By::Cellar, *written};
}

} // namespace SheetImport
