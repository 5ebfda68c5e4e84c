// SPDX-License-Identifier: GPL-3.0-or-later
// The cellar's files: moving 100,000 lots, and importing an earlier version's 10,000 lots, each against the
// same work done by the plainest means with the same durability.
#include "BenchMain.h"
#include "FreshCellars.h"
#include "database/CellarQueries.h"
#include "database/Journal.h"
#include "legacy/LegacyImport.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace {

void syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The whole move, its record, lock, copy, comparison, settings and deletion included.
void MoveDatabase100k_ours(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    QTemporaryDir work;
    FileSystem files;
    int n = 0;
    QString base = work.path() + QStringLiteral("/depart/");
    QDir().mkpath(base);
    QFile::copy(cellar.path, base + QStringLiteral("Orny02.dat"));
    for (auto _ : state) {
        const QString next = work.path() + QStringLiteral("/cave%1").arg(++n);
        const auto result = DatabaseMove(files, work.path() + QStringLiteral("/")).run(base, next);
        if (!result.ok())
            state.SkipWithError("the move failed");
        base = result->newBase;
    }
}

// cp and sync: a new folder, the file copied and flushed, the old one deleted, both folders flushed.
void MoveDatabase100k_baseline(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    QTemporaryDir work;
    int n = 0;
    QString current = work.path() + QStringLiteral("/depart/Orny02.dat");
    QDir().mkpath(work.path() + QStringLiteral("/depart"));
    QFile::copy(cellar.path, current);
    for (auto _ : state) {
        const QString folder = work.path() + QStringLiteral("/copie%1").arg(++n);
        QDir().mkdir(folder);
        const QString next = folder + QStringLiteral("/Orny02.dat");
        QFile::copy(current, next);
        syncPath(next, O_RDONLY);
        QFile::remove(current);
        syncPath(folder, O_RDONLY | O_DIRECTORY);
        current = next;
    }
}

const QString TenThousand = QStringLiteral(BROVANE_TEST_DATA "/jet/jet4-10000/Vin.mdb");
const QString Helper = QStringLiteral(BROVANE_PROGRAM_DIR "/brovane-lecteur-jet");

// The whole import, from the helper's start to the lots written, into a fresh copy of the delivered cellar.
void ImportJet10000_ours(benchmark::State& state) {
    Bench::FreshCellars cellars;
    for (auto _ : state) {
        const QString cellar = cellars.next(state);
        const Bench::PeakMemory memory;
        const auto result = LegacyImport::run(Helper, TenThousand, cellar);
        if (result.added != 10000)
            state.SkipWithError("the import failed");
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// mdb-export piped to SQLite: its INSERT statements run in one transaction, durably, on the same cellar
// with its indexes.
void ImportJet10000_baseline(benchmark::State& state) {
    Bench::FreshCellars cellars;
    for (auto _ : state) {
        const QString cellar = cellars.next(state);
        const Bench::PeakMemory memory;
        QProcess process;
        process.start(QStringLiteral("mdb-export"),
                      {QStringLiteral("-I"), QStringLiteral("sqlite"), TenThousand, QStringLiteral("ORNY")});
        process.waitForFinished(60000);
        const QByteArray sql = "BEGIN IMMEDIATE;" + process.readAllStandardOutput() + "COMMIT;";
        sqlite3* db = nullptr;
        sqlite3_open_v2(cellar.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError("the plain import failed");
        sqlite3_close(db);
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// A cellar holding one import of `lots` lots, journalled as the program journals it, made once per size.
const QString& importedCellar(int lots) {
    struct Made {
        QTemporaryDir dir;
        QString path;
    };
    static std::map<int, std::unique_ptr<Made>> made;
    auto& slot = made[lots];
    if (slot)
        return slot->path;
    slot = std::make_unique<Made>();
    const QString path = slot->path = slot->dir.path() + QStringLiteral("/Orny02.dat");
    QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    DataLink link(path);
    const Status filled = link.write([&](DataLink& w) {
        return CellarQueries::append(w, Journal::Kind::Import, [&](CellarQueries::Appender& a) -> Status {
            for (int i = 0; i < lots; ++i)
                if (Status e = a.add({QStringLiteral("Domaine %1").arg(i % 5000), QStringLiteral("Loire"),
                                      1950 + i % 75, QStringLiteral("Rouge"), 1 + i % 24,
                                      i % 10 ? std::optional<double>(5.0 + i % 300) : std::nullopt}))
                    return e;
            return std::nullopt;
        });
    });
    if (filled)
        qFatal("%s", qPrintable(filled->text()));
    return slot->path;
}

// A fresh copy of that cellar for one run, made while the clock is stopped.
QString undoCopy(benchmark::State& state, const QTemporaryDir& work) {
    state.PauseTiming();
    const QString path = work.path() + QStringLiteral("/cave.dat");
    QFile::remove(path);
    QFile::copy(importedCellar(static_cast<int>(state.range(0))), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    state.ResumeTiming();
    return path;
}

// The undo as the program runs it: the last operation found again, every lot checked, then put back, with
// the progress function the window gives it.
void UndoImport_ours(benchmark::State& state) {
    QTemporaryDir work;
    for (auto _ : state) {
        const QString path = undoCopy(state, work);
        Bench::PeakMemory memory;
        DataLink link(path);
        bool changed = false;
        int ticks = 0;
        link.setProgress([&] { return ++ticks > 0; });
        const Status status = link.write([&](DataLink& l) -> Status {
            std::optional<Journal::Undoable> last;
            if (Status s = Journal::lastUndoable(l, last))
                return s;
            return Journal::undo(l, last->group, changed);
        });
        if (status || changed)
            state.SkipWithError("the undo failed");
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// The same deletes and journal rows, in one transaction, by plain statements with the same durability.
void UndoImport_baseline(benchmark::State& state) {
    QTemporaryDir work;
    for (auto _ : state) {
        const QString path = undoCopy(state, work);
        Bench::PeakMemory memory;
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const int rc = sqlite3_exec(
            db,
            "PRAGMA synchronous = FULL; PRAGMA journal_mode = DELETE; BEGIN IMMEDIATE;"
            "INSERT INTO MOUVEMENT (ID, QUAND, NATURE, GROUPE, LOT, LOT_AVANT, NOM_AVANT, TYPE_AVANT, "
            "ANNEE_AVANT, "
            "COULEUR_AVANT, QUANTITE_AVANT, PRIXUNITAIRE_AVANT, DETAIL_AVANT, LOT_APRES, BOUTEILLES, ANNULE) "
            "SELECT (SELECT MAX(ID) FROM MOUVEMENT) + ROW_NUMBER() OVER (ORDER BY ID DESC), '2026-01-01 "
            "00:00:00', "
            "'annulation', (SELECT MAX(ID) + 1 FROM MOUVEMENT), LOT, 1, NOM_APRES, TYPE_APRES, ANNEE_APRES, "
            "COULEUR_APRES, QUANTITE_APRES, PRIXUNITAIRE_APRES, DETAIL_APRES, 0, -QUANTITE_APRES, ID FROM "
            "MOUVEMENT WHERE GROUPE = 1 ORDER BY ID DESC;"
            "DELETE FROM ORNY WHERE rowid IN (SELECT LOT FROM MOUVEMENT WHERE GROUPE = 1);"
            "UPDATE MOUVEMENT SET ANNULE_PAR = r.undo FROM (SELECT ID AS id, (SELECT MAX(ID) FROM MOUVEMENT "
            "WHERE "
            "GROUPE = 1) + ROW_NUMBER() OVER (ORDER BY ID DESC) AS undo FROM MOUVEMENT WHERE GROUPE = 1) AS "
            "r "
            "WHERE MOUVEMENT.ID = r.id;"
            "COMMIT;",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            state.SkipWithError("the plain undo failed");
        state.counters["peak_MB"] = memory.megabytes();
    }
}

} // namespace

BENCH_PAIR(MoveDatabase100k, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCH_PAIR(ImportJet10000, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCH_PAIR(
    UndoImport, ->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1));
