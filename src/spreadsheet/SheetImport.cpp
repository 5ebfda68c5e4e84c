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
QString eachLot(SheetReader& reader, const Settings& settings, const Progress& progress, bool& cancelled,
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
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return QStringLiteral("Colonne %1").arg(letters);
}

Sample sample(SheetReader& reader, int sheet, bool headings, int rows, const Progress& progress) {
    Sample s;
    bool first = headings;
    int columns = 0;
    const Waiting waiting(reader, progress, s.cancelled);
    s.problem = reader.read(sheet, [&](qint64 number, const QVariantList& cells, qint64, qint64) {
        if (first) {
            first = false;
            s.headings = texts(cells);
            return true;
        }
        s.rows.emplace_back(number, cells);
        columns = std::max(columns, static_cast<int>(cells.size()));
        return static_cast<int>(s.rows.size()) < rows;
    });
    for (int c = 0; c < std::max(columns, static_cast<int>(s.headings.size())); ++c) {
        if (c >= s.headings.size())
            s.headings << QString();
        if (s.headings.at(c).trimmed().isEmpty())
            s.headings[c] = columnName(c);
    }
    return s;
}

qint64 Review::refusedTotal() const {
    qint64 total = 0;
    for (const qint64 n : refused)
        total += n;
    return total;
}

Review review(SheetReader& reader, const Settings& settings, const Progress& progress) {
    Review r;
    r.problem = eachLot(reader, settings, progress, r.cancelled,
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
    return r;
}

QString exportRefused(SheetReader& reader, const Settings& settings, QIODevice& out,
                      const Progress& progress) {
    CsvWriter csv(out);
    csv.row(
        {QStringLiteral("Ligne"), QStringLiteral("Motif du refus"), QStringLiteral("Contenu de la ligne…")});
    bool cancelled = false;
    QString problem = eachLot(reader, settings, progress, cancelled,
                              [&](qint64 number, const QVariantList& cells, const LotReading::Lot& lot) {
                                  if (lot.fault == LotReading::Fault::None)
                                      return true;
                                  QVariantList line{number, LotReading::describe(lot.fault)};
                                  for (const QString& cell : texts(cells))
                                      line << cell;
                                  csv.row(line);
                                  return csv.ok();
                              });
    if (problem.isEmpty() && cancelled)
        problem = QStringLiteral("l'export a été annulé");
    if (problem.isEmpty() && !csv.ok())
        problem = QStringLiteral("le fichier n'a pas pu être écrit");
    return problem;
}

Result run(SheetReader& reader, const Settings& settings, const Review& reviewed, const QString& databasePath,
           const Progress& progress) {
    Result result;
    DataLink link(databasePath);
    if ((result.failure = link.open()))
        return result;
    qint64 refused = 0;
    const Status written = link.write([&](DataLink& l) {
        return CellarQueries::append(
            l, Journal::Kind::Import, [&](CellarQueries::Appender& appender) -> Status {
                Status failure;
                result.problem = eachLot(reader, settings, progress, result.cancelled,
                                         [&](qint64, const QVariantList&, const LotReading::Lot& lot) {
                                             if (lot.fault != LotReading::Fault::None) {
                                                 ++refused;
                                                 return true;
                                             }
                                             ++result.added;
                                             failure = appender.add(lot.lot);
                                             return !failure;
                                         });
                if (failure)
                    return failure;
                if (result.problem.isEmpty() && !result.cancelled &&
                    (result.added != reviewed.valid || refused != reviewed.refusedTotal()))
                    result.problem =
                        QStringLiteral("il a changé depuis la vérification ; vérifiez-le à nouveau");
                if (result.cancelled || !result.problem.isEmpty())
                    return Stopped;
                return Status();
            });
    });
    if (!written)
        return result;
    result.added = 0;
    if (result.problem.isEmpty() && !result.cancelled)
        result.failure = written;
    return result;
}

} // namespace SheetImport
