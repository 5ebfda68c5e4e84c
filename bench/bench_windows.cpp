// SPDX-License-Identifier: GPL-3.0-or-later
// The working windows on a cellar of 100,000 lots, each against the same work done by plain SQLite with
// the built-in NOCASE collation on the same file.
#include "BenchMain.h"
#include "consumption/Consommation.h"
#include "purchases/Saisie.h"
#include "ui/Services.h"
#include "view/CellarModel.h"
#include "view/Visualisation.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

constexpr int Lots = 100000;
constexpr int Names = 10000;

// Plain SQLite: open, run each statement reading every row (or `limit` rows), close.
struct Plain {
    explicit Plain(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    }
    ~Plain() { sqlite3_close(db); }
    size_t rows(const char* sql, std::vector<std::string> params = {}, int limit = -1) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(st, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::string> out;
        while ((limit < 0 || static_cast<int>(out.size()) < limit) && sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = sqlite3_column_text(st, c);
                out.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
            }
        sqlite3_finalize(st);
        return out.size();
    }
    void exec(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

struct Fixture {
    Fixture(const char* name) : path(Bench::copyOf(Bench::cellar(Lots, Names), QString::fromLatin1(name))) {
        globals.CheminBase = path.left(path.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral("sub/");
        QDir().mkpath(globals.CheminBase);
        QFile::remove(globals.databasePath());
        QFile::rename(path, globals.databasePath());
        path = globals.databasePath();
        services.setScripted(true);
    }
    QString path;
    Globals globals;
    Services services;
};

void OpenPurchase_ours(benchmark::State& state) {
    Fixture f("open-purchase.dat");
    for (auto _ : state) {
        Saisie window(f.globals, f.services);
        benchmark::DoNotOptimize(window.findChild<QComboBox*>("ListeType")->count());
    }
}
BENCHMARK(OpenPurchase_ours)->Name("OpenPurchaseWindow100k/ours")->Unit(benchmark::kMillisecond);

void OpenPurchase_baseline(benchmark::State& state) {
    Fixture f("open-purchase-plain.dat");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.rows("SELECT LIBELLE FROM COULEUR");
        benchmark::DoNotOptimize(plain.rows("SELECT TYPE FROM ORNY GROUP BY TYPE COLLATE NOCASE"));
    }
}
BENCHMARK(OpenPurchase_baseline)->Name("OpenPurchaseWindow100k/baseline")->Unit(benchmark::kMillisecond);

void RecordPurchase_ours(benchmark::State& state) {
    Fixture f("record-purchase.dat");
    DataLink link(f.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CellarQueries::addLot(link, {QStringLiteral("Margaux"), QStringLiteral("Bordeaux"), 1998,
                                         QStringLiteral("Rouge"), 6, 12.5}));
        link.close();
    }
}
BENCHMARK(RecordPurchase_ours)->Name("RecordPurchase100k/ours")->Unit(benchmark::kMillisecond);

void RecordPurchase_baseline(benchmark::State& state) {
    Fixture f("record-purchase-plain.dat");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.exec(
            "BEGIN IMMEDIATE; INSERT INTO ORNY VALUES ('Margaux', 'Bordeaux', 1998, 'Rouge', 6, 12.5); "
            "COMMIT");
    }
}
BENCHMARK(RecordPurchase_baseline)->Name("RecordPurchase100k/baseline")->Unit(benchmark::kMillisecond);

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void Cascade_ours(benchmark::State& state) {
    Fixture f("cascade.dat");
    for (auto _ : state) {
        Consommation window(f.globals, f.services);
        for (const char* name : {"ListeNom", "ListeType", "ListeAnnee", "ListeCouleur"})
            choose(window.findChild<QComboBox*>(name), 0);
        benchmark::DoNotOptimize(window.findChild<QLineEdit*>("QuantiteEnStock")->text());
    }
}
BENCHMARK(Cascade_ours)->Name("ConsumptionCascade100k/ours")->Unit(benchmark::kMillisecond);

void Cascade_baseline(benchmark::State& state) {
    Fixture f("cascade-plain.dat");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.rows("SELECT NOM FROM ORNY GROUP BY NOM COLLATE NOCASE");
        const std::string nom = "Abbaye 7";
        plain.rows("SELECT TYPE FROM ORNY WHERE NOM = ?1 COLLATE NOCASE GROUP BY TYPE COLLATE NOCASE", {nom});
        plain.rows("SELECT ANNEE FROM ORNY WHERE NOM = ?1 COLLATE NOCASE AND TYPE = ?2 COLLATE NOCASE GROUP "
                   "BY ANNEE",
                   {nom, "Bordeaux"});
        plain.rows("SELECT COULEUR FROM ORNY WHERE NOM = ?1 COLLATE NOCASE AND TYPE = ?2 COLLATE NOCASE AND "
                   "ANNEE = 1990 GROUP BY COULEUR COLLATE NOCASE",
                   {nom, "Bordeaux"});
        benchmark::DoNotOptimize(
            plain.rows("SELECT QUANTITE FROM ORNY WHERE NOM = ?1 COLLATE NOCASE AND TYPE = ?2 "
                       "COLLATE NOCASE AND ANNEE = 1990 AND COULEUR = ?3 COLLATE NOCASE",
                       {nom, "Bordeaux", "Rouge"}));
    }
}
BENCHMARK(Cascade_baseline)->Name("ConsumptionCascade100k/baseline")->Unit(benchmark::kMillisecond);

void RecordConsumption_ours(benchmark::State& state) {
    Fixture f("record-consumption.dat");
    DataLink link(f.path);
    if (link.execute(
            QStringLiteral("INSERT INTO ORNY VALUES ('Cible', 'Bordeaux', 1998, 'Rouge', 1000000, 1)")))
        state.SkipWithError("cellar not writable");
    qlonglong stock = 1000000;
    for (auto _ : state) {
        CellarQueries::consume(
            link, {QStringLiteral("Cible"), QStringLiteral("Bordeaux"), 1998, QStringLiteral("Rouge")}, stock,
            1);
        link.close();
        --stock;
    }
}
BENCHMARK(RecordConsumption_ours)->Name("RecordConsumption100k/ours")->Unit(benchmark::kMillisecond);

void RecordConsumption_baseline(benchmark::State& state) {
    Fixture f("record-consumption-plain.dat");
    Plain(f.path).exec("INSERT INTO ORNY VALUES ('Cible', 'Bordeaux', 1998, 'Rouge', 1000000, 1)");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.exec(
            "BEGIN IMMEDIATE; UPDATE ORNY SET QUANTITE = QUANTITE - 1 WHERE rowid = (SELECT rowid FROM ORNY "
            "WHERE NOM = 'Cible' COLLATE NOCASE AND TYPE = 'Bordeaux' COLLATE NOCASE AND ANNEE = 1998 AND "
            "COULEUR = 'Rouge' COLLATE NOCASE LIMIT 1); COMMIT");
    }
}
BENCHMARK(RecordConsumption_baseline)->Name("RecordConsumption100k/baseline")->Unit(benchmark::kMillisecond);

long residentKilobytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    return statm.readAll().split(' ').value(1).toLong() * 4;
}

void OpenView_ours(benchmark::State& state) {
    Fixture f("open-view.dat");
    long growth = 0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        Visualisation window(f.globals, f.services);
        benchmark::DoNotOptimize(window.model()->rowCount());
        growth = std::max(growth, residentKilobytes() - before);
    }
    state.counters["memory_growth_MB"] = static_cast<double>(growth) / 1024.0;
}
BENCHMARK(OpenView_ours)->Name("OpenView100k/ours")->Unit(benchmark::kMillisecond);

const char* const PlainView =
    "SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * QUANTITE "
    "FROM ORNY ORDER BY TYPE COLLATE NOCASE, COULEUR COLLATE NOCASE, ANNEE";

void OpenView_baseline(benchmark::State& state) {
    Fixture f("open-view-plain.dat");
    Plain(f.path).exec("DROP INDEX ORNY_NOM; DROP INDEX ORNY_TYPE");
    for (auto _ : state) {
        Plain plain(f.path);
        benchmark::DoNotOptimize(plain.rows(PlainView, {}, CellarModel::BatchSize));
    }
}
BENCHMARK(OpenView_baseline)->Name("OpenView100k/baseline")->Unit(benchmark::kMillisecond);

void ChangeView_ours(benchmark::State& state) {
    Fixture f("change-view.dat");
    Visualisation window(f.globals, f.services);
    for (auto _ : state) {
        window.Rouge_Click();
        benchmark::DoNotOptimize(window.model()->rowCount());
    }
}
BENCHMARK(ChangeView_ours)->Name("ChangeView100k/ours")->Unit(benchmark::kMillisecond);

void ChangeView_baseline(benchmark::State& state) {
    Fixture f("change-view-plain.dat");
    Plain(f.path).exec("DROP INDEX ORNY_NOM; DROP INDEX ORNY_TYPE");
    for (auto _ : state) {
        Plain plain(f.path);
        benchmark::DoNotOptimize(
            plain.rows("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE "
                       "* QUANTITE FROM ORNY WHERE COULEUR = 'Rouge' COLLATE NOCASE ORDER BY "
                       "TYPE COLLATE NOCASE, COULEUR COLLATE NOCASE, ANNEE",
                       {}, CellarModel::BatchSize));
    }
}
BENCHMARK(ChangeView_baseline)->Name("ChangeView100k/baseline")->Unit(benchmark::kMillisecond);

} // namespace
