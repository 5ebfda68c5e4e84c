// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "database/LotIdentity.h"
#include "history/Annulation.h"
#include "history/DetailsSansLot.h"
#include "history/Historique.h"
#include "history/HistoryModel.h"
#include "history/HistoryQuery.h"
#include "shell/Principale.h"
#include "support/TestCellar.h"
#include "ui/PagedModel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {

const CellarQueries::LotKey Pommard{"Pommard", "Bourgogne", 1996, "Rouge"};

void buy(TestCellar& cellar, const Lot& lot) {
    DataLink link(cellar.databasePath());
    QVERIFY(!CellarQueries::addLot(link, lot));
}

void drink(TestCellar& cellar, const CellarQueries::LotKey& key, int bottles) {
    DataLink link(cellar.databasePath());
    const CellarQueries::Stock stock = CellarQueries::firstStock(link, key);
    QVERIFY(!CellarQueries::consume(link, key, stock.quantite, bottles).error);
}

// One import of `lots` lots, journalled as the import journals it; its name as the undo entry gives it.
QString importLots(TestCellar& cellar, int lots) {
    DataLink link(cellar.databasePath());
    const Status imported = link.write([lots](DataLink& w) {
        return CellarQueries::append(w, Journal::Kind::Import, [lots](CellarQueries::Appender& a) {
            for (int i = 0; i < lots; ++i)
                if (Status s = a.add({"Import", "Loire", 2000 + i % 20, "Rosé", 1 + i % 7, {}}))
                    return s;
            return Status();
        });
    });
    if (imported)
        qFatal("%s", qPrintable(imported->text()));
    return "import de " + QLocale().toString(lots) + " lots";
}

// The main window with the real undo and history behind its entries.
struct MainWindow {
    explicit MainWindow(TestCellar& c) : cellar(c), window(c.globals, actions(c)) {
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            qFatal("the main window did not become active");
    }
    static MenuActions actions(TestCellar& c) {
        MenuActions a;
        a.annuler = [&c](QWidget* parent) { Annulation::run(c.globals, c.services, parent); };
        a.annulerTexte = [&c] { return Annulation::entryText(c.globals); };
        a.historique = [](QWidget*) {};
        return a;
    }
    QAction* undoEntry() { return window.findChild<QAction*>("MenuAnnuler"); }
    void pressCtrlZ() { QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier); }
    TestCellar& cellar;
    Principale window;
};

QStringList shownRows(Historique& window) {
    return modelRows(window.model());
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void ctrlZNamesAsksAndUndoesTheLastOperation();
    void undoNamedTheFrenchWayInAnyLocale_data();
    void undoNamedTheFrenchWayInAnyLocale();
    void undoRefusedAfterAnotherProgramChangedTheLot();
    void largeUndoCancelledChangesNothing();
    void largeUndoCancelledByKeys_data();
    void largeUndoCancelledByKeys();
    void longHistoryPagedNewestFirst();
    void historyFilteredByKindAndPeriodWithItsTotals();
    void historySearchedAndSortedAsTheView();
    void periodsOfTheList();
    void detailsNoLotShowsListedFromTheHistory_data();
    void detailsNoLotShowsListedFromTheHistory();
};

void TestHistory::ctrlZNamesAsksAndUndoesTheLastOperation() {
    TestCellar cellar;
    MainWindow main(cellar);
    // The entry is named once the window has painted, not before.
    QTRY_VERIFY(!main.undoEntry()->isEnabled());
    QCOMPARE(main.undoEntry()->text(), QString("&Annuler"));
    buy(cellar, {"Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5});
    drink(cellar, Pommard, 2);
    // The entry is named again each time the menu opens.
    emit main.window.findChild<QMenu*>("MenuEdition")->aboutToShow();
    QCOMPARE(main.undoEntry()->text(), QString("&Annuler : consommation de 2 Pommard 1996"));

    // Non: nothing changes.
    cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    main.pressCtrlZ();
    QCOMPARE(cellar.lastMessage().text.section('\n', 0, 0),
             QString("Annuler : consommation de 2 Pommard 1996 ?"));
    QCOMPARE(cellar.lastMessage().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(cellar.lots(), QStringList{"Pommard|Bourgogne|1996|Rouge|4|31.5"});

    // Oui: the bottles are back, and the next Ctrl+Z reaches the purchase.
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(cellar.lots(), QStringList{"Pommard|Bourgogne|1996|Rouge|6|31.5"});
    QCOMPARE(main.undoEntry()->text(), QString("&Annuler : achat de 6 Pommard 1996"));
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(cellar.lotCount(), 0);
    QVERIFY(!main.undoEntry()->isEnabled());
    QCOMPARE(cellar.messageCount(), 3);
}

void TestHistory::undoNamedTheFrenchWayInAnyLocale_data() {
    QTest::addColumn<QLocale>("system");
    QTest::addColumn<int>("bought");
    QTest::addColumn<int>("drunk");
    QTest::addColumn<int>("imported"); // lots of an import made last
    QTest::addColumn<QString>("entry");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("purchase, en_US") << english << 1500 << 0 << 0 << "achat de 1\u202F500 Pommard 1996";
    QTest::newRow("consumption, de_DE")
        << german << 1500 << 1234 << 0 << "consommation de 1\u202F234 Pommard 1996";
    QTest::newRow("import, C") << QLocale::c() << 6 << 0 << 1234 << "import de 1\u202F234 lots";
    QTest::newRow("import of one lot, en_US") << english << 6 << 0 << 1 << "import de 1 lot";
}

void TestHistory::undoNamedTheFrenchWayInAnyLocale() {
    QFETCH(QLocale, system);
    QFETCH(int, bought);
    QFETCH(int, drunk);
    QFETCH(int, imported);
    QFETCH(QString, entry);
    TestCellar cellar;
    QLocale::setDefault(system);
    const auto restore = qScopeGuard(useFrenchLocale);
    buy(cellar, {"Pommard", "Bourgogne", 1996, "Rouge", bought, 31.5});
    if (drunk)
        drink(cellar, Pommard, drunk);
    if (imported)
        importLots(cellar, imported);
    MainWindow main(cellar);
    emit main.window.findChild<QMenu*>("MenuEdition")->aboutToShow();
    QCOMPARE(main.undoEntry()->text(), "&Annuler : " + entry);
    cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    main.pressCtrlZ();
    QCOMPARE(cellar.lastMessage().text.section('\n', 0, 0), "Annuler : " + entry + " ?");
}

void TestHistory::undoRefusedAfterAnotherProgramChangedTheLot() {
    TestCellar cellar;
    buy(cellar, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 10});
    buy(cellar, {"Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5});
    MainWindow main(cellar);
    cellar.exec("UPDATE ORNY SET QUANTITE = 7 WHERE NOM = 'Pommard'");
    // Refused, and kept: the same operation is offered again.
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    main.pressCtrlZ();
    QVERIFY2(cellar.lastMessage().text.contains("ne peut plus être annulé"),
             qPrintable(cellar.lastMessage().text));
    QCOMPARE(cellar.lastMessage().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(main.undoEntry()->text(), QString("&Annuler : achat de 6 Pommard 1996"));
    // Set aside: the older purchase, whose lot nothing touched, is undone; the history says so.
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(main.undoEntry()->text(), QString("&Annuler : achat de 12 Chablis 2019"));
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(cellar.lots(), QStringList{"Pommard|Bourgogne|1996|Rouge|7|31.5"});
    Historique history(cellar.globals, cellar.services);
    const QStringList rows = shownRows(history);
    QVERIFY2(rows.filter("Achat|mis de côté|Pommard").size() == 1, qPrintable(rows.join('\n')));
    QVERIFY(rows.filter("Achat|annulé|Chablis").size() == 1);
}

void TestHistory::largeUndoCancelledChangesNothing() {
    TestCellar cellar;
    const QString import = importLots(cellar, 20000);
    const qint64 movements = cellar.rows("SELECT COUNT(*) FROM MOUVEMENT").front().front().toLongLong();
    MainWindow main(cellar);
    cellar.services.progress.cancelAfter(2);
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(cellar.lastMessage().text,
             "L'annulation de « " + import + " » a été interrompue : rien n'a été changé.");
    QCOMPARE(cellar.lotCount(), 20000);
    QCOMPARE(cellar.rows("SELECT COUNT(*) FROM MOUVEMENT").front().front().toLongLong(), movements);
    QCOMPARE(main.undoEntry()->text(), "&Annuler : " + import);
    // Left to run, it undoes the whole import, showing its progress.
    cellar.services.progress.cancelAfter(-1);
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(cellar.lotCount(), 0);
    QVERIFY(cellar.services.progress.shown().back().startsWith("Annulation de « " + import + " »"));
}

void TestHistory::largeUndoCancelledByKeys_data() {
    addCancelKeyRows();
}

// The progress dialog itself, as the user meets it: a key while the undo runs stops it, nothing undone.
void TestHistory::largeUndoCancelledByKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    TestCellar cellar;
    const QString import = importLots(cellar, 20000);
    const qint64 movements = cellar.rows("SELECT COUNT(*) FROM MOUVEMENT").front().front().toLongLong();
    MainWindow main(cellar);
    cellar.services.progress.setScripted(false);
    cellar.services.progress.showAfter(0);
    QString shown;
    cancelProgressWhenShown(key, modifiers, shown);
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    main.pressCtrlZ();
    QCOMPARE(shown, "Annulation de « " + import + " »…");
    QCOMPARE(cellar.lastMessage().text,
             "L'annulation de « " + import + " » a été interrompue : rien n'a été changé.");
    QCOMPARE(cellar.lotCount(), 20000);
    QCOMPARE(cellar.rows("SELECT COUNT(*) FROM MOUVEMENT").front().front().toLongLong(), movements);
    QCOMPARE(main.undoEntry()->text(), "&Annuler : " + import);
}

// Newest first over many pages, as the user pages down to the end: every movement once, in its order.
void TestHistory::longHistoryPagedNewestFirst() {
    TestCellar cellar;
    const int lots = 3 * PagedModel::BatchSize + 17;
    importLots(cellar, lots);
    Historique window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* grid = window.findChild<QTableView*>("Grille");
    grid->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid->model()->rowCount(), lots);
    QStringList expected;
    for (int i = lots - 1; i >= 0; --i)
        expected << QString::number(2000 + i % 20) + "|+" + QString::number(1 + i % 7);
    QStringList shown;
    for (const QString& row : shownRows(window))
        shown << row.section('|', HistoryQuery::Annee, HistoryQuery::Annee) + "|" +
                     row.section('|', HistoryQuery::Bouteilles, HistoryQuery::Bouteilles);
    QCOMPARE(shown, expected);
}

void TestHistory::historyFilteredByKindAndPeriodWithItsTotals() {
    TestCellar cellar;
    {
        Historique empty(cellar.globals, cellar.services);
        QCOMPARE(empty.findChild<QLabel*>("Totaux")->text(),
                 QString("Aucun mouvement n'a encore été enregistré dans cette cave."));
    }
    buy(cellar, {"Pommard", "Bourgogne", 1996, "Rouge", 6, 30});
    buy(cellar, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 10});
    drink(cellar, Pommard, 2);
    drink(cellar, {"Chablis", "Bourgogne", 2019, "Blanc"}, 3);
    buy(cellar, {"Sancerre", "Loire", 2020, "Blanc", 1, 15});
    // Two movements of last year; the last purchase undone.
    cellar.exec("UPDATE MOUVEMENT SET QUAND = '2025-03-1' || ID || ' 19:30:00' WHERE ID <= 3");
    cellar.exec("UPDATE MOUVEMENT SET QUAND = '2026-12-0' || ID || ' 20:00:00' WHERE ID > 3");
    {
        DataLink link(cellar.databasePath());
        bool changed = false;
        QVERIFY(!link.write([&](DataLink& l) { return Journal::undo(l, 5, changed); }));
        // Bottles come in by an import too: they are bought as well.
        QVERIFY(!link.write([](DataLink& l) {
            return CellarQueries::append(l, Journal::Kind::Import, [](CellarQueries::Appender& lots) {
                return lots.add({"Cassis", "Provence", 2021, "Rosé", 4, 5.0});
            });
        }));
    }
    cellar.exec("UPDATE MOUVEMENT SET QUAND = '2026-12-06 10:00:00' WHERE NATURE = 'import'");

    Historique window(cellar.globals, cellar.services, nullptr, QDate(2026, 12, 7));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(focusName(), QString("ListeNature"));
    // An undone movement says so, in its own agreement, and carries no bottles: nor does the undoing.
    const QStringList all = shownRows(window);
    QCOMPARE(all.size(), 7);
    QCOMPARE(all.front(), QString("06/12/2026 10:00|Import||Cassis|Provence|2021|Rosé|+4|5|4||20|"));
    QVERIFY(all.at(1).contains("|Annulation||Sancerre|Loire|2020|Blanc||15||||"));
    QCOMPARE(all.at(2), QString("05/12/2026 20:00|Achat|annulé|Sancerre|Loire|2020|Blanc||15||||"));
    QCOMPARE(all.at(3), QString("04/12/2026 20:00|Consommation||Chablis|Bourgogne|2019|Blanc|-3|10||3||30"));
    QCOMPARE(all.back(), QString("11/03/2025 19:30|Achat||Pommard|Bourgogne|1996|Rouge|+6|30|6||180|"));
    auto* totals = window.findChild<QLabel*>("Totaux");
    QCOMPARE(totals->text(),
             QString("7 mouvements — achetées ou importées : 22 bouteilles, 320,00\u00A0€ — bues : "
                     "5 bouteilles, 90,00\u00A0€"));

    // The rows shown go to a spreadsheet as they are, and each column of figures adds up to the totals.
    const QString path = cellar.folder() + "historique.csv";
    QVERIFY(window.exportCsv(path));
    const QStringList lines = QString::fromUtf8(fileBytes(path)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.first(),
             QString("\xEF\xBB\xBF"
                     "Date;Nature;Annulé;Nom;Type;Année;Couleur;Bouteilles;Prix Unit.;Achetées ou "
                     "importées;Bues;Valeur achetée ou importée;Valeur bue"));
    QCOMPARE(lines.size(), 8);
    double sums[4] = {};
    for (const QString& line : lines.mid(1))
        for (int c = 0; c < 4; ++c)
            sums[c] += line.section(';', 9 + c, 9 + c).replace(',', '.').toDouble();
    QCOMPARE(sums[0], 22.0);
    QCOMPARE(sums[1], 5.0);
    QCOMPARE(sums[2], 320.0);
    QCOMPARE(sums[3], 90.0);

    // What was drunk, and when: only consumptions, then only those of last year.
    chooseInList(&window, "ListeNature", "Consommation");
    QCOMPARE(shownRows(window).size(), 2);
    QCOMPARE(totals->text(),
             QString("2 mouvements — achetées ou importées : 0 bouteille, 0,00\u00A0€ — bues : "
                     "5 bouteilles, 90,00\u00A0€"));
    chooseInList(&window, "ListePeriode", "Année 2025");
    QCOMPARE(shownRows(window),
             QStringList{"13/03/2025 19:30|Consommation||Pommard|Bourgogne|1996|Rouge|-2|30||2||60"});
    QCOMPARE(totals->text(),
             QString("1 mouvement — achetées ou importées : 0 bouteille, 0,00\u00A0€ — bues : "
                     "2 bouteilles, 60,00\u00A0€"));
    QCOMPARE(itemsOf(window.findChild<QComboBox*>("ListePeriode")),
             QStringList({"Toutes les dates", "Ce mois-ci", "Les 30 derniers jours", "Les 12 derniers mois",
                          "Année 2026", "Année 2025"}));
}

void TestHistory::historySearchedAndSortedAsTheView() {
    TestCellar cellar;
    buy(cellar, {"Château Figeac", "Saint-Émilion", 2015, "Rouge", 6, 40});
    buy(cellar, {"Pommard", "Bourgogne", 1996, "Rouge", 3, 30});
    drink(cellar, Pommard, 2);
    Historique window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const auto names = [&window] {
        QStringList out;
        for (const QString& row : shownRows(window))
            out << row.section('|', 1, 1) + " " + row.section('|', 3, 3);
        return out;
    };
    // Words in any order, from the nature and the lot, as people type them.
    pressAccessKey(&window, Qt::Key_C);
    QCOMPARE(focusName(), QString("Recherche"));
    QTest::keyClicks(window.findChild<QLineEdit*>("Recherche"), "pommard consommation");
    QTRY_COMPARE(names(), QStringList({"Consommation Pommard"}));
    QCOMPARE(window.findChild<QLabel*>("Totaux")->text().left(12), QString("1 mouvement "));
    typeOver(window.findChild<QLineEdit*>("Recherche"), "saint emilion");
    QTest::keyClick(window.findChild<QLineEdit*>("Recherche"), Qt::Key_Return);
    QCOMPARE(names(), QStringList({"Achat Château Figeac"}));
    QCOMPARE(focusName(), QString("Grille"));
    // Sorted by the name from the keyboard, then the other way; the newest first among equals.
    typeOver(window.findChild<QLineEdit*>("Recherche"), "");
    QTest::keyClick(window.findChild<QLineEdit*>("Recherche"), Qt::Key_Down);
    auto* grid = window.findChild<QTableView*>("Grille");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(names(), QStringList({"Achat Château Figeac", "Consommation Pommard", "Achat Pommard"}));
    QTest::keyClick(grid, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(names(), QStringList({"Consommation Pommard", "Achat Pommard", "Achat Château Figeac"}));
}

void TestHistory::periodsOfTheList() {
    const QList<HistoryQuery::Period> periods = HistoryQuery::periods(QDate(2026, 3, 31), 2024, 2026);
    QCOMPARE(periods.size(), 7);
    QCOMPARE(periods.at(1).from, QDate(2026, 3, 1));
    QCOMPARE(periods.at(2).from, QDate(2026, 3, 2));
    QCOMPARE(periods.at(3).from, QDate(2025, 4, 1));
    QCOMPARE(periods.at(6).label, QString("Année 2024"));
    QCOMPARE(periods.at(6).until, QDate(2024, 12, 31));
    // A journal whose dates another tool mangled lists no year before the first one.
    QCOMPARE(HistoryQuery::periods(QDate(2026, 3, 31), 0, 0).size(), 5);
}

void TestHistory::detailsNoLotShowsListedFromTheHistory_data() {
    QTest::addColumn<QString>("otherTool");
    QTest::addColumn<bool>("mended");
    QTest::addColumn<QStringList>("rows"); // the first ones listed
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("count");
    const QString note(1000000, u'n');
    QTest::newRow("lot kept") << "UPDATE ORNY SET QUANTITE = QUANTITE" << true << QStringList() << 0
                              << "Aucun détail n'est détaché de son lot.";
    QTest::newRow("lot removed, then mended")
        << "DELETE FROM ORNY WHERE NOM = 'Pommard'" << true
        << QStringList{"mis de côté|Pommard, Bourgogne, 1996, Rouge|Cave, casier 3|2020 – 2030|Fin|4"} << 1
        << "1 détail sans lot.";
    QTest::newRow("lot renamed, not mended yet")
        << "UPDATE ORNY SET NOM = 'Volnay' WHERE NOM = 'Pommard'" << false
        << QStringList{"lot modifié ou disparu|Pommard, Bourgogne, 1996, Rouge|Cave, casier 3|2020 – "
                       "2030|Fin|4"}
        << 1 << "1 détail sans lot.";
    QTest::newRow("lot never journalled, megabyte note")
        << "DELETE FROM MOUVEMENT; UPDATE DETAIL SET NOTE = '" + note +
               "'; DELETE FROM ORNY WHERE NOM = 'Pommard'"
        << true
        << QStringList{"mis de côté|inconnu de l'historique|Cave, casier 3|2020 – 2030|" + note.left(300) +
                       " […]|4"}
        << 1 << "1 détail sans lot.";
    // Set aside by repairs over the years: the first thousand are listed, the newest first.
    QTest::newRow("1,500 set aside") << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                        "WHERE i < 1500) INSERT INTO DETAIL "
                                        "(LOT, EMPLACEMENT, EMPREINTE) SELECT -i, 'Casier ' || i, 0 FROM n"
                                     << false
                                     << QStringList{"mis de côté|inconnu de l'historique|Casier 1500|||"}
                                     << 1000 << QString("Les 1000 premiers des 1500 détails sans lot.");
}

void TestHistory::detailsNoLotShowsListedFromTheHistory() {
    QFETCH(QString, otherTool);
    QFETCH(bool, mended);
    QFETCH(QStringList, rows);
    QFETCH(int, listed);
    QFETCH(QString, count);
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        LotDetails details;
        details.boireDes = 2020;
        details.boireJusqua = 2030;
        details.emplacement = "Cave, casier 3";
        details.note = "Fin";
        details.appreciation = 4;
        QVERIFY(!CellarQueries::addLot(link, {"Pommard", "Bourgogne", 1996, "Rouge", 3, 30, details}));
        QVERIFY(!CellarQueries::addLot(link, {"Figeac", "Saint-Émilion", 2015, "Rouge", 6, 40}));
    }
    for (const QString& statement : otherTool.split("; "))
        cellar.exec(statement);
    if (mended) {
        DataLink link(cellar.databasePath());
        QVERIFY(!LotIdentity::repair(link));
    }
    const auto stored = [&cellar] { return cellar.rows("SELECT * FROM DETAIL ORDER BY LOT"); };
    const std::vector<DbRow> before = stored();
    Historique window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QStringList shown;
    QString said;
    whenModal([&](QDialog* opened) {
        auto* details = qobject_cast<DetailsSansLot*>(opened);
        QVERIFY(details);
        QCOMPARE(focusName(), QString("Grille"));
        shown = modelRows(details->grid()->model());
        said = details->findChild<QLabel*>("Nombre")->text();
        pressAccessKey(details, Qt::Key_F);
    });
    pressAccessKey(&window, Qt::Key_S);
    QTRY_VERIFY(QApplication::activeModalWidget() == &window);
    QCOMPARE(shown.mid(0, rows.size()), rows);
    QCOMPARE(shown.size(), listed);
    QCOMPARE(said, count);
    // Only read: every detail kept as it was.
    QCOMPARE(stored(), before);
    QCOMPARE(cellar.messageCount(), 0);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
