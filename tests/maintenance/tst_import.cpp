// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/ImportBase.h"
#include "maintenance/JetReader.h"
#include "maintenance/LegacyImport.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QRandomGenerator>
#include <QTest>
#include <QTreeView>

namespace {

QString fixture(const char* name) {
    return JetFixtures::path(name);
}

const QStringList& Jet4Lots = JetFixtures::Jet4Lots;

void write(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void fullJet4File();
    void earlierTablesAndTypes();
    void jet3ThroughTheReader();
    void importingTwiceAppendsTwice();
    void unusableFiles_data();
    void unusableFiles();
    void failureAppendsNothing();
    void windowChoosesAndImports();
    void folderListOpensOntoTheChosenFolder();
};

void TestImport::fullJet4File() {
    TestCellar cellar;
    cellar.addLot("Déjà là", "Jura", 2001, "Blanc", 2, 3.0);
    const auto result = LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath());
    QCOMPARE(result.error, QString());
    QCOMPARE(result.added, 11);
    QCOMPARE(cellar.lots(), QStringList({"Déjà là|Jura|2001|Blanc|2|3"}) + Jet4Lots);
    // Numbers keep their types: whole numbers stay integers, prices are reals, nulls stay null.
    const auto types = cellar.rows("SELECT typeof(ANNEE), typeof(QUANTITE), typeof(PRIXUNITAIRE) FROM ORNY "
                                   "WHERE NOM = 'Pouilly-Fumé'");
    QCOMPARE(types.front().at(0).toString(), QString("integer"));
    QCOMPARE(types.front().at(1).toString(), QString("integer"));
    QCOMPARE(types.front().at(2).toString(), QString("null"));
    QCOMPARE(LegacyImport::readColours(cellar.jetHelper(), fixture("jet4/Vin.mdb")),
             QStringList({"Blanc", "Jaune", "Rosé", "Rouge"}));
}

void TestImport::earlierTablesAndTypes() {
    TestCellar cellar;
    QCOMPARE(
        LegacyImport::run(cellar.jetHelper(), fixture("jet4-sans-prix/Vin.mdb"), cellar.databasePath()).added,
        3);
    QCOMPARE(
        LegacyImport::run(cellar.jetHelper(), fixture("jet4-monnaie/Vin.mdb"), cellar.databasePath()).added,
        3);
    const QStringList lots = cellar.lots();
    for (int i = 0; i < 3; ++i)
        QVERIFY2(lots.at(i).endsWith("|<null>"), qPrintable(lots.at(i)));
    QCOMPARE(lots.mid(3).join(';'),
             QString("Gevrey-Chambertin|Bourgogne|1996|Rouge|6|32.45;"
                     "Muscadet|Loire|1998|Blanc|12|3.05;Cassis|Provence|1997|Rosé|2|<null>"));
    QCOMPARE(cellar.rows("SELECT PRIXUNITAIRE FROM ORNY WHERE NOM = 'Gevrey-Chambertin'")
                 .front()
                 .front()
                 .toDouble(),
             32.45);
}

void TestImport::jet3ThroughTheReader() {
    QStringList columns;
    std::vector<DbRow> rows;
    JetReader::Handlers handlers;
    handlers.start = [&](const QStringList& c, qint64) -> Status {
        columns = c;
        return std::nullopt;
    };
    handlers.row = [&](const DbRow& row) -> Status {
        rows.push_back(row);
        return std::nullopt;
    };
    const auto read =
        JetReader::read(TestCellar().jetHelper(), fixture("jet3-generique/test.mdb"), "table1", handlers);
    QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
    QCOMPARE(columns, QStringList({"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
    QCOMPARE(rows.size(), size_t(2));
    const DbRow& row = rows.at(1);
    QCOMPARE(row.at(0).toString(), QString("abcdefg"));
    QCOMPARE(row.at(1).toString(), QString("hijklmnop"));
    QCOMPARE(row.at(2).toLongLong(), 2);
    QCOMPARE(row.at(3).toLongLong(), 222);
    QCOMPARE(row.at(4).toLongLong(), 333333333);
    QCOMPARE(row.at(5).toDouble(), 444.555);
    QCOMPARE(row.at(7).toDouble(), 3.5);
    QCOMPARE(row.at(8).toLongLong(), 1);
}

void TestImport::importingTwiceAppendsTwice() {
    TestCellar cellar;
    LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath());
    LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath());
    QCOMPARE(cellar.lots(), Jet4Lots + Jet4Lots);
}

void TestImport::unusableFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no ORNY") << fixture("jet4-sans-orny/Vin.mdb") << "il ne contient pas de table ORNY";
    QTest::newRow("truncated, libmdb loops") << fixture("jet4-tronque/Vin.mdb") << "endommagé";
    QTest::newRow("zero bytes") << "<empty>"
                                << "ce n'est pas une base d'une version antérieure";
    QTest::newRow("random bytes") << "<random>"
                                  << "ce n'est pas une base d'une version antérieure";
    QTest::newRow("random behind a Jet header") << "<jet-random>"
                                                << "";
    QTest::newRow("missing") << "/nulle/part/Vin.mdb"
                             << "il est introuvable";
}

void TestImport::unusableFiles() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    TestCellar cellar;
    cellar.addLot("Déjà là", "Jura", 2001, "Blanc", 2, 3.0);
    const QStringList before = cellar.lots();
    QRandomGenerator random(7);
    QByteArray noise(100000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    if (file.startsWith('<')) {
        const QString path = cellar.folder() + "Vin.mdb";
        if (file == "<empty>")
            write(path, {});
        else if (file == "<random>")
            write(path, noise);
        else
            write(path, QByteArray("\0\1\0\0Standard Jet DB\0", 20) + noise);
        file = path;
    }
    QElapsedTimer clock;
    clock.start();
    const auto result = LegacyImport::run(cellar.jetHelper(), file, cellar.databasePath());
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(result.added, 0);
    QVERIFY2(result.error.startsWith("Le fichier « "), qPrintable(result.error));
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    QVERIFY(result.error.contains("La cave n'a pas été modifiée."));
    QCOMPARE(cellar.lots(), before);
}

void TestImport::failureAppendsNothing() {
    TestCellar cellar;
    // A cellar that refuses one of the lots half-way: none of them may stay.
    cellar.exec("DROP TABLE ORNY");
    cellar.exec("CREATE TABLE ORNY (NOM TEXT CHECK (NOM <> 'Tavel'), TYPE TEXT, ANNEE INTEGER, COULEUR TEXT, "
                "QUANTITE INTEGER, PRIXUNITAIRE REAL)");
    const auto result = LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath());
    QCOMPARE(result.added, 0);
    QVERIFY2(result.error.contains("CHECK constraint failed"), qPrintable(result.error));
    QCOMPARE(cellar.lotCount(), 0);
    TestCellar missing;
    QFile::remove(missing.databasePath());
    const auto noCellar =
        LegacyImport::run(missing.jetHelper(), fixture("jet4/Vin.mdb"), missing.databasePath());
    QVERIFY(noCellar.error.contains("introuvable"));
    QVERIFY(!QFile::exists(missing.databasePath()));
}

void TestImport::windowChoosesAndImports() {
    TestCellar cellar;
    QTemporaryDir folder;
    QVERIFY(QFile::copy(fixture("jet4/Vin.mdb"), folder.path() + "/VIN.MDB"));
    write(folder.path() + "/Autre.mdb", "x");
    write(folder.path() + "/Vin.mdb.bak", "x");
    ImportBase window(cellar.globals, cellar.services);
    QCOMPARE(window.windowTitle(), QString("Import"));
    QCOMPARE(window.findChild<QLabel*>("Label1")->text(),
             QString("Vous pouvez importer des données d'une base créée avec une version inférieure à la "
                     "version 1.3"));
    window.Valider_Click();
    QCOMPARE(cellar.messageCount(), 0);
    window.setCurrentFolder(folder.path());
    QTRY_COMPARE(window.listedFiles(), QStringList({"VIN.MDB"}));
    auto* files = window.findChild<QListView*>("Fichiers");
    window.Fichiers_Click(files->model()->index(0, 0, files->rootIndex()));
    QCOMPARE(window.chosenPath(), folder.path() + "/VIN.MDB");
    window.Annuler_Click();
    QCOMPARE(window.chosenPath(), QString());
    window.Valider_Click();
    QCOMPARE(cellar.messageCount(), 0);
    window.Fichiers_Click(files->model()->index(0, 0, files->rootIndex()));
    window.setCurrentFolder(cellar.folder());
    QCOMPARE(window.chosenPath(), folder.path() + "/VIN.MDB");
    window.Valider_Click();
    QCOMPARE(cellar.lastMessage().title, QString("Brovane"));
    QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Critical);
    QCOMPARE(cellar.lastMessage().text,
             QString("L'import est terminé !!\n\n11 lots ont été ajoutés à la cave."));
    window.Valider_Click();
    QCOMPARE(cellar.lotCount(), 22);
    QCOMPARE(window.chosenPath(), folder.path() + "/VIN.MDB");
}

void TestImport::folderListOpensOntoTheChosenFolder() {
    TestCellar cellar;
    QTemporaryDir deep;
    ImportBase window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setCurrentFolder(deep.path());
    // Folders are read in the background, rows arriving after the choice: let them come in, then the
    // chosen folder must be in view (and stay there however long the machine takes).
    QTest::qWait(1500);
    auto* folders = window.findChild<QTreeView*>("Dossiers");
    QCOMPARE(folders->currentIndex().data().toString(), QFileInfo(deep.path()).fileName());
    const auto inView = [folders] {
        const QRect row = folders->visualRect(folders->currentIndex());
        return !row.isEmpty() && folders->viewport()->rect().contains(row.center());
    };
    QTRY_VERIFY_WITH_TIMEOUT(inView(), 10000);
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
