// SPDX-License-Identifier: GPL-3.0-or-later
// The working windows on a cellar of 100,000 lots, each against the same work done by plain SQLite with
// the built-in NOCASE collation on the same file.
#include "BenchMain.h"
#include "consumption/Consommation.h"
#include "database/Lot.h"
#include "history/Historique.h"
#include "history/HistoryModel.h"
#include "history/HistoryQuery.h"
#include "purchases/Saisie.h"
#include "ui/Services.h"
#include "view/CellarModel.h"
#include "view/Visualisation.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
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
    // Every row read; the last row's columns from `first` on kept, to be bound again.
    std::vector<sqlite3_value*> lastRow(const char* sql, const std::vector<sqlite3_value*>& params,
                                        int first) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_value(st, static_cast<int>(i + 1), params[i]);
        std::vector<sqlite3_value*> last;
        while (sqlite3_step(st) == SQLITE_ROW) {
            free(last);
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = sqlite3_column_text(st, c);
                benchmark::DoNotOptimize(text);
                if (c >= first)
                    last.push_back(sqlite3_value_dup(sqlite3_column_value(st, c)));
            }
        }
        sqlite3_finalize(st);
        return last;
    }
    static void free(std::vector<sqlite3_value*>& values) {
        for (sqlite3_value* v : values)
            sqlite3_value_free(v);
        values.clear();
    }
    sqlite3* db = nullptr;
};

struct Fixture {
    explicit Fixture(const char* name, int lots = Lots)
        : path(Bench::copyOf(Bench::cellar(lots, Names), QString::fromLatin1(name))) {
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

void OpenPurchaseWindow100k_ours(benchmark::State& state) {
    Fixture f("open-purchase.dat");
    for (auto _ : state) {
        Saisie window(f.globals, f.services);
        benchmark::DoNotOptimize(window.findChild<QComboBox*>("ListeType")->count());
    }
}

void OpenPurchaseWindow100k_baseline(benchmark::State& state) {
    Fixture f("open-purchase-plain.dat");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.rows("SELECT LIBELLE FROM COULEUR");
        benchmark::DoNotOptimize(plain.rows("SELECT TYPE FROM ORNY GROUP BY TYPE COLLATE NOCASE"));
    }
}

void RecordPurchase100k_ours(benchmark::State& state) {
    Fixture f("record-purchase.dat");
    DataLink link(f.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CellarQueries::addLot(link, {QStringLiteral("Margaux"), QStringLiteral("Bordeaux"), 1998,
                                         QStringLiteral("Rouge"), 6, 12.5}));
        link.close();
    }
}

void RecordPurchase100k_baseline(benchmark::State& state) {
    Fixture f("record-purchase-plain.dat");
    for (auto _ : state) {
        Plain plain(f.path);
        plain.exec(
            "BEGIN IMMEDIATE; INSERT INTO ORNY VALUES ('Margaux', 'Bordeaux', 1998, 'Rouge', 6, 12.5); "
            "COMMIT");
    }
}

// What the journal costs a purchase: the same write through the program's own link, without the journal.
void PurchaseJournal100k_ours(benchmark::State& state) {
    RecordPurchase100k_ours(state);
}

void PurchaseJournal100k_baseline(benchmark::State& state) {
    Fixture f("purchase-unjournalled.dat");
    DataLink link(f.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.write([](DataLink& l) {
            return l.execute(
                QStringLiteral("INSERT INTO ORNY (NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                {QStringLiteral("Margaux"), QStringLiteral("Bordeaux"), 1998, QStringLiteral("Rouge"), 6,
                 12.5});
        }));
        link.close();
    }
}

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void ConsumptionCascade100k_ours(benchmark::State& state) {
    Fixture f("cascade.dat");
    for (auto _ : state) {
        Consommation window(f.globals, f.services);
        for (const char* name : {"ListeNom", "ListeType", "ListeAnnee", "ListeCouleur"})
            choose(window.findChild<QComboBox*>(name), 0);
        benchmark::DoNotOptimize(window.findChild<QLineEdit*>("QuantiteEnStock")->text());
    }
}

void ConsumptionCascade100k_baseline(benchmark::State& state) {
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

void RecordConsumption100k_ours(benchmark::State& state) {
    Fixture f("record-consumption.dat");
    Plain(f.path).exec("INSERT INTO ORNY VALUES ('Cible', 'Bordeaux', 1998, 'Rouge', 1000000, 1)");
    DataLink link(f.path);
    qlonglong stock = 1000000;
    for (auto _ : state) {
        if (CellarQueries::consume(
                link, {QStringLiteral("Cible"), QStringLiteral("Bordeaux"), 1998, QStringLiteral("Rouge")},
                stock, 1)
                .error)
            state.SkipWithError("the consumption failed");
        link.close();
        --stock;
    }
}

void RecordConsumption100k_baseline(benchmark::State& state) {
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

// What the journal costs a consumption: the same lookup and update through the program's own link.
void ConsumptionJournal100k_ours(benchmark::State& state) {
    RecordConsumption100k_ours(state);
}

void ConsumptionJournal100k_baseline(benchmark::State& state) {
    Fixture f("consumption-unjournalled.dat");
    Plain(f.path).exec("INSERT INTO ORNY VALUES ('Cible', 'Bordeaux', 1998, 'Rouge', 1000000, 1)");
    DataLink link(f.path);
    qlonglong stock = 1000000;
    for (auto _ : state) {
        const Status written = link.write([&stock](DataLink& l) -> Status {
            // The lookup consume() makes: name, type, vintage, colour and the quantity seen.
            QVariantList params;
            QString where =
                CellarQueries::equalsFrench(QStringLiteral("NOM"), QStringLiteral("Cible"), params);
            where += QStringLiteral(" AND ") +
                     CellarQueries::equalsFrench(QStringLiteral("TYPE"), QStringLiteral("Bordeaux"), params);
            params << 1998;
            where += QStringLiteral(" AND ANNEE = ?%1").arg(params.size());
            params << stock;
            // Numbered before the colour's own parameters are added.
            where += QStringLiteral(" AND QUANTITE = ?%1 AND ").arg(params.size());
            where += CellarQueries::equalsFrench(QStringLiteral("COULEUR"), QStringLiteral("Rouge"), params);
            const DbRows found = l.query(
                QStringLiteral("SELECT rowid FROM ORNY WHERE 1 AND %1 ORDER BY rowid LIMIT 1").arg(where),
                params);
            if (!found.ok())
                return found.error;
            if (found.rows.empty())
                return Failure{QStringLiteral("lot absent"), {}};
            return l.execute(QStringLiteral("UPDATE ORNY SET QUANTITE = QUANTITE - ?1 WHERE rowid = ?2"),
                             {1, found.rows.front().front()});
        });
        if (written)
            state.SkipWithError(qPrintable(written->text()));
        link.close();
        --stock;
    }
}

void openView(benchmark::State& state, int lots) {
    Fixture f("open-view.dat", lots);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        Visualisation window(f.globals, f.services);
        benchmark::DoNotOptimize(window.model()->rowCount());
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// A statement of the program summing its values with the engine's own TOTAL, in doubles.
QString plainSums(QString sql) {
    return sql.replace(
        QRegularExpression(QStringLiteral("%1\\((\\w+), (\\w+)\\)").arg(LotRules::SumFunction)),
        QStringLiteral("TOTAL(\\1 * \\2)"));
}

// The view's totals: the very statement the view runs, through plain SQLite.
std::string plainTotals(const std::string& where) {
    return plainSums(
               LotRules::Totals::sumsSql(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE"),
                                         QStringLiteral("FROM ORNY WHERE ") + QString::fromStdString(where)))
        .toStdString();
}

// What the view asks of the cellar, in plain SQLite with NOCASE where the program compares in French: the
// two lists, the first screenful in the view's order, the totals.
size_t plainView(Plain& plain, const char* where) {
    plain.rows("SELECT TYPE FROM ORNY WHERE TYPE IS NOT NULL GROUP BY TYPE COLLATE NOCASE");
    plain.rows("SELECT NOM FROM ORNY WHERE NOM IS NOT NULL GROUP BY NOM COLLATE NOCASE");
    const std::string view = std::string("SELECT rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, "
                                         "PRIXUNITAIRE * QUANTITE FROM ORNY WHERE ") +
                             where +
                             " ORDER BY ifnull(TYPE, '') COLLATE NOCASE, ifnull(COULEUR, '') COLLATE NOCASE, "
                             "ifnull(ANNEE, -1e308), rowid LIMIT 200";
    return plain.rows(view.c_str()) + plain.rows(plainTotals(where).c_str());
}

void plainOpenView(benchmark::State& state, int lots) {
    Fixture f("open-view-plain.dat", lots);
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        Plain plain(f.path);
        benchmark::DoNotOptimize(plainView(plain, "1"));
        state.counters["peak_MB"] = memory.megabytes();
    }
}

void changeView(benchmark::State& state, int lots) {
    Fixture f("change-view.dat", lots);
    Visualisation window(f.globals, f.services);
    for (auto _ : state) {
        window.Rouge_Click();
        benchmark::DoNotOptimize(window.model()->rowCount());
    }
}

void plainChangeView(benchmark::State& state, int lots) {
    Fixture f("change-view-plain.dat", lots);
    Plain plain(f.path);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainView(plain, "COULEUR = 'Rouge' COLLATE NOCASE"));
}

// One search, once the keys stop: the rows whose name, type, year or colour hold the text, and their totals.
void searchKeystroke(benchmark::State& state, int lots) {
    Fixture f("search.dat", lots);
    Visualisation window(f.globals, f.services);
    auto* search = window.findChild<QLineEdit*>(QStringLiteral("Recherche"));
    int n = 0;
    for (auto _ : state) {
        search->setText(QStringLiteral("dom%1").arg(n++ % 10));
        // Enter searches at once, without the pause that gathers a burst of keys.
        QTest::keyClick(search, Qt::Key_Return);
        benchmark::DoNotOptimize(window.model()->rowCount());
    }
}

// The same search by LIKE on the same columns, with the view's page and totals.
void plainSearchKeystroke(benchmark::State& state, int lots) {
    Fixture f("search-plain.dat", lots);
    Plain plain(f.path);
    int n = 0;
    for (auto _ : state) {
        const std::string like = "'%dom" + std::to_string(n++ % 10) + "%'";
        const std::string where = "(NOM LIKE " + like + " OR TYPE LIKE " + like + " OR ANNEE LIKE " + like +
                                  " OR COULEUR LIKE " + like + ")";
        benchmark::DoNotOptimize(
            plain.rows(("SELECT rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, "
                        "PRIXUNITAIRE * QUANTITE FROM ORNY WHERE " +
                        where +
                        " ORDER BY ifnull(TYPE, '') COLLATE NOCASE, ifnull(COULEUR, '') "
                        "COLLATE NOCASE, ifnull(ANNEE, -1e308), rowid LIMIT 200")
                           .c_str()) +
            plain.rows(plainTotals(where).c_str()));
    }
}

// A click on a heading, the other way at each click: the rows in the new order, the totals left as they are.
void sortBy(benchmark::State& state, int lots, int column) {
    Fixture f("sort.dat", lots);
    Visualisation window(f.globals, f.services);
    auto* header = window.findChild<QTableView*>(QStringLiteral("Grille"))->horizontalHeader();
    for (auto _ : state) {
        emit header->sectionClicked(column);
        benchmark::DoNotOptimize(window.model()->index(0, 0).data());
    }
}

// The first page in plain SQLite, by `order` the other way at each run.
void plainSortBy(benchmark::State& state, int lots, const std::string& ascending,
                 const std::string& descending) {
    Fixture f("sort-plain.dat", lots);
    Plain plain(f.path);
    const std::string select =
        "SELECT rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * "
        "QUANTITE FROM ORNY ORDER BY ";
    bool descend = false;
    for (auto _ : state) {
        descend = !descend;
        benchmark::DoNotOptimize(
            plain.rows((select + (descend ? descending : ascending) + " LIMIT 200").c_str()));
    }
}

void sortView(benchmark::State& state, int lots) {
    sortBy(state, lots, 5);
}

void plainSortView(benchmark::State& state, int lots) {
    plainSortBy(state, lots, "PRIXUNITAIRE IS NULL, ifnull(PRIXUNITAIRE, 0), rowid",
                "PRIXUNITAIRE IS NULL, -ifnull(PRIXUNITAIRE, 0), rowid");
}

void sortByName(benchmark::State& state, int lots) {
    sortBy(state, lots, 0);
}

void plainSortByName(benchmark::State& state, int lots) {
    plainSortBy(state, lots, "ifnull(NOM, '') COLLATE NOCASE, rowid",
                "ifnull(NOM, '') COLLATE NOCASE DESC, rowid DESC");
}

// The view shown in a window of the usual size, the grid given the keyboard, nothing read but its first page.
struct ShownView {
    ShownView(Fixture& f) : window(f.globals, f.services) {
        window.resize(900, 600);
        window.show();
        grid = window.findChild<QTableView*>(QStringLiteral("Grille"));
        grid->setFocus();
    }
    void again() {
        window.Tout_Click();
        grid->setFocus();
        QCoreApplication::processEvents();
    }
    // What the screen shows drawn, each row it shows read.
    void draw() {
        grid->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    Visualisation window;
    QTableView* grid;
};

// Ctrl+End in the grid of the whole cellar, until the last lot is drawn selected.
void ctrlEnd(benchmark::State& state, int lots) {
    Fixture f("ctrl-end.dat", lots);
    ShownView view(f);
    for (auto _ : state) {
        state.PauseTiming();
        view.again();
        const Bench::PeakMemory memory;
        state.ResumeTiming();
        QTest::keyClick(view.grid, Qt::Key_End, Qt::ControlModifier);
        view.draw();
        benchmark::DoNotOptimize(view.grid->currentIndex().data());
        state.counters["peak_MB"] = memory.megabytes();
    }
    if (view.grid->currentIndex().row() != lots - 1)
        state.SkipWithError("Ctrl+End did not reach the last lot");
}

// The view's order, in plain SQLite.
constexpr const char* PlainOrder =
    "ifnull(TYPE, '') COLLATE NOCASE, ifnull(COULEUR, '') COLLATE NOCASE, ifnull(ANNEE, -1e308), rowid";
constexpr const char* PlainReversed =
    "ifnull(TYPE, '') COLLATE NOCASE DESC, ifnull(COULEUR, '') COLLATE NOCASE "
    "DESC, ifnull(ANNEE, -1e308) DESC, rowid DESC";
constexpr const char* PlainColumns =
    "SELECT rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * QUANTITE, ";

void plainCtrlEnd(benchmark::State& state, int lots) {
    Fixture f("ctrl-end-plain.dat", lots);
    Plain plain(f.path);
    const std::string last =
        std::string(PlainColumns) + PlainReversed + " FROM ORNY ORDER BY " + PlainReversed + " LIMIT 200";
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        benchmark::DoNotOptimize(plain.rows(last.c_str()));
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// 2,000 rows scrolled by Page Down from row `from`, each screen drawn.
void scrollView(benchmark::State& state, int lots, int from) {
    Fixture f("scroll.dat", lots);
    ShownView view(f);
    for (auto _ : state) {
        state.PauseTiming();
        view.again();
        view.grid->setCurrentIndex(view.window.model()->index(from, 0));
        view.draw();
        state.ResumeTiming();
        while (view.grid->currentIndex().row() < from + 2000) {
            QTest::keyClick(view.grid, Qt::Key_PageDown);
            view.draw();
        }
    }
}

// The same rows read a page of 200 at a time, each page after the last row of the one before.
void plainScroll(benchmark::State& state, int lots, int from) {
    Fixture f("scroll-plain.dat", lots);
    Plain plain(f.path);
    const std::string order = PlainOrder;
    const std::string keys =
        "SELECT " + order + " FROM ORNY ORDER BY " + order + " LIMIT 1 OFFSET " + std::to_string(from);
    const std::string next = std::string(PlainColumns) + order + " FROM ORNY WHERE (" + order +
                             ") > (?1, ?2, ?3, ?4) ORDER BY " + order + " LIMIT 200";
    std::vector<sqlite3_value*> start = plain.lastRow(keys.c_str(), {}, 0);
    for (auto _ : state) {
        std::vector<sqlite3_value*> after = plain.lastRow(next.c_str(), start, 8);
        for (int page = 1; page < 10; ++page) {
            std::vector<sqlite3_value*> last = plain.lastRow(next.c_str(), after, 8);
            Plain::free(after);
            after = std::move(last);
        }
        Plain::free(after);
    }
    Plain::free(start);
}

void scrollAtTop(benchmark::State& state, int lots) {
    scrollView(state, lots, 0);
}
void plainScrollAtTop(benchmark::State& state, int lots) {
    plainScroll(state, lots, 0);
}
void scrollFarDown(benchmark::State& state, int lots) {
    scrollView(state, lots, lots * 9 / 10);
}
void plainScrollFarDown(benchmark::State& state, int lots) {
    plainScroll(state, lots, lots * 9 / 10);
}

// Each pair at 100,000 lots, and the view's at 1,000,000, where a cost growing faster than the cellar shows.
#define VIEW_PAIR(name, ours, plain, lots)                                                                   \
    void name##_ours(benchmark::State& state) {                                                              \
        ours(state, lots);                                                                                   \
    }                                                                                                        \
    void name##_baseline(benchmark::State& state) {                                                          \
        plain(state, lots);                                                                                  \
    }
VIEW_PAIR(OpenView100k, openView, plainOpenView, Lots)
VIEW_PAIR(ChangeView100k, changeView, plainChangeView, Lots)
VIEW_PAIR(SearchKeystroke100k, searchKeystroke, plainSearchKeystroke, Lots)
VIEW_PAIR(SortView100k, sortView, plainSortView, Lots)
VIEW_PAIR(OpenView1M, openView, plainOpenView, 1000000)
VIEW_PAIR(ChangeView1M, changeView, plainChangeView, 1000000)
VIEW_PAIR(SearchKeystroke1M, searchKeystroke, plainSearchKeystroke, 1000000)
VIEW_PAIR(SortView1M, sortView, plainSortView, 1000000)
VIEW_PAIR(SortByName100k, sortByName, plainSortByName, Lots)
VIEW_PAIR(SortByName1M, sortByName, plainSortByName, 1000000)
VIEW_PAIR(CtrlEnd100k, ctrlEnd, plainCtrlEnd, Lots)
VIEW_PAIR(CtrlEnd1M, ctrlEnd, plainCtrlEnd, 1000000)
VIEW_PAIR(ScrollAtTop100k, scrollAtTop, plainScrollAtTop, Lots)
VIEW_PAIR(ScrollAtTop1M, scrollAtTop, plainScrollAtTop, 1000000)
VIEW_PAIR(ScrollFarDown100k, scrollFarDown, plainScrollFarDown, Lots)
VIEW_PAIR(ScrollFarDown1M, scrollFarDown, plainScrollFarDown, 1000000)

// The rows of the whole cellar to a CSV file, against the same text written by a plain loop to a file beside
// it, flushed to the disk and renamed over the last one, as the program does.
void ExportCsv100k_ours(benchmark::State& state) {
    Fixture f("export.dat");
    Visualisation window(f.globals, f.services);
    QTemporaryDir out;
    for (auto _ : state)
        if (!window.exportCsv(out.path() + QStringLiteral("/cave.csv")))
            state.SkipWithError("the export failed");
}

void ExportCsv100k_baseline(benchmark::State& state) {
    Fixture f("export-plain.dat");
    QTemporaryDir out;
    for (auto _ : state) {
        Plain plain(f.path);
        QFile file(out.path() + QStringLiteral("/cave.csv.tmp"));
        file.open(QIODevice::WriteOnly);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            plain.db,
            "SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * QUANTITE FROM "
            "ORNY ORDER BY ifnull(TYPE, '') COLLATE NOCASE, ifnull(COULEUR, '') COLLATE NOCASE, "
            "ifnull(ANNEE, -1e308), rowid",
            -1, &st, nullptr);
        file.write("\xEF\xBB\xBF");
        while (sqlite3_step(st) == SQLITE_ROW) {
            QByteArray line;
            for (int c = 0; c < 7; ++c) {
                if (c > 0)
                    line += ';';
                line +=
                    QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, c))).replace('.', ',');
            }
            file.write(line + "\r\n");
        }
        sqlite3_finalize(st);
        file.flush();
        ::fsync(file.handle());
        file.close();
        ::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(out.path() + QStringLiteral("/cave.csv")).constData());
    }
}

// A cellar whose journal holds 100,000 movements: the lots of one import.
struct JournalFixture : Fixture {
    explicit JournalFixture(const char* name) : Fixture(name) {
        DataLink link(path);
        const Status status = link.write([](DataLink& l) -> Status {
            return CellarQueries::append(l, Journal::Kind::Import, [](CellarQueries::Appender& a) {
                for (int i = 0; i < Lots; ++i)
                    if (Status s = a.add({QStringLiteral("Import %1").arg(i % Names), QStringLiteral("Loire"),
                                          1990 + i % 30, QStringLiteral("Blanc"), 1 + i % 12, 9.5}))
                        return s;
                return Status();
            });
        });
        if (status)
            qFatal("%s", qPrintable(status->text()));
    }
};

void OpenHistory100k_ours(benchmark::State& state) {
    JournalFixture f("history.dat");
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        Historique window(f.globals, f.services);
        benchmark::DoNotOptimize(window.model()->rowCount());
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// The same reading by plain SQLite: the span of years, the first screenful newest first, and the window's own
// totals statement.
void OpenHistory100k_baseline(benchmark::State& state) {
    JournalFixture f("history-plain.dat");
    const HistoryQuery::Statement totals = HistoryQuery::totals({});
    for (auto _ : state) {
        const Bench::PeakMemory memory;
        Plain plain(f.path);
        plain.rows("SELECT substr(MIN(QUAND), 1, 4), substr(MAX(QUAND), 1, 4) FROM MOUVEMENT");
        benchmark::DoNotOptimize(
            plain.rows(
                "SELECT ID, QUAND, NATURE, NOM_APRES, TYPE_APRES, ANNEE_APRES, COULEUR_APRES, BOUTEILLES, "
                "PRIXUNITAIRE_APRES FROM MOUVEMENT ORDER BY ID DESC LIMIT 200") +
            plain.rows(plainSums(totals.sql).toUtf8().constData()));
        state.counters["peak_MB"] = memory.megabytes();
    }
}

} // namespace

BENCH_PAIR(OpenHistory100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(OpenView100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(ChangeView100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(SearchKeystroke100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(SortView100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(OpenView1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(ChangeView1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(SearchKeystroke1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(SortView1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(SortByName100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(SortByName1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(CtrlEnd100k, ->Unit(benchmark::kMillisecond)->Iterations(3));
BENCH_PAIR(CtrlEnd1M, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(ScrollAtTop100k, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(ScrollAtTop1M, ->Unit(benchmark::kMillisecond)->Iterations(1));
BENCH_PAIR(ScrollFarDown100k, ->Unit(benchmark::kMillisecond)->Iterations(2));
BENCH_PAIR(ScrollFarDown1M, ->Unit(benchmark::kMillisecond)->Iterations(1));
BENCH_PAIR(ExportCsv100k, ->Unit(benchmark::kMillisecond));

BENCH_PAIR(OpenPurchaseWindow100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(RecordPurchase100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(ConsumptionCascade100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(RecordConsumption100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(PurchaseJournal100k, ->Unit(benchmark::kMillisecond));
BENCH_PAIR(ConsumptionJournal100k, ->Unit(benchmark::kMillisecond));
