// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetImport.h"

#include "database/CellarQueries.h"
#include "spreadsheet/FrenchValues.h"
#include "storage/CsvWriter.h"

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
    const Status read = eachLot(reader, settings, progress, cancelled,
                                [&](qint64 number, const QVariantList& cells, const LotReading::Lot& lot) {
                                    if (lot.fault != LotReading::Fault::None) {
                                        ++r.refused[static_cast<size_t>(lot.fault)];
                                        if (r.shown.size() < ShownRefusals)
                                            r.shown.push_back({number, lot.fault, texts(cells)});
                                        return true;
                                    }
                                    ++r.valid;
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
    return Cancellable<Review>(std::move(r));
}

Result<Cancellable<qint64>> exportRefused(SheetReader& reader, const Settings& settings, QIODevice& out,
                                          const Progress& progress) {
    CsvWriter csv(out);
    csv.row(
        {QStringLiteral("Ligne"), QStringLiteral("Motif du refus"), QStringLiteral("Contenu de la ligne…")});
    bool cancelled = false;
    qint64 rows = 0;
    const Status read = eachLot(reader, settings, progress, cancelled,
                                [&](qint64 number, const QVariantList& cells, const LotReading::Lot& lot) {
                                    if (lot.fault == LotReading::Fault::None)
                                        return true;
                                    QVariantList line{number, LotReading::describe(lot.fault)};
                                    for (const QString& cell : texts(cells))
                                        line << cell;
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
    bool cancelled = false;
    Status unread; // the table's
    const Status written = link.write([&](DataLink& l) {
        return CellarQueries::append(
            l, Journal::Kind::Import, [&](CellarQueries::Appender& appender) -> Status {
                Status failure;
                unread = eachLot(reader, settings, progress, cancelled,
                                 [&](qint64, const QVariantList&, const LotReading::Lot& lot) {
                                     if (lot.fault != LotReading::Fault::None) {
                                         ++refused;
                                         return true;
                                     }
                                     ++added;
                                     failure = appender.add(lot.lot);
                                     return !failure;
                                 });
                if (failure)
                    return failure;
                if (!unread && !cancelled && (added != reviewed.valid || refused != reviewed.refusedTotal()))
                    unread = unreadable(
                        QStringLiteral("il a changé depuis la vérification ; vérifiez-le à nouveau"));
                if (cancelled || unread)
                    return Stopped;
                return Status();
            });
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
