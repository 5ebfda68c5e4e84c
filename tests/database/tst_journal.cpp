// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "database/Journal.h"
#include "database/LotIdentity.h"
#include "database/SetAsideDetails.h"
#include "history/Annulation.h"
#include "support/TestCellar.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <functional>

namespace {

// Every lot with its rowid and the type of each value, and every detail: two equal snapshots are the
// same cellar to the last bit a reader can see.
QString snapshot(TestCellar& cellar) {
    QStringList lines;
    const bool details = !cellar.rows("SELECT 1 FROM sqlite_schema WHERE name = 'DETAIL'").empty();
    const QString detail = details ? "(SELECT json_array(BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, NOTE, "
                                     "APPRECIATION) FROM DETAIL WHERE LOT = ORNY.rowid)"
                                   : "NULL";
    for (const DbRow& row :
         cellar.rows("SELECT rowid, quote(NOM), quote(TYPE), quote(ANNEE), quote(COULEUR), "
                     "quote(QUANTITE), quote(PRIXUNITAIRE), " +
                     detail + " FROM ORNY ORDER BY rowid")) {
        QStringList values;
        for (const QVariant& value : row)
            values << value.toString();
        lines << values.join('|');
    }
    return lines.join('\n');
}

// A lot that only another tool could write: the vintage as text, a fractional quantity, no price.
void addOddLot(TestCellar& cellar) {
    cellar.exec("INSERT INTO ORNY VALUES ('Cuvée ancienne', 'Jura', '1990', 'Blanc', 2.5, NULL)");
}

bool undoLast(TestCellar& cellar, QString* described = nullptr) {
    // A new link each time, as after a restart: the journal alone says what to undo.
    DataLink link(cellar.databasePath());
    bool changed = false;
    const Status status = link.write([&](DataLink& l) -> Status {
        std::optional<Journal::Undoable> last;
        if (Status s = Journal::lastUndoable(l, last))
            return s;
        if (!last)
            return Failure{"rien à annuler", {}};
        if (described)
            *described = Annulation::describe(*last);
        return Journal::undo(l, last->group, changed);
    });
    if (status)
        qWarning("%s", qPrintable(status->text()));
    return !status && !changed;
}

qint64 count(TestCellar& cellar, const QString& sql) {
    return cellar.rows(sql).front().front().toLongLong();
}

CellarQueries::StoredLot lotNamed(TestCellar& cellar, const QString& name) {
    DataLink link(cellar.databasePath());
    const qint64 rowid =
        link.query("SELECT rowid FROM ORNY WHERE NOM = ?1", {name}).rows.front().front().toLongLong();
    return CellarQueries::lotAt(link, rowid);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void everyKindUndoneExactly();
    void undoesGoBackOneOperationAtATimeAndNeverReuseALot();
    void detailsGoWithTheLotAndComeBackWithIt();
    void largeImportUndoneWhole();
    void undoRefusedWhenTheLotChangedSince();
    void journalAddedOnFirstWriteAndCheckedWhenPresent();
    void lotsKeepTheirDetailsThroughStockTools_data();
    void lotsKeepTheirDetailsThroughStockTools();
    void brokenLinksNeverShownAndFollowedWhenTheyCanBe();
    void alikeLotsNeverShowAnotherOnesDetails_data();
    void alikeLotsNeverShowAnotherOnesDetails();
};

void TestJournal::everyKindUndoneExactly() {
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 1, 80);
    addOddLot(cellar);
    const CellarQueries::LotKey pommard{"Pommard", "Bourgogne", 1996, "Rouge"};
    const CellarQueries::LotKey margaux{"Margaux", "Bordeaux", 1998, "Rouge"};

    struct Operation {
        const char* name;
        std::function<Status(DataLink&)> run;
        const char* kind;
        const char* described;
        qint64 movements;
        double bottles; // of all the movements together
    };
    const Operation operations[] = {
        {"purchase",
         [](DataLink& l) {
             return CellarQueries::addLot(l, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 14.9});
         },
         "achat", "achat de 12 Chablis 2019", 1, 12},
        {"consumption that lowers",
         [&](DataLink& l) { return CellarQueries::consume(l, pommard, 6, 2).error; }, "consommation",
         "consommation de 2 Pommard 1996", 1, -2},
        {"consumption that removes the lot",
         [&](DataLink& l) { return CellarQueries::consume(l, margaux, 1, 1).error; }, "consommation",
         "consommation de 1 Margaux 1998", 1, -1},
        {"import",
         [](DataLink& l) {
             return l.write([](DataLink& w) -> Status {
                 return CellarQueries::append(w, Journal::Kind::Import, [](CellarQueries::Appender& a) {
                     for (int i = 0; i < 3; ++i)
                         if (Status s = a.add({"Import", "Loire", 2000 + i, "Rosé", 1 + i, {}}))
                             return s;
                     return Status();
                 });
             });
         },
         "import", "import de 3 lots", 3, 6},
        {"correction of a lot another tool wrote",
         [&](DataLink& l) {
             bool changed = false;
             const Status s =
                 CellarQueries::correctLot(l, lotNamed(cellar, "Cuvée ancienne"),
                                           {"Cuvée ancienne", "Jura", 1990, "Blanc", 3, 20.0}, changed);
             return changed ? Status(Failure{"changé", {}}) : s;
         },
         "correction", "correction de Cuvée ancienne 1990", 1, 0.5},
        {"removal",
         [&](DataLink& l) {
             bool changed = false;
             const Status s = CellarQueries::removeLot(l, lotNamed(cellar, "Pommard"), changed);
             return changed ? Status(Failure{"changé", {}}) : s;
         },
         "suppression", "suppression de Pommard 1996", 1, -6},
    };
    for (const Operation& op : operations) {
        const QString before = snapshot(cellar);
        const qint64 movementsBefore =
            cellar.rows("SELECT 1 FROM sqlite_schema WHERE name = 'MOUVEMENT'").empty()
                ? 0
                : count(cellar, "SELECT COUNT(*) FROM MOUVEMENT");
        {
            DataLink link(cellar.databasePath());
            const Status status = op.run(link);
            QVERIFY2(!status, op.name);
        }
        QVERIFY2(snapshot(cellar) != before, op.name);
        const auto group =
            cellar
                .rows(
                    "SELECT COUNT(*), MIN(NATURE), MAX(NATURE), SUM(BOUTEILLES), MIN(LOT_APRES IS NOT NULL) "
                    "FROM MOUVEMENT WHERE ID > ?1",
                    {movementsBefore})
                .front();
        QCOMPARE(group.at(0).toLongLong(), op.movements);
        QCOMPARE(group.at(1).toString(), QString(op.kind));
        QCOMPARE(group.at(2).toString(), QString(op.kind));
        QCOMPARE(group.at(3).toDouble(), op.bottles);
        QVERIFY(group.at(4).toBool());

        QString described;
        QVERIFY2(undoLast(cellar, &described), op.name);
        QCOMPARE(described, QString(op.described));
        QCOMPARE(snapshot(cellar), before);
        // The undo is journalled too, one reversal for each movement, and the movements are marked undone.
        QCOMPARE(
            count(cellar, QString("SELECT COUNT(*) FROM MOUVEMENT WHERE ID > %1 AND NATURE = 'annulation' "
                                  "AND ANNULE IS NOT NULL")
                              .arg(movementsBefore)),
            op.movements);
        QCOMPARE(
            count(cellar, QString("SELECT COUNT(*) FROM MOUVEMENT WHERE ID > %1 AND ANNULE_PAR IS NOT NULL")
                              .arg(movementsBefore)),
            op.movements);
    }
    // Everything undone: nothing is left to undo.
    QVERIFY(!undoLast(cellar));
}

void TestJournal::undoesGoBackOneOperationAtATimeAndNeverReuseALot() {
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    const QString start = snapshot(cellar);
    qint64 first = 0;
    qint64 second = 0;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 14.9}, &first));
        QVERIFY(!CellarQueries::consume(link, {"Pommard", "Bourgogne", 1996, "Rouge"}, 6, 1).error);
    }
    QString described;
    QVERIFY(undoLast(cellar, &described));
    QCOMPARE(described, QString("consommation de 1 Pommard 1996"));
    QVERIFY(undoLast(cellar, &described));
    QCOMPARE(described, QString("achat de 12 Chablis 2019"));
    QCOMPARE(snapshot(cellar), start);
    QVERIFY(!undoLast(cellar));
    // The undone purchase's lot number is not given to the next one.
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 14.9}, &second));
    }
    QVERIFY(second > first);
}

void TestJournal::detailsGoWithTheLotAndComeBackWithIt() {
    TestCellar cellar;
    const LotDetails details{2020, 2030, "Casier 3, rangée B", "Fruité, « long »", 4};
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Pommard", "Bourgogne", 1996, "Rouge", 2, 31.5, details}));
    }
    const QString bought = snapshot(cellar);
    QVERIFY(bought.endsWith("[2020,2030,\"Casier 3, rangée B\",\"Fruité, « long »\",4]"));
    // Drunk to the last bottle: the lot goes with its details; undone, both come back.
    {
        DataLink link(cellar.databasePath());
        QCOMPARE(CellarQueries::consume(link, {"Pommard", "Bourgogne", 1996, "Rouge"}, 2, 2).outcome,
                 CellarQueries::Consumed::Removed);
    }
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM DETAIL"), 0);
    QVERIFY(undoLast(cellar));
    QCOMPARE(snapshot(cellar), bought);
    // A correction that clears them, undone.
    {
        DataLink link(cellar.databasePath());
        bool changed = false;
        QVERIFY(!CellarQueries::correctLot(link, lotNamed(cellar, "Pommard"),
                                           {"Pommard", "Bourgogne", 1996, "Rouge", 2, 31.5}, changed));
        QVERIFY(!changed);
    }
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM DETAIL"), 0);
    QVERIFY(undoLast(cellar));
    QCOMPARE(snapshot(cellar), bought);
    QCOMPARE(lotNamed(cellar, "Pommard").lot.details().emplacement, QString("Casier 3, rangée B"));
}

void TestJournal::largeImportUndoneWhole() {
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    const QString before = snapshot(cellar);
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!link.write([](DataLink& l) -> Status {
            return CellarQueries::append(l, Journal::Kind::Import, [](CellarQueries::Appender& a) {
                // More lots than the undo reads at once.
                for (int i = 0; i < 2500; ++i)
                    if (Status s = a.add({QString("Lot %1").arg(i), "Loire", 2000, "Blanc", 1, 5.0}))
                        return s;
                return Status();
            });
        }));
    }
    QString described;
    QVERIFY(undoLast(cellar, &described));
    QCOMPARE(described, QString("import de 2\u202F500 lots"));
    QCOMPARE(snapshot(cellar), before);
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM MOUVEMENT WHERE ANNULE_PAR IS NOT NULL"), 2500);
}

void TestJournal::undoRefusedWhenTheLotChangedSince() {
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::consume(link, {"Pommard", "Bourgogne", 1996, "Rouge"}, 6, 2).error);
    }
    const auto journalOf = [&] {
        QStringList lines;
        for (const DbRow& row : cellar.rows("SELECT * FROM MOUVEMENT ORDER BY ID")) {
            QStringList values;
            for (const QVariant& value : row)
                values << value.toString();
            lines << values.join('|');
        }
        return lines.join('\n');
    };
    // Another tool changes the price: the consumption can no longer be undone, and nothing moves.
    cellar.exec("UPDATE ORNY SET PRIXUNITAIRE = 33 WHERE NOM = 'Pommard'");
    const QString cellarBefore = snapshot(cellar);
    const QString journalBefore = journalOf();
    DataLink link(cellar.databasePath());
    bool changed = false;
    QVERIFY(!link.write([&](DataLink& l) -> Status {
        std::optional<Journal::Undoable> last;
        if (Status s = Journal::lastUndoable(l, last))
            return s;
        return Journal::undo(l, last->group, changed);
    }));
    link.close();
    QVERIFY(changed);
    QCOMPARE(snapshot(cellar), cellarBefore);
    QCOMPARE(journalOf(), journalBefore);

    // A lot removed by the program whose place another tool has filled since is not put back over it.
    TestCellar other;
    other.addLot("Margaux", "Bordeaux", 1998, "Rouge", 1, 80);
    {
        DataLink l(other.databasePath());
        QVERIFY(!CellarQueries::consume(l, {"Margaux", "Bordeaux", 1998, "Rouge"}, 1, 1).error);
    }
    other.exec("INSERT INTO ORNY (rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE) VALUES "
               "((SELECT LOT FROM MOUVEMENT), 'Autre', 'Loire', 2001, 'Blanc', 3)");
    const QString otherBefore = snapshot(other);
    QVERIFY(!undoLast(other));
    QCOMPARE(snapshot(other), otherBefore);
}

void TestJournal::journalAddedOnFirstWriteAndCheckedWhenPresent() {
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM sqlite_schema WHERE name IN ('MOUVEMENT', 'DETAIL')"), 0);
    {
        DataLink link(cellar.databasePath());
        std::optional<Journal::Undoable> last;
        QVERIFY(!Journal::lastUndoable(link, last));
        QVERIFY(!last);
        // A write that fails takes the tables it created with it; the next one on the same link makes them.
        QVERIFY(link.write([](DataLink& l) -> Status {
            if (Status s = Journal::ensureTables(l))
                return s;
            return Failure{"échec", {}};
        }));
        QVERIFY(!CellarQueries::addLot(link, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 14.9}));
    }
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM sqlite_schema WHERE name IN ('MOUVEMENT', 'DETAIL')"), 2);

    // A table of that name made by someone else, without the journal's columns: the write is refused
    // whole, with the missing column named.
    TestCellar crafted;
    crafted.exec("CREATE TABLE MOUVEMENT (ID INTEGER PRIMARY KEY, QUAND TEXT)");
    const QString before = snapshot(crafted);
    DataLink link(crafted.databasePath());
    const Status status = CellarQueries::addLot(link, {"Chablis", "Bourgogne", 2019, "Blanc", 12, 14.9});
    link.close();
    QVERIFY(status);
    QVERIFY2(status->message.contains("il manque la colonne NATURE de la table MOUVEMENT"),
             qPrintable(status->message));
    QCOMPARE(snapshot(crafted), before);
}

namespace {

// Each lot as the program reads it (values, then its location and note), in rowid order.
QStringList lotsWithDetails(TestCellar& cellar) {
    QStringList lines;
    DataLink link(cellar.databasePath());
    for (const DbRow& row : link.query("SELECT rowid FROM ORNY ORDER BY rowid").rows) {
        const CellarQueries::StoredLot lot = CellarQueries::lotAt(link, row.front().toLongLong());
        QStringList values;
        for (const QVariant& v : lot.lot.values)
            values << v.toString();
        const LotDetails details = lot.lot.details();
        lines << values.join('|') + " @ " + details.emplacement + " / " + details.note;
    }
    return lines;
}

// Runs the stock sqlite3 shell as a user would, on the file, with the commands on its input.
void shell(const QString& file, const QByteArray& commands, const QString& output = {}) {
    QProcess sqlite;
    if (!output.isEmpty())
        sqlite.setStandardOutputFile(output);
    sqlite.start("sqlite3", {file});
    QVERIFY2(sqlite.waitForStarted(), "sqlite3 manque : scripts/setup l'installe");
    sqlite.write(commands);
    sqlite.closeWriteChannel();
    QVERIFY(sqlite.waitForFinished(60000));
    QCOMPARE(sqlite.exitCode(), 0);
}

// Whether the shell's .recover can run: it reads the pages through the sqlite_dbpage table, which some
// builds of the library leave out (then .recover writes a few pragmas and fails on any file).
bool shellRecovers() {
    QProcess sqlite;
    sqlite.start("sqlite3", {":memory:", "SELECT pgno FROM sqlite_dbpage LIMIT 0;"});
    return sqlite.waitForFinished(60000) && sqlite.exitStatus() == QProcess::NormalExit &&
           sqlite.exitCode() == 0;
}

} // namespace

void TestJournal::lotsKeepTheirDetailsThroughStockTools_data() {
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<bool>("dropIndexes");
    QTest::newRow("VACUUM") << QByteArray("VACUUM;") << false;
    QTest::newRow("VACUUM of a table without index") << QByteArray("VACUUM;") << true;
    QTest::newRow(".dump into a new file") << QByteArray(".dump") << false;
    QTest::newRow(".dump of a table without index") << QByteArray(".dump") << true;
    QTest::newRow(".recover into a new file") << QByteArray(".recover") << false;
    QTest::newRow(".recover of a table without index") << QByteArray(".recover") << true;
}

void TestJournal::lotsKeepTheirDetailsThroughStockTools() {
    QFETCH(QByteArray, tool);
    QFETCH(bool, dropIndexes);
    if (tool == ".recover" && !shellRecovers())
        QSKIP("this sqlite3 cannot .recover: its library was built without the sqlite_dbpage table");
    TestCellar cellar;
    DataLink link(cellar.databasePath());
    // Two lots alike in all six values, told apart by their details only; lots with and without details;
    // a lot written by another tool with a plain INSERT of six values.
    auto buy = [&](const QString& name, int bottles, const QString& where) {
        LotDetails details;
        details.emplacement = where;
        details.note = where.isEmpty() ? QString() : "note de " + where;
        QVERIFY(!CellarQueries::addLot(link, {name, "Bourgogne", 2010, "Rouge", bottles, 12.5, details}));
    };
    buy("Volnay", 6, "A1");
    buy("Gone", 1, "B1");
    buy("Pommard", 3, "");
    buy("Volnay", 6, "C3");
    buy("Meursault", 2, "D4");
    link.close();
    cellar.exec("INSERT INTO ORNY VALUES ('Autre outil', 'Loire', 2015, 'Blanc', 4, NULL)");
    bool changed = false;
    QVERIFY(!CellarQueries::removeLot(link, lotNamed(cellar, "Gone"), changed) && !changed);
    QVERIFY(!CellarQueries::consume(link, {"Meursault", "Bourgogne", 2010, "Rouge"}, 2, 1).error);
    link.close();
    const QStringList before = lotsWithDetails(cellar);

    const QString path = cellar.databasePath();
    if (dropIndexes)
        shell(path, "DROP INDEX ORNY_NOM; DROP INDEX ORNY_TYPE;");
    if (tool.startsWith('.')) {
        const QString script = path + ".sql";
        shell(path, tool + "\n", script);
        QVERIFY(QFile::remove(path));
        shell(path, ".read '" + script.toUtf8() + "'\n");
    } else {
        shell(path, tool);
    }

    // Until the program mends them, details whose lot moved are shown on no lot, never on another one.
    for (const QString& line : lotsWithDetails(cellar))
        QVERIFY2(before.contains(line) || line.endsWith(" @  / "), qPrintable(line));
    // The program mends what the tool renumbered before it writes, then shows the same.
    LotIdentity::Repaired repaired;
    QVERIFY(!LotIdentity::repair(link, &repaired));
    link.close();
    QCOMPARE(repaired.aside, 0);
    QCOMPARE(lotsWithDetails(cellar), before);
    // The last operation is undone exactly, or refused with nothing changed.
    const QStringList lots = cellar.lots();
    if (undoLast(cellar)) {
        QCOMPARE(cellar.lotCount(), lots.size());
        QVERIFY(cellar.lots().contains("Meursault|Bourgogne|2010|Rouge|2|12.5"));
        QVERIFY(lotsWithDetails(cellar).contains("Meursault|Bourgogne|2010|Rouge|2|12.5 @ D4 / note de D4"));
    } else {
        QCOMPARE(cellar.lots(), lots);
        QCOMPARE(lotsWithDetails(cellar), before);
    }
    QVERIFY(lotsWithDetails(cellar).contains("Volnay|Bourgogne|2010|Rouge|6|12.5 @ C3 / note de C3"));
}

void TestJournal::brokenLinksNeverShownAndFollowedWhenTheyCanBe() {
    TestCellar cellar;
    DataLink link(cellar.databasePath());
    LotDetails details;
    details.emplacement = "Cave";
    qint64 first = 0;
    QVERIFY(!CellarQueries::addLot(link, {"Chablis", "Bourgogne", 2018, "Blanc", 6, 15.0, details}, &first));
    QVERIFY(!CellarQueries::addLot(link, {"Sancerre", "Loire", 2019, "Blanc", 6, 15.0, details}));
    link.close();
    // Another tool changes the quantity in place: the details follow the lot.
    cellar.exec("UPDATE ORNY SET QUANTITE = 5 WHERE NOM = 'Chablis'");
    QVERIFY(lotsWithDetails(cellar).contains("Chablis|Bourgogne|2018|Blanc|5|15 @  / "));
    LotIdentity::Repaired repaired;
    QVERIFY(!LotIdentity::repair(link, &repaired));
    QCOMPARE(repaired.restamped, 1);
    QVERIFY(lotsWithDetails(cellar).contains("Chablis|Bourgogne|2018|Blanc|5|15 @ Cave / "));
    // Another tool puts another wine where the lot was: its details are never shown on it, and kept.
    cellar.exec("UPDATE ORNY SET NOM = 'Muscadet', TYPE = 'Loire' WHERE NOM = 'Sancerre'");
    QVERIFY(lotsWithDetails(cellar).contains("Muscadet|Loire|2019|Blanc|6|15 @  / "));
    QVERIFY(!LotIdentity::repair(link, &repaired));
    link.close();
    QCOMPARE(repaired.aside, 1);
    QVERIFY(lotsWithDetails(cellar).contains("Muscadet|Loire|2019|Blanc|6|15 @  / "));
    QCOMPARE(count(cellar, "SELECT COUNT(*) FROM DETAIL WHERE EMPLACEMENT = 'Cave'"), 2);
}

void TestJournal::alikeLotsNeverShowAnotherOnesDetails_data() {
    QTest::addColumn<QString>("secondPlace");
    QTest::addColumn<QString>("removed"); // by another tool, before it renumbers the lots
    QTest::addColumn<bool>("writeFirst"); // a purchase on the same link before the tool runs
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("aside");
    QTest::newRow("the first alike removed") << "Cave B"
                                             << "Cave A" << false << "Avant Z0, Volnay , Après Z9" << 2;
    QTest::newRow("the second alike removed") << "Cave B"
                                              << "Cave B" << true << "Avant Z0, Volnay , Après Z9" << 2;
    QTest::newRow("another lot removed") << "Cave B"
                                         << "Z0" << true << "Volnay Cave A, Volnay Cave B, Après Z9" << 1;
    QTest::newRow("an alike without details") << ""
                                              << "Z0" << false << "Volnay , Volnay , Après Z9" << 2;
    QTest::newRow("nothing removed") << ""
                                     << "" << true << "Avant Z0, Volnay Cave A, Volnay , Après Z9" << 0;
}

void TestJournal::alikeLotsNeverShowAnotherOnesDetails() {
    QFETCH(QString, secondPlace);
    QFETCH(QString, removed);
    QFETCH(bool, writeFirst);
    QFETCH(QString, shown);
    QFETCH(int, aside);
    TestCellar cellar;
    DataLink link(cellar.databasePath());
    for (const auto& [name, place] : {std::pair<QString, QString>{"Avant", "Z0"},
                                      {"Volnay", "Cave A"},
                                      {"Volnay", secondPlace},
                                      {"Après", "Z9"}}) {
        LotDetails details;
        details.emplacement = place;
        QVERIFY(!CellarQueries::addLot(link, {name, "Bourgogne", 2010, "Rouge", 6, 12.5, details}));
    }
    if (writeFirst)
        QVERIFY(!CellarQueries::addLot(link, {"Achat", "Loire", 2020, "Blanc", 1, 5.0}));
    cellar.exec(QStringLiteral("DELETE FROM ORNY WHERE rowid = (SELECT LOT FROM DETAIL WHERE EMPLACEMENT = "
                               "'%1'); DELETE FROM ORNY WHERE NOM = 'Achat'; CREATE TABLE t AS SELECT * FROM "
                               "ORNY ORDER BY rowid; DELETE FROM ORNY; INSERT INTO ORNY SELECT * FROM t; "
                               "DROP TABLE t")
                    .arg(removed));
    // The next write of the same link mends first, as a new link does.
    QVERIFY(!CellarQueries::addLot(link, {"Achat", "Loire", 2020, "Blanc", 1, 5.0}));
    link.close();
    QStringList lots;
    for (const QString& line : lotsWithDetails(cellar))
        if (!line.startsWith("Achat"))
            lots << line.section('|', 0, 0) + ' ' + line.section(" @ ", 1).section(" / ", 0, 0);
    QCOMPARE(lots.join(", "), shown);
    const Result<SetAsideDetails::Listing> listed = SetAsideDetails::read(link);
    QVERIFY(listed.ok());
    QCOMPARE(listed.value().total, aside);
}

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
