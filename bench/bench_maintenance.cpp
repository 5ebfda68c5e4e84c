// SPDX-License-Identifier: GPL-3.0-or-later
// The cellar's files: moving 100,000 lots, and importing an earlier version's 10,000 lots, each against the
// same work done by the plainest means with the same durability.
#include "BenchMain.h"
#include "legacy/LegacyImport.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <fcntl.h>
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

QString freshCellar(const QTemporaryDir& work, int n) {
    const QString path = work.path() + QStringLiteral("/cave%1.dat").arg(n);
    QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// The whole import, from the helper's start to the lots written, into a fresh copy of the delivered cellar.
void ImportJet10000_ours(benchmark::State& state) {
    QTemporaryDir work;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString cellar = freshCellar(work, ++n);
        state.ResumeTiming();
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
    QTemporaryDir work;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString cellar = freshCellar(work, ++n);
        state.ResumeTiming();
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

} // namespace

BENCH_PAIR(MoveDatabase100k, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCH_PAIR(ImportJet10000, ->Unit(benchmark::kMillisecond)->UseRealTime());
