// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window opening on 100,000 lots and 200,000 movements, against the same aggregate
// queries run by the sqlite3 shell on the same file (with the built-in NOCASE collation for French order).
#include "BenchMain.h"
#include "database/CellarSchema.h"
#include "statistics/Statistiques.h"
#include "ui/Services.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <sqlite3.h>

namespace {

constexpr int Lots = 100000;
constexpr int Movements = 200000;
const QDate Today(2026, 6, 15);

// The journal of five years of a cellar's life, and drinking windows for a third of its lots.
const QString& livedCellar() {
    static const QString path = [] {
        const QString file = Bench::copyOf(Bench::cellar(Lots, Lots / 10), QStringLiteral("statistics.dat"));
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const QString sql =
            CellarSchema::createAddedTablesSql() +
            QStringLiteral(
                "BEGIN;"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "INSERT INTO MOUVEMENT (ID, QUAND, NATURE, GROUPE, LOT, LOT_AVANT, LOT_APRES, NOM_AVANT, "
                "TYPE_AVANT, ANNEE_AVANT, COULEUR_AVANT, QUANTITE_AVANT, PRIXUNITAIRE_AVANT, NOM_APRES, "
                "TYPE_APRES, ANNEE_APRES, COULEUR_APRES, QUANTITE_APRES, PRIXUNITAIRE_APRES, BOUTEILLES, "
                "ANNULE_PAR) SELECT i, datetime('2021-06-15', '+' || (i * 1826 / %1) || ' days'), "
                "CASE i % 3 WHEN 0 THEN 'achat' WHEN 1 THEN 'consommation' ELSE 'import' END, i, 1 + i % %2, "
                "i % 3 = 1, 1, 'Vin', 'Loire', 2000 + i % 20, 'Rouge', CASE WHEN i % 3 = 1 THEN 6 END, "
                "CASE WHEN i % 3 = 1 THEN 12.5 END, 'Vin', 'Loire', 2000 + i % 20, 'Rouge', "
                "CASE WHEN i % 3 = 1 THEN 5 ELSE 6 END, 12.5, CASE WHEN i % 3 = 1 THEN -1 ELSE 6 END, "
                "CASE WHEN i % 97 = 0 THEN i END FROM n;"
                "INSERT INTO DETAIL (LOT, BOIRE_DES, BOIRE_JUSQUA) SELECT rowid, 2015 + rowid % 20, "
                "2022 + rowid % 25 FROM ORNY WHERE rowid % 3 = 0;"
                "COMMIT;")
                .arg(Movements)
                .arg(Lots);
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return file;
    }();
    return path;
}

// The window's statements, as a plain script: the view's totals for the cellar, by colour, type and year;
// the drinking windows over fifteen years; the journal summed by period, what it bought and drank, and
// what it changed in the value; the most valuable lots.
const char* const Script = R"(
SELECT COUNT(*), TOTAL(q * c), TOTAL(p * q * c), TOTAL(c AND p IS NULL), COUNT(*) - TOTAL(c) FROM (SELECT QUANTITE AS q, PRIXUNITAIRE AS p, IFNULL(QUANTITE >= 0 AND QUANTITE = CAST(QUANTITE AS INTEGER) AND (PRIXUNITAIRE IS NULL OR (PRIXUNITAIRE + 0 = PRIXUNITAIRE AND PRIXUNITAIRE >= 0)), 0) AS c FROM ORNY LIMIT -1);
CREATE TEMP VIEW lots AS SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE AS q, PRIXUNITAIRE AS p, IFNULL(QUANTITE >= 0 AND QUANTITE = CAST(QUANTITE AS INTEGER) AND (PRIXUNITAIRE IS NULL OR (PRIXUNITAIRE + 0 = PRIXUNITAIRE AND PRIXUNITAIRE >= 0)), 0) AS c FROM ORNY LIMIT -1;
SELECT k, SUM(n), TOTAL(b), TOTAL(v), TOTAL(sp), TOTAL(hn) FROM (SELECT COULEUR AS k, COUNT(*) AS n, TOTAL(q * c) AS b, TOTAL(p * q * c) AS v, TOTAL(c AND p IS NULL) AS sp, COUNT(*) - TOTAL(c) AS hn FROM lots GROUP BY k) GROUP BY k COLLATE NOCASE ORDER BY 3 DESC, 2 DESC, k COLLATE NOCASE LIMIT 16;
SELECT k, SUM(n), TOTAL(b), TOTAL(v), TOTAL(sp), TOTAL(hn) FROM (SELECT TYPE AS k, COUNT(*) AS n, TOTAL(q * c) AS b, TOTAL(p * q * c) AS v, TOTAL(c AND p IS NULL) AS sp, COUNT(*) - TOTAL(c) AS hn FROM lots GROUP BY k) GROUP BY k COLLATE NOCASE ORDER BY 3 DESC, 2 DESC, k COLLATE NOCASE LIMIT 16;
SELECT CASE WHEN ANNEE BETWEEN 1000 AND 9999 AND ANNEE = CAST(ANNEE AS INTEGER) THEN CAST(ANNEE AS INTEGER) END AS k, COUNT(*), TOTAL(q * c), TOTAL(p * q * c), TOTAL(c AND p IS NULL), COUNT(*) - TOTAL(c) FROM lots GROUP BY k ORDER BY k IS NULL, k;
WITH RECURSIVE years(y) AS (SELECT 2026 UNION ALL SELECT y + 1 FROM years WHERE y < 2040), w AS (SELECT d.BOIRE_DES AS des, d.BOIRE_JUSQUA AS jusqua, TOTAL(o.QUANTITE * IFNULL(o.QUANTITE >= 0 AND o.QUANTITE = CAST(o.QUANTITE AS INTEGER) AND (o.PRIXUNITAIRE IS NULL OR (o.PRIXUNITAIRE + 0 = o.PRIXUNITAIRE AND o.PRIXUNITAIRE >= 0)), 0)) AS b FROM DETAIL d JOIN ORNY o ON o.rowid = d.LOT WHERE d.BOIRE_DES IS NOT NULL OR d.BOIRE_JUSQUA IS NOT NULL GROUP BY des, jusqua) SELECT y, TOTAL(CASE WHEN des = y THEN b END), TOTAL(CASE WHEN IFNULL(des, y) <= y AND IFNULL(jusqua, y) >= y THEN b END), TOTAL(CASE WHEN jusqua = y THEN b END) FROM years, w GROUP BY y;
WITH w AS (SELECT d.BOIRE_DES AS des, d.BOIRE_JUSQUA AS jusqua, TOTAL(o.QUANTITE * IFNULL(o.QUANTITE >= 0 AND o.QUANTITE = CAST(o.QUANTITE AS INTEGER) AND (o.PRIXUNITAIRE IS NULL OR (o.PRIXUNITAIRE + 0 = o.PRIXUNITAIRE AND o.PRIXUNITAIRE >= 0)), 0)) AS b FROM DETAIL d JOIN ORNY o ON o.rowid = d.LOT WHERE d.BOIRE_DES IS NOT NULL OR d.BOIRE_JUSQUA IS NOT NULL GROUP BY des, jusqua) SELECT TOTAL(CASE WHEN jusqua < 2026 THEN b END), TOTAL(CASE WHEN jusqua <= 2027 THEN b END) FROM w;
SELECT CASE WHEN QUAND >= '2024-07-01' THEN substr(QUAND, 1, 7) ELSE substr(QUAND, 1, 4) END AS k, TOTAL(CASE WHEN NATURE IN ('achat', 'import') AND ANNULE_PAR IS NULL THEN BOUTEILLES END), TOTAL(CASE WHEN NATURE IN ('achat', 'import') AND ANNULE_PAR IS NULL THEN BOUTEILLES * CASE WHEN LOT_APRES = 1 THEN PRIXUNITAIRE_APRES ELSE PRIXUNITAIRE_AVANT END END), TOTAL(CASE WHEN NATURE = 'consommation' AND ANNULE_PAR IS NULL THEN -BOUTEILLES END), TOTAL(CASE WHEN NATURE = 'consommation' AND ANNULE_PAR IS NULL THEN -BOUTEILLES * CASE WHEN LOT_APRES = 1 THEN PRIXUNITAIRE_APRES ELSE PRIXUNITAIRE_AVANT END END) FROM MOUVEMENT WHERE QUAND GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]*' GROUP BY k;
SELECT CASE WHEN QUAND >= '2024-07-01' THEN substr(QUAND, 1, 7) ELSE substr(QUAND, 1, 4) END AS k, TOTAL(IFNULL(CASE WHEN LOT_APRES = 1 THEN PRIXUNITAIRE_APRES * QUANTITE_APRES * IFNULL(QUANTITE_APRES >= 0 AND QUANTITE_APRES = CAST(QUANTITE_APRES AS INTEGER) AND (PRIXUNITAIRE_APRES IS NULL OR (PRIXUNITAIRE_APRES + 0 = PRIXUNITAIRE_APRES AND PRIXUNITAIRE_APRES >= 0)), 0) END, 0) - IFNULL(CASE WHEN LOT_AVANT = 1 THEN PRIXUNITAIRE_AVANT * QUANTITE_AVANT * IFNULL(QUANTITE_AVANT >= 0 AND QUANTITE_AVANT = CAST(QUANTITE_AVANT AS INTEGER) AND (PRIXUNITAIRE_AVANT IS NULL OR (PRIXUNITAIRE_AVANT + 0 = PRIXUNITAIRE_AVANT AND PRIXUNITAIRE_AVANT >= 0)), 0) END, 0)) FROM MOUVEMENT WHERE QUAND GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]*' GROUP BY k;
SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * QUANTITE AS v FROM ORNY WHERE IFNULL(QUANTITE >= 0 AND QUANTITE = CAST(QUANTITE AS INTEGER) AND (PRIXUNITAIRE IS NULL OR (PRIXUNITAIRE + 0 = PRIXUNITAIRE AND PRIXUNITAIRE >= 0)), 0) AND PRIXUNITAIRE IS NOT NULL ORDER BY v DESC, rowid LIMIT 10;
)";

void OpenStatistics100k_ours(benchmark::State& state) {
    Globals globals;
    const QString& path = livedCellar();
    globals.CheminBase = QFileInfo(path).absolutePath() + QStringLiteral("/stats/");
    QDir().mkpath(globals.CheminBase);
    if (!QFile::exists(globals.databasePath()))
        QFile::copy(path, globals.databasePath());
    Services services;
    services.setScripted(true);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        {
            Statistiques window(globals, services, nullptr, Today);
            window.show();
            QApplication::processEvents();
            benchmark::DoNotOptimize(window.findChild<QTabWidget*>("Pages")->count());
        }
        state.counters["peak_MB"] = memory.megabytes();
    }
    if (!services.messages.shown().isEmpty())
        state.SkipWithError("the window could not read the cellar");
}

void OpenStatistics100k_baseline(benchmark::State& state) {
    const QString& path = livedCellar();
    for (auto _ : state) {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), path});
        shell.write(Script);
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        benchmark::DoNotOptimize(shell.readAllStandardOutput().size());
        if (shell.exitCode() != 0)
            state.SkipWithError(shell.readAllStandardError().constData());
    }
}

} // namespace

BENCH_PAIR(OpenStatistics100k, ->Unit(benchmark::kMillisecond)->UseRealTime());
