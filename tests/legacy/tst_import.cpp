// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacy/ImportBase.h"
#include "legacy/JetReader.h"
#include "legacy/LegacyImport.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"
#include "ui/Appearance.h"
#include "ui/WindowTools.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTreeView>
#include <QtEndian>

namespace {

// What the import tells the user, the engine's words included.
QString errorOf(const LegacyImport::Result& result) {
    return result.failure ? result.failure->text() : QString();
}

QString fixture(const char* name) {
    return JetFixtures::path(name);
}

const QStringList& Jet4Lots = JetFixtures::Jet4Lots;

void write(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// A copy of the Jet 4 fixture whose ORNY declares another number of rows than the 11 it holds (its
// table definition is page 24; the count is at byte 16 of the page).
QString declaring(const QString& folder, quint32 rows) {
    QByteArray file = fileBytes(fixture("jet4/Vin.mdb"));
    qToLittleEndian(rows, file.data() + 24 * 4096 + 16);
    const QString path = folder + "Vin.mdb";
    writeFile(path, file);
    return path;
}

// A helper that answers as a hostile file would make it answer: the rows given, one a line, each as
// LIGNE and six values of the protocol.
void fakeHelper(const QString& path, const QStringList& rows) {
    QByteArray script =
        "#!/bin/sh\ncat <<'EOF'\nBROVANE-JET 1\nCOLONNES\tNOM\tTYPE\tANNEE\tCOULEUR\tQUANTITE\t"
        "PRIXUNITAIRE\nLIGNES\t" +
        QByteArray::number(rows.size()) + "\n";
    for (const QString& row : rows)
        script += "LIGNE\t" + row.toUtf8() + "\n";
    script += "FIN\t" + QByteArray::number(rows.size()) + "\t" + QByteArray::number(rows.size()) + "\nEOF\n";
    QFile::remove(path);
    writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray text64(const QString& text) {
    return "T" + text.toUtf8().toBase64();
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        useFrenchLocale();
        Appearance::install(*qApp);
    }
    void fullJet4File();
    void earlierTablesAndTypes();
    void jet3ThroughTheReader();
    void importingTwiceAppendsTwice();
    void unusableFiles_data();
    void unusableFiles();
    void failureAppendsNothing();
    void declaredRowsAreHeld_data();
    void declaredRowsAreHeld();
    void lotsABuyerCouldNotRecordAreAsked();
    void cancelledImportWritesNothing();
    void memoryStaysBoundedWhateverTheFile();
    void pathReadableOnAnyPaletteAndDrivesChangeTheFiles();
    void windowChoosesAndImports();
    void folderListOpensOntoTheChosenFolder();
    void fileListChosenByKeys_data();
    void fileListChosenByKeys();
    void listsShowWhereTheFocusIs();
};

void TestImport::fullJet4File() {
    TestCellar cellar;
    cellar.addLot("Déjà là", "Jura", 2001, "Blanc", 2, 3.0);
    const auto result = LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath());
    QCOMPARE(errorOf(result), QString());
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
    QVERIFY2(read.ok(), qPrintable(read.status() ? read.failure().text() : QString()));
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
            write(path, JetFixtures::Header + noise);
        file = path;
    }
    const auto result = LegacyImport::run(cellar.jetHelper(), file, cellar.databasePath());
    QCOMPARE(result.added, 0);
    QVERIFY2(errorOf(result).startsWith("Le fichier « "), qPrintable(errorOf(result)));
    QVERIFY2(errorOf(result).contains(reason), qPrintable(errorOf(result)));
    QVERIFY(errorOf(result).contains("La cave n'a pas été modifiée."));
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
    QVERIFY2(errorOf(result).contains("CHECK constraint failed"), qPrintable(errorOf(result)));
    QCOMPARE(cellar.lotCount(), 0);
    TestCellar missing;
    QFile::remove(missing.databasePath());
    const auto noCellar =
        LegacyImport::run(missing.jetHelper(), fixture("jet4/Vin.mdb"), missing.databasePath());
    QVERIFY(errorOf(noCellar).contains("introuvable"));
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

    // Moving in the list with the arrow keys chooses the file highlighted, as a click does.
    QVERIFY(QFile::copy(fixture("jet4/Vin.mdb"), folder.path() + "/vin.mdb"));
    window.setCurrentFolder(folder.path());
    QTRY_COMPARE(window.listedFiles().size(), 2);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Home);
    QCOMPARE(files->currentIndex(), files->model()->index(0, 0, files->rootIndex()));
    const QString first = window.chosenPath();
    QTest::keyClick(files, Qt::Key_Down);
    QVERIFY(window.chosenPath() != first);
    QCOMPARE(QDir::fromNativeSeparators(window.chosenPath()),
             folder.path() + "/" + files->currentIndex().data().toString());
    QTest::keyClick(files, Qt::Key_Up);
    QCOMPARE(window.chosenPath(), first);
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

void TestImport::fileListChosenByKeys_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Espace") << Qt::Key_Space;
    QTest::newRow("flèche") << Qt::Key_Down;
    QTest::newRow("Entrée") << Qt::Key_Return;
    QTest::newRow("Début") << Qt::Key_Home;
}

// A keyboard user goes from folder to folder in the tree and Tabs into the file list: the list highlights
// the folder's file, the path above names it, and Valider imports that file, never one of a folder left
// before. After Annuler, the key chooses the highlighted file again.
void TestImport::fileListChosenByKeys() {
    QFETCH(Qt::Key, key);
    TestCellar cellar;
    QTemporaryDir root;
    const QString first = root.path() + "/a", second = root.path() + "/b";
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    QVERIFY(QFile::copy(fixture("jet4/Vin.mdb"), first + "/Vin.mdb"));
    QVERIFY(QFile::copy(fixture("jet4-sans-prix/Vin.mdb"), second + "/Vin.mdb"));
    ImportBase window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* folders = window.findChild<QTreeView*>("Dossiers");
    auto* files = window.findChild<QListView*>("Fichiers");
    const auto folderShown = [folders] {
        return QDir(folders->currentIndex().data(QFileSystemModel::FilePathRole).toString()).path();
    };
    window.setCurrentFolder(first);
    QTRY_COMPARE(window.listedFiles(), QStringList({"Vin.mdb"}));
    QTRY_COMPARE(folderShown(), first);
    folders->setFocus();
    // The path above the lists, then the file the list highlights as current and selected.
    const auto chosen = [&] {
        const QModelIndexList selected = files->selectionModel()->selectedIndexes();
        const QString highlighted = selected.size() == 1 && selected.front() == files->currentIndex()
                                        ? window.findChild<QFileSystemModel*>()->filePath(selected.front())
                                        : QString("rien");
        return QDir::fromNativeSeparators(window.chosenPath()) + " | " + highlighted;
    };
    const auto both = [](const QString& folder) { return folder + "/Vin.mdb | " + folder + "/Vin.mdb"; };
    QTest::keyClick(folders, Qt::Key_Tab);
    QCOMPARE(focusName(), QString("Fichiers"));
    QTRY_COMPARE(chosen(), both(first));

    // To the next folder in the tree, then back to the list.
    QTest::keyClick(files, Qt::Key_Backtab);
    QCOMPARE(focusName(), QString("Dossiers"));
    QTRY_COMPARE(folders->model()->rowCount(folders->currentIndex().parent()), 2);
    QTest::keyClick(folders, Qt::Key_Down);
    QTRY_COMPARE(folderShown(), second);
    QCOMPARE(chosen(), first + "/Vin.mdb | rien");
    QTest::keyClick(folders, Qt::Key_Tab);
    QTRY_COMPARE(chosen(), both(second));

    pressAccessKey(&window, Qt::Key_A);
    QTRY_COMPARE(chosen(), QString(" | rien"));
    // The focus stayed in the list: the key alone chooses.
    QCOMPARE(focusName(), QString("Fichiers"));
    QTest::keyClick(files, key);
    QCOMPARE(chosen(), both(second));
    const int before = cellar.lotCount();
    pressAccessKey(&window, Qt::Key_V);
    QTRY_COMPARE(cellar.messageCount(), 1);
    // The second file's three lots, not the first's eleven.
    QCOMPARE(cellar.lastMessage().text,
             QString("L'import est terminé !!\n\n3 lots ont été ajoutés à la cave."));
    QCOMPARE(cellar.lotCount(), before + 3);
}

// The folder tree and the file list draw a frame in the highlight colour while they have the focus, and
// only then.
void TestImport::listsShowWhereTheFocusIs() {
    TestCellar cellar;
    ImportBase window(cellar.globals, cellar.services);
    window.setCurrentFolder(fixture("jet4"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(window.listedFiles(), QStringList({"Vin.mdb"}));
    const auto framed = [](QWidget* list) {
        const QImage image = list->grab().toImage();
        const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
        for (const QPoint& at :
             {QPoint(0, image.height() / 2), QPoint(image.width() / 2, 0),
              QPoint(image.width() - 1, image.height() / 2), QPoint(image.width() / 2, image.height() - 1)})
            if (image.pixelColor(at) != highlight)
                return false;
        return true;
    };
    auto* folders = window.findChild<QTreeView*>("Dossiers");
    auto* files = window.findChild<QListView*>("Fichiers");
    window.findChild<QComboBox*>("Lecteurs")->setFocus();
    QVERIFY(!framed(folders));
    QVERIFY(!framed(files));
    QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusName(), QString("Dossiers"));
    QVERIFY(framed(folders));
    QVERIFY(!framed(files));
    QTest::keyClick(folders, Qt::Key_Tab);
    QCOMPARE(focusName(), QString("Fichiers"));
    QVERIFY(!framed(folders));
    QVERIFY(framed(files));
}

void TestImport::declaredRowsAreHeld_data() {
    QTest::addColumn<quint32>("declared");
    QTest::addColumn<QString>("reason");
    QTest::newRow("more rows than declared") << 5u << "déclare 5 lignes mais en contient davantage";
    QTest::newRow("fewer rows than declared") << 22u << "déclare 22 lignes mais en contient seulement 11";
    QTest::newRow("beyond any cellar") << 2000000u << "plus que les 1000000 qu'un import accepte";
}

void TestImport::declaredRowsAreHeld() {
    QFETCH(quint32, declared);
    QFETCH(QString, reason);
    TestCellar cellar;
    cellar.addLot("Déjà là", "Jura", 2001, "Blanc", 2, 3.0);
    const auto result =
        LegacyImport::run(cellar.jetHelper(), declaring(cellar.folder(), declared), cellar.databasePath());
    QCOMPARE(result.added, 0);
    QVERIFY2(errorOf(result).contains(reason), qPrintable(errorOf(result)));
    QVERIFY(errorOf(result).contains("La cave n'a pas été modifiée."));
    QCOMPARE(cellar.lots(), QStringList({"Déjà là|Jura|2001|Blanc|2|3"}));
}

void TestImport::lotsABuyerCouldNotRecordAreAsked() {
    const QByteArray bordeaux = text64("Bordeaux"), rouge = text64("Rouge");
    const QStringList rows = {
        text64("Margaux") + "\t" + bordeaux + "\tI1998\t" + rouge + "\tI6\tR12.5",
        "N\tN\tN\tN\tN\tN",
        text64("Futur") + "\t" + bordeaux + "\tI" + QByteArray::number(QDate::currentDate().year() + 1) +
            "\t" + rouge + "\tI6\tN",
        text64("Primeur") + "\t" + bordeaux + "\tI" + QByteArray::number(QDate::currentDate().year()) + "\t" +
            rouge + "\tI6\tN",
        text64("Demi") + "\t" + bordeaux + "\tI1998\t" + rouge + "\tR2.5\tN",
        text64("Négatif") + "\t" + bordeaux + "\tI1998\t" + rouge + "\tI1\tR-4",
        text64("Long") + "\t" + text64(QString(300, 'x')) + "\tI1998\t" + rouge + "\tI1\tN",
        text64("Pommard") + "\t" + text64("Bourgogne") + "\tI1996\t" + rouge + "\tI2\tM121000"};
    for (const auto answer : {MessageBox::Answer::No, MessageBox::Answer::Yes}) {
        TestCellar cellar;
        fakeHelper(cellar.jetHelper(), rows);
        writeFile(cellar.folder() + "Vin.mdb", JetFixtures::Header);
        ImportBase window(cellar.globals, cellar.services);
        window.setCurrentFolder(cellar.folder());
        QTRY_COMPARE(window.listedFiles(), QStringList({"Vin.mdb"}));
        auto* files = window.findChild<QListView*>("Fichiers");
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualRect(files->model()->index(0, 0, files->rootIndex())).center());
        cellar.services.messages.queueAnswer(answer);
        QTest::mouseClick(window.findChild<QPushButton*>("Valider"), Qt::LeftButton);
        const auto& question = cellar.services.messages.shown().at(0);
        QCOMPARE(question.buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(question.text,
                 QString("5 lots du fichier ne respectent pas les règles d'un achat et ne peuvent pas "
                         "être importés :\n1 lot sans nom\n1 lot dont l'année n'est pas valable\n"
                         "1 lot dont la quantité n'est pas un nombre entier de bouteilles\n"
                         "1 lot dont le prix est négatif, trop élevé ou n'est pas un nombre\n"
                         "1 lot dont un texte est trop long\n\n"
                         "Importer les 3 autres lots ?\n(Non : rien n'est importé.)"));
        if (answer == MessageBox::Answer::No) {
            QCOMPARE(cellar.lotCount(), 0);
            QCOMPARE(cellar.lastMessage().text,
                     QString("Rien n'a été importé : la cave n'a pas été modifiée."));
            continue;
        }
        // Currency keeps its decimal value: 12.1 stays 12.1.
        QCOMPARE(cellar.lots(),
                 QStringList({"Margaux|Bordeaux|1998|Rouge|6|12.5",
                              QString("Primeur|Bordeaux|%1|Rouge|6|<null>").arg(QDate::currentDate().year()),
                              "Pommard|Bourgogne|1996|Rouge|2|12.1"}));
        QVERIFY(cellar.lastMessage().text.startsWith(
            "L'import est terminé !!\n\n3 lots ont été ajoutés à la cave.\n"
            "Laissés de côté :\n1 lot sans nom\n"));
    }
}

void TestImport::cancelledImportWritesNothing() {
    TestCellar cellar;
    const auto result = LegacyImport::run(cellar.jetHelper(), fixture("jet4/Vin.mdb"), cellar.databasePath(),
                                          {[](qint64, qint64) { return false; }, {}});
    QVERIFY(result.cancelled);
    QCOMPARE(result.added, 0);
    QCOMPARE(cellar.lotCount(), 0);
    // From the window: the user presses Annuler in the progress dialog.
    cellar.services.progress.cancelAfter(0);
    ImportBase window(cellar.globals, cellar.services);
    window.setCurrentFolder(BROVANE_TEST_DATA "/jet/jet4");
    QTRY_COMPARE(window.listedFiles(), QStringList({"Vin.mdb"}));
    auto* files = window.findChild<QListView*>("Fichiers");
    window.Fichiers_Click(files->model()->index(0, 0, files->rootIndex()));
    QTest::mouseClick(window.findChild<QPushButton*>("Valider"), Qt::LeftButton);
    QCOMPARE(cellar.services.progress.shown().size(), 1);
    QCOMPARE(cellar.lastMessage().text, QString("L'import a été annulé : la cave n'a pas été modifiée."));
    QCOMPARE(cellar.lotCount(), 0);
}

void TestImport::memoryStaysBoundedWhateverTheFile() {
    // 400,000 rows of 300-character names, 160 MB in all, through a process allowed 96 MB more than it
    // uses before the import: held in memory, they would not fit. (None may be recorded, with its
    // vintage of 3000: the import then asks, and the worker answers No.)
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer reserves far more address space than any ceiling: checked in the plain build");
#endif
    TestCellar cellar;
    QFile::remove(cellar.jetHelper());
    writeFile(cellar.jetHelper(),
              "#!/bin/sh\nawk 'BEGIN { n = 400000; printf \"BROVANE-JET 1\\nCOLONNES\\tNOM\\tTYPE\\tANNEE\\t"
              "COULEUR\\tQUANTITE\\tPRIXUNITAIRE\\nLIGNES\\t%d\\n\", n; name = \"T\"; "
              "for (i = 0; i < 100; i++) name = name \"eHh4\"; "
              "for (i = 0; i < n; i++) printf "
              "\"LIGNE\\t%s\\tTQm9yZGVhdXg=\\tI3000\\tTUm91Z2U=\\tI6\\tR1.5\\n\", name; "
              "printf \"FIN\\t%d\\t%d\\n\", n, n }'\n");
    QFile::setPermissions(cellar.jetHelper(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(cellar.folder() + "Vin.mdb", JetFixtures::Header);
    QProcess worker;
    worker.start(QCoreApplication::applicationDirPath() + "/import_worker",
                 {cellar.databasePath(), cellar.jetHelper(), cellar.folder() + "Vin.mdb", "96"});
    QVERIFY(worker.waitForFinished(120000));
    QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
    QCOMPARE(worker.readAllStandardOutput().trimmed(), QByteArray("0 400000"));
    QCOMPARE(cellar.lotCount(), 0);
}

void TestImport::pathReadableOnAnyPaletteAndDrivesChangeTheFiles() {
    TestCellar cellar;
    ImportBase window(cellar.globals, cellar.services);
    auto* path = window.findChild<QLabel*>("CheminImport");
    for (const QColor& background : {QColor(Qt::white), QColor(0x20, 0x20, 0x20), QColor(0x35, 0x35, 0x50)}) {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, background);
        window.setPalette(palette);
        const QColor text = path->palette().color(QPalette::WindowText);
        QVERIFY2(WindowTools::contrast(text, background) >= 4.5, qPrintable(text.name()));
        // Still blue.
        QVERIFY(text.hslHue() >= 200 && text.hslHue() <= 260);
    }
    // The file list follows another drive: the file chosen before stays, the list no longer shows it.
    window.setCurrentFolder(BROVANE_TEST_DATA "/jet/jet4");
    QTRY_COMPARE(window.listedFiles(), QStringList({"Vin.mdb"}));
    auto* drives = window.findChild<QComboBox*>("Lecteurs");
    int other = -1;
    for (int i = 0; i < drives->count() && other < 0; ++i)
        if (i != drives->currentIndex() && QDir(drives->itemText(i).section(' ', 0, 0)).isReadable())
            other = i;
    if (other < 0)
        QSKIP("this machine has one drive");
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    chooseInList(drives, drives->itemText(other));
    QTRY_VERIFY(!window.listedFiles().contains("Vin.mdb"));
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
