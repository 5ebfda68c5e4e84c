// SPDX-License-Identifier: GPL-3.0-or-later
// The cellar's files on disk: the settings file, and the move of the cellar into a new folder.
#include "database/DataLink.h"
#include "storage/Backups.h"
#include "storage/CsvWriter.h"
#include "storage/DatabaseMove.h"
#include "storage/FileNames.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
#include "support/TestCellar.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <sqlite3.h>

namespace {

// Real file operations, one of which fails when its turn comes; or the process "dies" (an exception
// nothing catches) before the n-th operation, which leaves the disk as a kill would.
class FailingFileSystem : public FileSystem {
public:
    struct Killed {};
    QString failing;
    bool corruptCopy = false;
    bool foldersAcrossDisks = false; // a folder cannot be renamed, as onto another disk
    int dieBefore = -1;
    int operations = 0;

    Status makeFolder(const QString& path) override {
        step();
        return failing == "makeFolder" ? fail() : FileSystem::makeFolder(path);
    }
    Status copyDurably(QFile& from, const QString& to) override {
        step();
        if (failing == "copyDurably") {
            writeFile(to, "début de copie"); // a disk that fills up leaves part of the copy behind
            return fail();
        }
        Status status = FileSystem::copyDurably(from, to);
        if (!status && corruptCopy) {
            QFile f(to);
            f.open(QIODevice::ReadWrite);
            f.seek(f.size() / 2);
            f.write("corrompu");
        }
        return status;
    }
    Status rename(const QString& from, const QString& to) override {
        step();
        if (foldersAcrossDisks && FileSystem::isFolder(from))
            return Failure{"Le dossier n'a pas pu être renommé", "EXDEV"};
        return failing == "rename" ? fail() : FileSystem::rename(from, to);
    }
    Status writeAtomically(const QString& path, const QByteArray& bytes) override {
        step();
        return failing == "settings" && path.endsWith("Orny.ini") ? fail()
                                                                  : FileSystem::writeAtomically(path, bytes);
    }
    Status removeFile(const QString& path) override {
        step();
        return failing == "removeFile" && path.contains("Orny02") ? fail() : FileSystem::removeFile(path);
    }

private:
    void step() {
        if (operations++ == dieBefore)
            throw Killed{};
    }
    static Status fail() { return Failure{"Le disque est plein", "ENOSPC"}; }
};

// A cellar of two lots in a program folder with its settings, and an empty place to move it to.
struct Cellars {
    Cellars() {
        cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
        cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 8.75);
        writeFile(cellar.folder() + "brovane");
        writeFile(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "\n");
        original = fileBytes(cellar.databasePath());
        lots = cellar.lots();
    }
    TestCellar cellar;
    QTemporaryDir elsewhere;
    QByteArray original;
    QStringList lots;
    QString target(const char* name) const { return elsewhere.path() + "/" + name; }
    QString settings() { return SettingsFile::readLine(cellar.folder() + "Orny.ini").value; }
    QString record() const { return cellar.folder() + DatabaseMove::RecordName; }
    ::Result<DatabaseMove::Moved> move(FileSystem& files, const char* name) {
        return DatabaseMove(files, cellar.folder()).run(cellar.folder(), target(name));
    }
};

QStringList lotsOf(const QString& database) {
    DataLink link(database);
    const DbRows rows = link.query("SELECT * FROM ORNY ORDER BY rowid");
    QStringList out;
    for (const DbRow& row : rows.rows) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << fields.join('|');
    }
    return out;
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void csvCells_data();
    void csvCells();
    void csvWriteFailureKeepsItsCause();
    void proposedNamesHoldNoSeparator();
    void settingsLines_data();
    void settingsLines();
    void settingsAreHonouredAndWrittenWhereTheyCanBe();
    void namesAndFolders();
    void copiesAndComparesEveryByte();
    void moveKeepsEverythingElseAndRemembers();
    void secondMoveRemovesTheEmptiedFolder();
    void failuresLeaveTheOldCellar_data();
    void failuresLeaveTheOldCellar();
    void oldFilesThatStayDoNotUndoTheMove();
    void cancelledMoveLeavesEverythingWhereItWas_data();
    void cancelledMoveLeavesEverythingWhereItWas();
    void folderWithoutSeparatorDeletesOnlyItsOwnCellar();
    void moveTakesWhatTheEngineSees();
    void cellarInUseDoesNotMove();
    void killAtEveryStepLeavesOneWholeCellar();
    void resumeKeepsACellarWrittenSince();
    void cellarHoldingCodeIsRefused();
    void dailyCopiesKeptByDate();
    void clockMovedBothWays_data();
    void clockMovedBothWays();
    void clockSituations_data();
    void clockSituations();
    void dayCopyOnceAndAtTheEndOfASession();
    void copyOfADamagedCellarSaysSoAndPointsToACopy_data();
    void copyOfADamagedCellarSaysSoAndPointsToACopy();
    void strangeNamesAreReported();
    void cellarsSharingTheFallbackNeverMix();
    void copiesKeepTheCellarsPermissions();
    void unusableCopiesAreRefused_data();
    void unusableCopiesAreRefused();
    void leftoversOfKilledOperationsAreCleared();
    void moveCarriesTheCopies_data();
    void moveCarriesTheCopies();
    void copiesTakenWhileAnotherProgramWrites();
    void restoreKilledAtEveryStepLeavesOneWholeCellar();
    void copiesBeforeARestoreKeptByTheirOwnRule();
    void recordIsCheckedAgainstTheFiles();
};

void TestStorage::csvWriteFailureKeepsItsCause() {
    // A device that fails as a full disk does: the writer stops and keeps the system's cause.
    struct FullDisk : QIODevice {
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char*, qint64) override {
            errno = ENOSPC;
            return -1;
        }
    } disk;
    disk.open(QIODevice::WriteOnly);
    CsvWriter csv(disk);
    for (int i = 0; i < 10000; ++i)
        csv.row({QString("Une ligne assez longue pour remplir un bloc"), i});
    QVERIFY(!csv.ok());
    QCOMPARE(csv.systemError(), ENOSPC);
    QCOMPARE(FileSystem::cause(csv.systemError()), QString("le disque est plein"));
}

void TestStorage::proposedNamesHoldNoSeparator() {
    const QDate day(2026, 12, 7);
    QCOMPARE(FileNames::dated("Cave", day, ".csv"), QString("Cave 2026-12-07.csv"));
    QCOMPARE(FileNames::dated("Inventaire de ma orny", day), QString("Inventaire de ma orny 2026-12-07"));
    QCOMPARE(FileNames::safe(" Inventaire du 07/12/2026 : a\\b*?\"<>|\t "),
             QString("Inventaire du 07-12-2026 - a-b-------"));
}

void TestStorage::settingsLines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two lines") << QByteArray("/cave/vins/\r\n/autre/\r\n") << "/cave/vins/";
    QTest::newRow("no final separator") << QByteArray("/cave/vins\n") << "/cave/vins";
    QTest::newRow("no line end") << QByteArray("/cave/é/") << "/cave/é/";
    QTest::newRow("missing") << QByteArray("<none>") << "<first start>";
    QTest::newRow("empty") << QByteArray() << "<set aside>";
    QTest::newRow("empty first line") << QByteArray("\r\n/cave/\r\n") << "<set aside>";
    QTest::newRow("binary") << QByteArray("/cave\x00/", 7) << "<set aside>";
    QTest::newRow("huge line") << QByteArray(100000, 'a') << "<set aside>";
    QTest::newRow("link loop") << QByteArray("<loop>") << "<set aside>";
}

void TestStorage::settingsLines() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    const QString ini = folder + "Orny.ini";
    if (content == "<loop>")
        QVERIFY(QFile::link(ini, ini));
    else if (content != "<none>")
        writeFile(ini, content);
    FileSystem files;
    const auto loaded = SettingsFile::load(files, {folder, folder}, "/premier/");
    if (!expected.startsWith('<')) {
        QCOMPARE(loaded.cheminBase, expected);
        QVERIFY(!loaded.firstStart);
        // Without its final separator the folder names a file beside it: the user is told which is missing.
        if (expected.endsWith('/'))
            QVERIFY(loaded.notice.isEmpty());
        else
            QVERIFY2(loaded.notice.contains("la base cherchée est donc « /cave/vinsOrny02.dat », qui est "
                                            "introuvable"),
                     qPrintable(loaded.notice));
        QCOMPARE(fileBytes(ini), content);
        return;
    }
    // Nothing readable: the first-start folder, written for the next start.
    QCOMPARE(loaded.cheminBase, QString("/premier/"));
    QVERIFY(loaded.firstStart);
    QCOMPARE(fileBytes(ini), QByteArray("/premier/\n"));
    if (expected == "<first start>") {
        QVERIFY(loaded.notice.isEmpty());
        return;
    }
    // An unreadable file is kept, never replaced unseen, and the user learns which cellar is open.
    const QString aside = ini + ".illisible";
    QVERIFY(FileSystem::present(aside));
    if (content != "<loop>")
        QCOMPARE(fileBytes(aside), content);
    QVERIFY(loaded.notice.contains("conservé sous le nom « " + aside + " »"));
    QVERIFY(loaded.notice.contains("Brovane utilise maintenant la base « /premier/Orny02.dat »"));
    QVERIFY(loaded.notice.contains("« Utiliser la base existante de ce dossier »"));
}

void TestStorage::settingsAreHonouredAndWrittenWhereTheyCanBe() {
    QTemporaryDir program, user;
    const QString programFolder = program.path() + '/';
    const QString userFolder = user.path() + '/';
    FileSystem files;
    // A settings file in a program folder the user cannot write is read, not replaced by a first start.
    writeFile(programFolder + "Orny.ini", "/ma/cave/\n");
    auto loaded = SettingsFile::load(files, {userFolder, programFolder}, "/premier/");
    QCOMPARE(loaded.cheminBase, QString("/ma/cave/"));
    QVERIFY(!loaded.firstStart);
    QVERIFY(!QFile::exists(userFolder + "Orny.ini"));
    // What changes goes to the user's own file, which wins from then on.
    QVERIFY(!SettingsFile::write(files, userFolder, "/autre/cave/"));
    QCOMPARE(SettingsFile::load(files, {userFolder, programFolder}, "/premier/").cheminBase,
             QString("/autre/cave/"));
    QCOMPARE(fileBytes(programFolder + "Orny.ini"), QByteArray("/ma/cave/\n"));
    // A folder that refuses every write: the first start still runs, and the user is told.
    loaded = SettingsFile::load(files, {"/proc/brovane/", "/proc/brovane/"}, "/premier/");
    QCOMPARE(loaded.cheminBase, QString("/premier/"));
    QVERIFY(loaded.notice.contains("ne sera pas retenu"));
}

void TestStorage::namesAndFolders() {
    QCOMPARE(DatabaseMove::newFolder("/", "Cave"), QString("/Cave"));
    QCOMPARE(DatabaseMove::newFolder("/media/cle", "Cave"), QString("/media/cle/Cave"));
    QCOMPARE(DatabaseMove::nameProblem("Cave à vin"), QString());
    QCOMPARE(DatabaseMove::nameProblem(""), QString("Vous devez saisir un nom de dossier !!"));
    for (const char* bad : {".", "..", "a/b", "a\\b", "../Cave"})
        QVERIFY2(DatabaseMove::nameProblem(bad).contains("n'est pas valable"), bad);
}

void TestStorage::copiesAndComparesEveryByte() {
    QTemporaryDir dir;
    FileSystem files;
    QRandomGenerator random(7);
    // Around the comparison's chunk, and a file much larger than it.
    for (const int size : {0, 1, 256 * 1024, 256 * 1024 + 1, 3 * 1024 * 1024 + 17}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        const QString from = dir.filePath(QString("source%1").arg(size));
        const QString to = dir.filePath(QString("copie%1").arg(size));
        writeFile(from, bytes);
        QVERIFY(!files.copyFile(from, to));
        QCOMPARE(fileBytes(to), bytes);
        QVERIFY(FileSystem::sameBytes(from, to));
        QVERIFY2(files.copyFile(from, to), "an existing file is never replaced");
        if (size == 0)
            continue;
        // One byte changed at the very end, or one missing, is seen.
        bytes.back() = static_cast<char>(bytes.back() ^ 1);
        writeFile(to, bytes);
        QVERIFY(!FileSystem::sameBytes(from, to));
        writeFile(to, bytes.chopped(1));
        QVERIFY(!FileSystem::sameBytes(from, to));
    }
    // A file the kernel cannot copy by itself (its size is unknown until it is read) is copied by reading.
    QFile version("/proc/version");
    QVERIFY(version.open(QIODevice::ReadOnly));
    const QByteArray expected = version.readAll();
    QVERIFY(!expected.isEmpty());
    QVERIFY(!files.copyFile("/proc/version", dir.filePath("version")));
    QCOMPARE(fileBytes(dir.filePath("version")), expected);
}

void TestStorage::moveKeepsEverythingElseAndRemembers() {
    Cellars c;
    FileSystem files;
    const auto result = c.move(files, "Cave");
    QVERIFY(result.ok());
    QVERIFY(result->warning.isEmpty());
    QCOMPARE(result->newBase, c.target("Cave") + "/");
    QCOMPARE(fileBytes(c.target("Cave") + "/Orny02.dat"), c.original);
    QCOMPARE(c.settings(), c.target("Cave") + "/");
    // The program folder keeps its other files and is not removed; nothing of the move is left.
    QCOMPARE(filesIn(c.cellar.folder()), QStringList({"brovane", "Orny.ini"}));
    QCOMPARE(QDir(c.target("Cave")).entryList(QDir::Files), QStringList({"Orny02.dat"}));
}

void TestStorage::secondMoveRemovesTheEmptiedFolder() {
    Cellars c;
    FileSystem files;
    const auto first = c.move(files, "Cave");
    const auto second = DatabaseMove(files, c.cellar.folder()).run(first->newBase, c.target("Vins"));
    QVERIFY(second.ok());
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(fileBytes(c.target("Vins") + "/Orny02.dat"), c.original);
    // A file of the user's beside the cellar is not the cellar's: it stays, and so does its folder.
    writeFile(c.target("Vins") + "/Orny02.bak", "mes notes");
    const auto third = DatabaseMove(files, c.cellar.folder()).run(second->newBase, c.target("Cave"));
    QVERIFY(third.ok());
    QCOMPARE(QDir(c.target("Vins")).entryList(QDir::Files), QStringList({"Orny02.bak"}));
}

void TestStorage::failuresLeaveTheOldCellar_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("corrupt");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("cause");
    QTest::newRow("folder not made") << "makeFolder" << false << "Cave"
                                     << "Le disque est plein";
    QTest::newRow("copy fails half-way") << "copyDurably" << false << "Cave"
                                         << "Le disque est plein";
    QTest::newRow("copy differs") << "" << true << "Cave"
                                  << "diffère";
    QTest::newRow("rename fails") << "rename" << false << "Cave"
                                  << "Le disque est plein";
    QTest::newRow("settings not written") << "settings" << false << "Cave"
                                          << "Le disque est plein";
    QTest::newRow("parent is a file") << "" << false << "Fichier/Cave"
                                      << "n'est pas un dossier";
    QTest::newRow("read-only disk") << "" << false << "/proc/Cave"
                                    << "créé";
    QTest::newRow("parent missing") << "" << false << "absent/Cave"
                                    << "n'existe pas";
}

void TestStorage::failuresLeaveTheOldCellar() {
    QFETCH(QString, failing);
    QFETCH(bool, corrupt);
    QFETCH(QString, where);
    QFETCH(QString, cause);
    Cellars c;
    writeFile(c.target("Fichier"));
    FailingFileSystem files;
    files.failing = failing;
    files.corruptCopy = corrupt;
    const QString folder = where.startsWith('/') ? where : c.target(where.toUtf8().constData());
    const auto result = DatabaseMove(files, c.cellar.folder()).run(c.cellar.folder(), folder);
    QVERIFY(!result.ok());
    QVERIFY2(result.failure().message.startsWith("La base n'a pas été déplacée"),
             qPrintable(result.failure().message));
    QVERIFY2(result.failure().message.contains(cause), qPrintable(result.failure().message));
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(c.settings(), c.cellar.folder());
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(c.record()));
    QCOMPARE(QDir(c.elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"Fichier"}));

    // A missing cellar is a failure too, before anything is made.
    QFile::remove(c.cellar.databasePath());
    FileSystem plain;
    QVERIFY(!c.move(plain, "Autre").ok());
    QVERIFY(!QFileInfo::exists(c.target("Autre")));
}

void TestStorage::cancelledMoveLeavesEverythingWhereItWas_data() {
    QTest::addColumn<QString>("during");
    QTest::addColumn<bool>("moved");
    QTest::newRow("while the record is written") << "record" << false;
    QTest::newRow("while the folder is made") << "makeFolder" << false;
    QTest::newRow("while the cellar is copied") << "copyDurably" << false;
    QTest::newRow("once the copy is named") << "rename" << false;
    // Once the settings name the new folder, the move ends.
    QTest::newRow("while the settings are written") << "settings" << true;
}

void TestStorage::cancelledMoveLeavesEverythingWhereItWas() {
    QFETCH(QString, during);
    QFETCH(bool, moved);
    // The user presses Annuler while the given operation runs.
    struct Cancelling : FileSystem {
        DatabaseMove::Watch watch;
        QString at;
        int writes = 0;
        void reach(const QString& operation) {
            if (operation == at)
                watch.cancelled = true;
        }
        Status makeFolder(const QString& path) override {
            reach("makeFolder");
            return FileSystem::makeFolder(path);
        }
        Status copyDurably(QFile& source, const QString& to) override {
            reach("copyDurably");
            return FileSystem::copyDurably(source, to);
        }
        Status rename(const QString& from, const QString& to) override {
            reach("rename");
            return FileSystem::rename(from, to);
        }
        Status writeAtomically(const QString& path, const QByteArray& bytes) override {
            reach(++writes == 1 ? "record" : "settings");
            return FileSystem::writeAtomically(path, bytes);
        }
    };
    Cellars c;
    FileSystem plain;
    QVERIFY(!Backups(plain, c.cellar.folder(), c.elsewhere.path())
                 .daily(QDateTime(QDate(2026, 12, 7), QTime(8, 0)))
                 .failure);
    Cancelling files;
    files.at = during;
    const QStringList copies = filesIn(c.cellar.folder() + "Sauvegardes");
    DatabaseMove move(files, c.cellar.folder());
    move.watchedBy(&files.watch);
    const auto result = move.run(c.cellar.folder(), c.target("Cave"));
    QVERIFY(files.watch.cancelled);
    QVERIFY(!QFileInfo::exists(c.record()));
    if (moved) {
        QVERIFY(result.ok());
        QCOMPARE(files.watch.step.load(), DatabaseMove::Steps);
        QCOMPARE(fileBytes(c.target("Cave") + "/Orny02.dat"), c.original);
        QCOMPARE(c.settings(), c.target("Cave") + "/");
        QCOMPARE(filesIn(c.target("Cave") + "/Sauvegardes"), copies);
        return;
    }
    QVERIFY(!result.ok());
    QCOMPARE(result.failure().message,
             "La base n'a pas été déplacée : vous avez annulé le déplacement.\nElle "
             "est restée dans « " +
                 c.cellar.databasePath() + " », intacte.");
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(c.settings(), c.cellar.folder());
    QCOMPARE(filesIn(c.cellar.folder() + "Sauvegardes"), copies);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
}

void TestStorage::oldFilesThatStayDoNotUndoTheMove() {
    Cellars c;
    FailingFileSystem files;
    files.failing = "removeFile";
    const auto result = c.move(files, "Cave");
    QVERIFY(result.ok());
    QVERIFY(result->warning.contains("n'ont pas pu être effacés"));
    QCOMPARE(fileBytes(c.target("Cave") + "/Orny02.dat"), c.original);
    QCOMPARE(c.settings(), c.target("Cave") + "/");
}

void TestStorage::folderWithoutSeparatorDeletesOnlyItsOwnCellar() {
    // "…/cave" names the file "…/caveOrny02.dat"; another cellar in the folder "…/cave/" is not its own.
    Cellars c;
    const QString base = c.elsewhere.path() + "/cave";
    QVERIFY(QFile::copy(c.cellar.databasePath(), base + "Orny02.dat"));
    QDir().mkdir(base);
    TestCellar other;
    other.addLot("Autre cave", "Jura", 2001, "Blanc", 2);
    QVERIFY(QFile::copy(other.databasePath(), base + "/Orny02.dat"));
    const QByteArray otherBytes = fileBytes(base + "/Orny02.dat");
    FileSystem files;
    const auto result = DatabaseMove(files, c.cellar.folder()).run(base, c.target("Nouvelle"));
    QVERIFY(result.ok());
    QCOMPARE(fileBytes(c.target("Nouvelle") + "/Orny02.dat"), c.original);
    QVERIFY(!QFileInfo::exists(base + "Orny02.dat"));
    QCOMPARE(fileBytes(base + "/Orny02.dat"), otherBytes);
}

void TestStorage::moveTakesWhatTheEngineSees() {
    // Changes a tool committed into a WAL file and never wrote back before it died: an update that row
    // counts cannot see, and a new lot.
    Cellars c;
    const QString tool = c.elsewhere.path() + "/outil.dat";
    QVERIFY(QFile::copy(c.cellar.databasePath(), tool));
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(tool.toUtf8(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                          "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; "
                          "UPDATE ORNY SET QUANTITE = 11 WHERE NOM = 'Margaux'; "
                          "INSERT INTO ORNY VALUES ('Ajout', 'Loire', 2001, 'Blanc', 1, NULL);",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    // The files as the tool leaves them when it dies now.
    QFile::remove(c.cellar.databasePath());
    QVERIFY(QFile::copy(tool, c.cellar.databasePath()));
    QVERIFY(QFile::copy(tool + "-wal", c.cellar.databasePath() + "-wal"));
    sqlite3_close(db);
    FileSystem files;
    QVERIFY(c.move(files, "Cave").ok());
    const QStringList moved = lotsOf(c.target("Cave") + "/Orny02.dat");
    QCOMPARE(moved.size(), 3);
    QCOMPARE(moved.at(0), QString("Margaux|Bordeaux|1998|Rouge|11|12.5"));
    QCOMPARE(moved.at(2), QString("Ajout|Loire|2001|Blanc|1|<null>"));
    QVERIFY(!QFileInfo::exists(c.cellar.databasePath() + "-wal"));
    QVERIFY(!QFileInfo::exists(c.cellar.databasePath()));
}

void TestStorage::cellarInUseDoesNotMove() {
    Cellars c;
    // Another program in the middle of a write: nothing moves, and the user is told why.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(c.cellar.databasePath().toUtf8(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE ORNY SET QUANTITE = 1", nullptr, nullptr, nullptr),
             SQLITE_OK);
    FileSystem files;
    const auto result = c.move(files, "Cave");
    QVERIFY(!result.ok());
    QVERIFY2(result.failure().message.contains("utilisée par un autre programme"),
             qPrintable(result.failure().message));
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    // Its commit lands in the cellar, which stays where it was.
    QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    QCOMPARE(c.cellar.rows("SELECT SUM(QUANTITE) FROM ORNY").front().front().toInt(), 2);
    QCOMPARE(c.settings(), c.cellar.folder());
}

void TestStorage::killAtEveryStepLeavesOneWholeCellar() {
    int boundaries = 0;
    for (int step = 0;; ++step) {
        Cellars c;
        FailingFileSystem files;
        files.dieBefore = step;
        bool killed = false;
        try {
            static_cast<void>(c.move(files, "Cave"));
        } catch (const FailingFileSystem::Killed&) {
            killed = true;
        }
        if (!killed)
            break;
        ++boundaries;
        // The next start: the settings and the cellar they name agree, with every lot, and nothing is left.
        FileSystem next;
        QString cheminBase = c.settings();
        const QString told = DatabaseMove(next, c.cellar.folder()).resume(cheminBase);
        QVERIFY2(!told.isEmpty() || step == 0, qPrintable(QString::number(step)));
        QCOMPARE(c.settings(), cheminBase);
        QCOMPARE(lotsOf(cheminBase + "Orny02.dat"), c.lots);
        const bool moved = cheminBase == c.target("Cave") + "/";
        QVERIFY(moved || cheminBase == c.cellar.folder());
        QCOMPARE(QFileInfo::exists(c.cellar.databasePath()), !moved);
        QCOMPARE(QFileInfo::exists(c.target("Cave")), moved);
        QVERIFY(!QFileInfo::exists(c.record()));
        // A later move to the same name works.
        if (!moved)
            QVERIFY(c.move(next, "Cave").ok());
    }
    QVERIFY(boundaries >= 6);
}

void TestStorage::resumeKeepsACellarWrittenSince() {
    Cellars c;
    FailingFileSystem files;
    files.dieBefore = 4; // after the copy took its name, before the settings
    QVERIFY_THROWS_EXCEPTION(FailingFileSystem::Killed, static_cast<void>(c.move(files, "Cave")));
    QVERIFY(QFile::exists(c.target("Cave") + "/Orny02.dat"));
    c.cellar.addLot("Écrit depuis", "Loire", 2001, "Blanc", 1);
    QString cheminBase = c.settings();
    FileSystem next;
    const QString told = DatabaseMove(next, c.cellar.folder()).resume(cheminBase);
    QCOMPARE(cheminBase, c.cellar.folder());
    QVERIFY(told.contains("a changé depuis"));
    QCOMPARE(c.cellar.lotCount(), 3);
    QCOMPARE(fileBytes(c.target("Cave") + "/Orny02.dat"), c.original);
}

void TestStorage::cellarHoldingCodeIsRefused() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 8.75);
    sqlite3* tool = nullptr;
    QCOMPARE(sqlite3_open(cellar.databasePath().toUtf8(), &tool), SQLITE_OK);
    QCOMPARE(sqlite3_exec(tool,
                          "CREATE TRIGGER piege AFTER INSERT ON ORNY BEGIN DELETE FROM ORNY WHERE rowid <> "
                          "new.rowid; END; CREATE VIEW vue AS SELECT * FROM ORNY;",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(tool);
    const QByteArray before = fileBytes(cellar.databasePath());
    DataLink link(cellar.databasePath());
    const Status refused = link.execute("INSERT INTO ORNY VALUES ('Achat', 'Loire', 2001, 'Blanc', 1, 2)");
    QVERIFY(refused);
    QVERIFY2(refused->message.contains("déclencheur « piege »") && refused->message.contains("vue « vue »"),
             qPrintable(refused->message));
    link.close();
    QCOMPARE(fileBytes(cellar.databasePath()), before);
}

namespace {

QDateTime at(const QDate& day, int hour = 9) {
    return QDateTime(day, QTime(hour, 0));
}

BackupCopy sessionCopy(const QDate& day, BackupCopy::Kind kind = BackupCopy::Kind::Daily, int hour = 9) {
    return {QStringLiteral("/s/%1-%2-%3").arg(day.toString(Qt::ISODate)).arg(int(kind)).arg(hour),
            kind,
            at(day, hour).toUTC(),
            2,
            {},
            {}};
}

QList<QDate> daysOf(const QList<BackupCopy>& copies) {
    QList<QDate> days;
    for (const BackupCopy& copy : copies)
        days << copy.taken.toLocalTime().date();
    return days;
}

// The copies a folder holds, by kind, as the program lists them.
QList<BackupCopy> copiesOfKind(const Backups& backups, BackupCopy::Kind kind) {
    QList<BackupCopy> found;
    for (const BackupCopy& copy : backups.copies())
        if (copy.kind == kind)
            found << copy;
    return found;
}

} // namespace

void TestStorage::dailyCopiesKeptByDate() {
    // Which days stay, with 7 December 2026 as today: the fourteen newest, then the first of each month for
    // twelve months.
    QList<BackupCopy> copies;
    for (QDate day(2025, 6, 1); day <= QDate(2026, 12, 7); day = day.addDays(3))
        copies << sessionCopy(day);
    const Backups::Pruning pruning = Backups::toPrune(copies, at(QDate(2026, 12, 7), 20), {});
    QVERIFY(!pruning.clockWrong.isValid());
    QList<QDate> kept = daysOf(copies);
    for (const QDate& day : daysOf(pruning.pruned))
        kept.removeAll(day);
    // The fourteen newest go back to 27 October; the first of each month from January to October adds ten
    // (November's and December's are among the newest).
    QCOMPARE(kept.size(), 24);
    QCOMPARE(kept.first(), QDate(2026, 1, 3));
    QVERIFY(!kept.contains(QDate(2025, 12, 30)));
    QVERIFY(kept.contains(QDate(2026, 2, 2)));
    QVERIFY(kept.contains(daysOf(copies).last()));
    // Of a day, the newest copy at the end of a session replaces the earlier ones and stands beside the
    // day's first copy; of the copies before a restore, the ten newest stay whatever their age.
    QList<BackupCopy> day = {sessionCopy(QDate(2026, 12, 7), BackupCopy::Kind::Daily, 8),
                             sessionCopy(QDate(2026, 12, 7), BackupCopy::Kind::AtExit, 12),
                             sessionCopy(QDate(2026, 12, 7), BackupCopy::Kind::AtExit, 19)};
    for (int n = 0; n < 12; ++n)
        day << sessionCopy(QDate(2024, 1, 1).addDays(n), BackupCopy::Kind::BeforeRestore);
    day << sessionCopy(QDate(2020, 1, 1), BackupCopy::Kind::OnDemand);
    const Backups::Pruning sameDay = Backups::toPrune(day, at(QDate(2026, 12, 7), 20), {});
    QCOMPARE(sameDay.pruned.size(), 3);
    QCOMPARE(sameDay.pruned.at(0).path, day.at(1).path);
    QCOMPARE(daysOf(sameDay.pruned.mid(1)), (QList<QDate>{QDate(2024, 1, 2), QDate(2024, 1, 1)}));
}

void TestStorage::clockMovedBothWays_data() {
    QTest::addColumn<int>("aheadDays");  // how far the clock once ran ahead of the real date
    QTest::addColumn<int>("backDays");   // how far it was set back from the real date afterwards
    QTest::addColumn<int>("realCopies"); // real days with a copy before it went wrong
    QTest::newRow("ahead to March, then right again") << 100 << 0 << 20;
    QTest::newRow("ahead ten days") << 10 << 0 << 20;
    QTest::newRow("set back to a day with a copy") << 0 << 3 << 20;
    QTest::newRow("set back a year") << 0 << 365 << 20;
}

void TestStorage::clockMovedBothWays() {
    QFETCH(int, aheadDays);
    QFETCH(int, backDays);
    QFETCH(int, realCopies);
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    // Twenty real days, a copy each, the cellar changed every day.
    const QDate firstReal(2026, 11, 10);
    for (int n = 0; n < realCopies; ++n) {
        c.cellar.addLot(QString("Jour %1").arg(n), "Loire", 2001, "Blanc", 1);
        const Backups::Outcome daily = backups.daily(at(firstReal.addDays(n)));
        QVERIFY(!daily.failure && daily.notice.isEmpty());
    }
    const QDate realToday = firstReal.addDays(realCopies - 1);
    QCOMPARE(copiesOfKind(backups, BackupCopy::Kind::Daily).size(), 14 + 1); // with November's first
    // Starts on wrong dates: a few days ahead of the real one...
    for (int n = 1; aheadDays && n <= 3; ++n) {
        c.cellar.addLot(QString("En avance %1").arg(n), "Loire", 2001, "Blanc", 1);
        QVERIFY(!backups.daily(at(realToday.addDays(aheadDays + n))).failure);
    }
    const int before = static_cast<int>(backups.copies().size());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard(useFrenchLocale);
    QStringList notices;
    // ...then a week of starts on the real date, or on a date set back, each with the cellar changed.
    for (int n = 1; n <= 7; ++n) {
        c.cellar.addLot(QString("Retour %1").arg(n), "Loire", 2001, "Blanc", 1);
        const QDate day = backDays ? realToday.addDays(-backDays) : realToday.addDays(n);
        const Backups::Outcome daily = backups.daily(at(day, 9 + n));
        QVERIFY(!daily.failure);
        if (!daily.notice.isEmpty())
            notices << daily.notice;
    }
    // Nothing deleted, one copy a start since the cellar changed, and the user told once.
    QCOMPARE(backups.copies().size(), before + 7);
    QCOMPARE(notices.size(), 1);
    QVERIFY2(notices.front().contains("L'horloge de l'ordinateur semble fausse"),
             qPrintable(notices.front()));
    // Its dates in figures, the same whatever the system's language: the first wrong start, and the
    // latest time the clock showed.
    const QDate wrongDay = backDays ? realToday.addDays(-backDays) : realToday.addDays(1);
    const QDate seenDay = aheadDays ? realToday.addDays(aheadDays + 3) : realToday;
    const QString dates = QString("la date du jour (%1 à 10:00) est antérieure au %2 à 09:00,")
                              .arg(wrongDay.toString("dd/MM/yyyy"), seenDay.toString("dd/MM/yyyy"));
    QVERIFY2(notices.front().contains(dates), qPrintable(notices.front()));
    // The day's work is in a copy.
    const QList<BackupCopy> all = backups.copies();
    QVERIFY(std::any_of(all.begin(), all.end(),
                        [&](const BackupCopy& copy) { return copy.lots == c.cellar.lotCount(); }));
    // Once the clock has passed every date it showed, the rules apply again.
    const QDate later = realToday.addDays(aheadDays + 30);
    c.cellar.addLot("Plus tard", "Loire", 2001, "Blanc", 1);
    const Backups::Outcome after = backups.daily(at(later));
    QVERIFY(!after.failure && after.notice.isEmpty());
    QVERIFY(backups.copies().size() <= 14 + 2);
}

void TestStorage::clockSituations_data() {
    QTest::addColumn<QList<int>>("starts"); // days after the last real start, each with the cellar changed
    QTest::addColumn<int>("kept");          // of the year's twenty copies
    QTest::addColumn<QString>("told");
    QTest::newRow("a normal day") << QList<int>{1} << 19 << "";
    QTest::newRow("set back a year") << QList<int>{-365} << 20 << "L'horloge de l'ordinateur semble fausse";
    QTest::newRow("five years ahead")
        << QList<int>{1826} << 20
        << "La date de l'ordinateur (06/12/2031 à 10:00) est de loin postérieure "
           "au 06/12/2026 à 09:00, dernière date que Brovane a vue";
    QTest::newRow("five years ahead, then confirmed")
        << QList<int>{1826, 1827} << 12 << "de loin postérieure";
    QTest::newRow("five years ahead, started again that day")
        << QList<int>{1826, 1826} << 20 << "de loin postérieure";
    QTest::newRow("five years ahead, then put right") << QList<int>{1826, 1} << 19 << "de loin postérieure";
}

void TestStorage::clockSituations() {
    QFETCH(QList<int>, starts);
    QFETCH(int, kept);
    QFETCH(QString, told);
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    // A year of starts every thirteen days up to 6 December 2026: the fourteen newest copies and the first of
    // each month since January are kept.
    for (int n = 28; n >= 0; --n) {
        c.cellar.addLot("Jour", "Loire", 2001, "Blanc", 1);
        QVERIFY(!backups.daily(at(QDate(2026, 12, 6).addDays(-13 * n))).failure);
    }
    const QList<BackupCopy> year = backups.copies();
    QStringList notices;
    for (int day : starts) {
        c.cellar.addLot("Retour", "Loire", 2001, "Blanc", 1);
        notices << backups.daily(at(QDate(2026, 12, 6).addDays(day), 10)).notice;
    }
    // Told at the start that met the date, and never again.
    QVERIFY2(notices.front().contains(told) && notices.front().isEmpty() == told.isEmpty(),
             qPrintable(notices.front()));
    QCOMPARE(notices.mid(1).join(QString()), QString());
    QCOMPARE(std::count_if(year.begin(), year.end(),
                           [](const BackupCopy& copy) { return QFile::exists(copy.path); }),
             kept);
}

namespace {
// The top page of the lots' table overwritten, as a failing disk or another program may leave it.
void damageLotsTable(TestCellar& cellar) {
    const qint64 page = cellar.rows("PRAGMA page_size").front().front().toLongLong();
    const qint64 root =
        cellar.rows("SELECT rootpage FROM sqlite_schema WHERE name = 'ORNY'").front().front().toLongLong();
    QFile file(cellar.databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((root - 1) * page));
    file.write(QByteArray(page, '\xff'));
}
} // namespace

void TestStorage::copyOfADamagedCellarSaysSoAndPointsToACopy_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("missing");
    for (const char* kind : {"daily", "atExit", "saveTo"}) {
        QTest::addRow("%s, pages damaged", kind) << QString(kind) << false;
        QTest::addRow("%s, cellar gone", kind) << QString(kind) << true;
    }
}

void TestStorage::copyOfADamagedCellarSaysSoAndPointsToACopy() {
    QFETCH(QString, kind);
    QFETCH(bool, missing);
    Cellars c;
    for (int n = 0; n < 200; ++n)
        c.cellar.addLot(QString("Cuvée %1 ").arg(n) + QString(60, 'x'), "Alsace", 2001, "Blanc", 1);
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QDate day(2026, 12, 7);
    QVERIFY(!backups.daily(at(day, 8)).failure);
    c.cellar.addLot("Acheté ensuite", "Loire", 2001, "Blanc", 1);
    if (missing) {
        QVERIFY(QFile::remove(c.cellar.databasePath()));
        // A cellar that is not there is no copy to make, except on demand.
        if (kind != "saveTo")
            return;
    } else {
        damageLotsTable(c.cellar);
    }
    const QString chosen = c.elsewhere.path() + "/ma copie.dat";
    Status failure = kind == "daily"    ? backups.daily(at(day.addDays(1), 8)).failure
                     : kind == "atExit" ? backups.atExit(at(day, 20)).failure
                                        : backups.saveTo(chosen, at(day, 20));
    QVERIFY(failure);
    // Never « intact », never the copy's temporary name; the way back is named, with the newest copy.
    QVERIFY2(failure->message.startsWith("La cave « " + c.cellar.databasePath() +
                                         " » est illisible ou endommagée"),
             qPrintable(failure->message));
    QVERIFY2(failure->message.contains("Fichier › Restaurer une sauvegarde") &&
                 failure->message.contains("la plus récente date du 07/12/2026 à 08:00"),
             qPrintable(failure->message));
    QVERIFY(!failure->text().contains(".copie"));
    QVERIFY(!QFileInfo::exists(chosen));
    QCOMPARE(backups.copies().size(), 1);
}

void TestStorage::dayCopyOnceAndAtTheEndOfASession() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QString folder = c.cellar.folder() + "Sauvegardes/";
    QCOMPARE(backups.folder(), folder);
    const QDate day(2026, 12, 8);
    QVERIFY(!backups.daily(at(day, 8)).failure);
    QCOMPARE(backups.copies().size(), 1);
    const BackupCopy first = backups.copies().front();
    QCOMPARE(first.kind, BackupCopy::Kind::Daily);
    QCOMPARE(first.taken, at(day, 8).toUTC());
    QCOMPARE(first.lots, 2);
    QVERIFY(QFileInfo(first.path).fileName().startsWith("Orny02-2026-12-08-080000-jour"));
    QCOMPARE(lotsOf(first.path), c.lots);
    // A second start that day, or an end of session that changed nothing, makes no copy.
    QVERIFY(!backups.daily(at(day, 10)).failure);
    QVERIFY(!backups.atExit(at(day, 11)).failure);
    QCOMPARE(backups.copies().size(), 1);
    // The day's work is in a copy at the end of the session; a later session of the day replaces it.
    c.cellar.addLot("Acheté le matin", "Loire", 2001, "Blanc", 1);
    QVERIFY(!backups.atExit(at(day, 12)).failure);
    c.cellar.addLot("Acheté le soir", "Loire", 2001, "Blanc", 1);
    QVERIFY(!backups.daily(at(day, 18)).failure);
    QVERIFY(!backups.atExit(at(day, 19)).failure);
    const QList<BackupCopy> copies = backups.copies();
    QCOMPARE(copies.size(), 2);
    QCOMPARE(copies.at(0).kind, BackupCopy::Kind::AtExit);
    QCOMPARE(copies.at(0).taken, at(day, 19).toUTC());
    QCOMPARE(copies.at(0).lots, 4);
    QCOMPARE(copies.at(1).path, first.path);
    // The record lost: the copies are still found by their names, and counted.
    QFile::remove(folder + BackupCatalogue::FileName);
    const QList<BackupCopy> found = backups.copies();
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.at(0).kind, BackupCopy::Kind::AtExit);
    QCOMPARE(found.at(0).lots, 4);
    // Copies of the earlier names are listed too: by day, and before a restore.
    QVERIFY(QFile::copy(first.path, folder + "Orny02-2026-11-30.dat"));
    QVERIFY(QFile::copy(first.path, folder + "Orny02-2026-12-01-avant-restauration-2.dat"));
    const QList<BackupCopy> all = backups.copies();
    QCOMPARE(all.size(), 4);
    QCOMPARE(all.at(2).kind, BackupCopy::Kind::BeforeRestore);
    QCOMPARE(all.at(3).kind, BackupCopy::Kind::Daily);
    QCOMPARE(all.at(3).taken.toLocalTime().date(), QDate(2026, 11, 30));
}

void TestStorage::strangeNamesAreReported() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QString folder = backups.folder();
    // A dangling link and a folder where copies go: reported, and the day's copy made all the same.
    QVERIFY(QFile::link(c.elsewhere.path() + "/nulle-part", folder + "Orny02-2026-12-08.dat"));
    QVERIFY(QDir().mkdir(folder + "Orny02-2026-12-08-080000-jour.dat"));
    const Backups::Outcome daily = backups.daily(at(QDate(2026, 12, 8), 8));
    QVERIFY(!daily.failure);
    QVERIFY2(daily.notice.contains("Orny02-2026-12-08.dat") && daily.notice.contains("080000-jour.dat"),
             qPrintable(daily.notice));
    QCOMPARE(backups.copies().size(), 1);
    QCOMPARE(lotsOf(backups.copies().front().path), c.lots);
    // "Sauvegardes" that is not a folder: said, and the copies go to the user's own folder.
    Cellars d;
    writeFile(d.cellar.folder() + "Sauvegardes", "un fichier");
    Backups other(files, d.cellar.folder(), c.elsewhere.path());
    const Backups::Outcome elsewhere = other.daily(at(QDate(2026, 12, 8), 8));
    QVERIFY(!elsewhere.failure);
    QVERIFY2(elsewhere.notice.contains("n'est pas un dossier"), qPrintable(elsewhere.notice));
    QCOMPARE(other.copies().size(), 1);
    QVERIFY(other.copies().front().path.startsWith(c.elsewhere.path() + "/Sauvegardes/"));
}

void TestStorage::cellarsSharingTheFallbackNeverMix() {
    // Two cellars whose own folder cannot take their copies, the same day: each gets its copy, in a folder
    // named after it, and lists only its own.
    Cellars a;
    Cellars b;
    b.cellar.addLot("Seulement dans B", "Loire", 2001, "Blanc", 1);
    QTemporaryDir shared;
    FileSystem files;
    for (Cellars* c : {&a, &b})
        writeFile(c->cellar.folder() + "Sauvegardes", "occupé");
    Backups first(files, a.cellar.folder(), shared.path());
    Backups second(files, b.cellar.folder(), shared.path());
    QVERIFY(first.folder() != second.folder());
    QVERIFY(first.folder().contains(QFileInfo(a.cellar.folder()).fileName()));
    QVERIFY(!first.daily(at(QDate(2026, 12, 8))).failure);
    QVERIFY(!second.daily(at(QDate(2026, 12, 8))).failure);
    QCOMPARE(first.copies().size(), 1);
    QCOMPARE(second.copies().size(), 1);
    QCOMPARE(first.copies().front().lots, 2);
    QCOMPARE(second.copies().front().lots, 3);
    QCOMPARE(Backups::fallbackFolder(shared.path(), "/"), Backups::fallbackFolder(shared.path(), "/"));
}

void TestStorage::copiesKeepTheCellarsPermissions() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    int hour = 8;
    for (const QFile::Permissions mode :
         {QFile::ReadOwner | QFile::WriteOwner, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup}) {
        QVERIFY(QFile::setPermissions(c.cellar.databasePath(), mode));
        const QFile::Permissions cellar = QFile::permissions(c.cellar.databasePath());
        c.cellar.addLot("Encore", "Loire", 2001, "Blanc", 1);
        QVERIFY(!backups.atExit(at(QDate(2026, 12, 8), hour++)).failure);
        QCOMPARE(QFile::permissions(backups.copies().front().path), cellar);
        const QString chosen = c.elsewhere.path() + QString("/%1.dat").arg(hour);
        QVERIFY(!backups.saveTo(chosen, at(QDate(2026, 12, 8), hour++)));
        QCOMPARE(QFile::permissions(chosen), cellar);
        // A restored cellar keeps the cellar's own permissions, whatever the copy's.
        QVERIFY(QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const Backups::Outcome restored = backups.restore(chosen, at(QDate(2026, 12, 8), hour++));
        QVERIFY2(!restored.failure, qPrintable(restored.failure ? restored.failure->text() : QString()));
        QCOMPARE(QFile::permissions(c.cellar.databasePath()), cellar);
        QCOMPARE(QFile::permissions(backups.copies().front().path), cellar);
    }
}

void TestStorage::unusableCopiesAreRefused_data() {
    QTest::addColumn<QByteArray>("damage");
    QTest::newRow("lots without row numbers")
        << QByteArray("CREATE TABLE T AS SELECT * FROM ORNY; DROP TABLE ORNY; CREATE TABLE ORNY (NOM TEXT, "
                      "TYPE TEXT, ANNEE INTEGER, COULEUR TEXT, QUANTITE INTEGER, PRIXUNITAIRE REAL, PRIMARY "
                      "KEY (NOM, TYPE, ANNEE, COULEUR, QUANTITE)) WITHOUT ROWID; INSERT INTO ORNY SELECT * "
                      "FROM T; DROP TABLE T;");
    QTest::newRow("index calling an unknown function")
        << QByteArray("CREATE INDEX piege ON ORNY (inconnue(NOM));");
    QTest::newRow("index out of step with its table")
        << QByteArray("PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = 'CREATE INDEX ORNY_NOM ON "
                      "ORNY (TYPE COLLATE NOCASE)' WHERE name = 'ORNY_NOM';");
}

void TestStorage::unusableCopiesAreRefused() {
    QFETCH(QByteArray, damage);
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QString copy = c.elsewhere.path() + "/abimee.dat";
    QVERIFY(!backups.saveTo(copy, at(QDate(2026, 12, 8))));
    sqlite3* tool = nullptr;
    QCOMPARE(sqlite3_open(copy.toUtf8(), &tool), SQLITE_OK);
    sqlite3_create_function(
        tool, "inconnue", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context* context, int, sqlite3_value** v) { sqlite3_result_value(context, v[0]); },
        nullptr, nullptr);
    QCOMPARE(sqlite3_exec(tool, damage.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(tool);
    // It opens and counts its lots as a cellar does...
    DataLink link(copy);
    QVERIFY(link.query("SELECT COUNT(*) FROM ORNY").ok());
    link.close();
    // ...but could not be written: refused, the cellar untouched and no copy made before.
    const Backups::Outcome refused = backups.restore(copy, at(QDate(2026, 12, 8), 10));
    QVERIFY(refused.failure);
    QVERIFY2(refused.failure->message.contains("n'est pas utilisable") &&
                 refused.failure->message.contains("abimee.dat"),
             qPrintable(refused.failure->message));
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(copiesOfKind(backups, BackupCopy::Kind::BeforeRestore).size(), 0);
    QVERIFY(!QFile::exists(c.cellar.databasePath() + ".restauration"));
}

void TestStorage::leftoversOfKilledOperationsAreCleared() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    QVERIFY(!backups.daily(at(QDate(2026, 12, 8))).failure);
    const QString folder = backups.folder();
    const QStringList leftovers = {folder + "Orny02-2026-12-09-080000-jour.dat.copie",
                                   folder + "Orny02-2026-12-09-080000-jour.dat.copie-journal",
                                   folder + "Orny02-sauvegardes.txt.ecriture",
                                   c.cellar.databasePath() + ".restauration",
                                   c.cellar.databasePath() + ".restauration-journal",
                                   c.cellar.databasePath() + ".restauration.essai"};
    for (const QString& leftover : leftovers)
        writeFile(leftover, "à moitié");
    backups.clearLeftovers();
    for (const QString& leftover : leftovers)
        QVERIFY2(!FileSystem::present(leftover), qPrintable(leftover));
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(backups.copies().size(), 1);
}

void TestStorage::moveCarriesTheCopies_data() {
    QTest::addColumn<bool>("sameDisk");
    QTest::newRow("renamed at once") << true;
    QTest::newRow("copied one by one") << false;
}

void TestStorage::moveCarriesTheCopies() {
    QFETCH(bool, sameDisk);
    int boundaries = 0;
    for (int step = 0;; ++step) {
        Cellars c;
        FileSystem plain;
        Backups before(plain, c.cellar.folder(), c.elsewhere.path());
        QVERIFY(!before.daily(at(QDate(2026, 12, 7))).failure);
        c.cellar.addLot("Soir", "Loire", 2001, "Blanc", 1);
        QVERIFY(!before.atExit(at(QDate(2026, 12, 7), 20)).failure);
        QMap<QString, QByteArray> copies;
        for (const BackupCopy& copy : before.copies())
            copies[QFileInfo(copy.path).fileName()] = fileBytes(copy.path);
        const QByteArray cellar = fileBytes(c.cellar.databasePath());
        FailingFileSystem files;
        files.dieBefore = step;
        files.foldersAcrossDisks = !sameDisk;
        bool killed = false;
        try {
            QVERIFY(c.move(files, "Cave").ok());
        } catch (const FailingFileSystem::Killed&) {
            killed = true;
        }
        QString cheminBase = c.settings();
        if (killed)
            static_cast<void>(DatabaseMove(plain, c.cellar.folder()).resume(cheminBase));
        // Wherever the cellar is, its copies are there, whole, listed; nothing of them is left elsewhere.
        QCOMPARE(fileBytes(cheminBase + "Orny02.dat"), cellar);
        const QString other = cheminBase == c.cellar.folder() ? c.target("Cave") + "/" : c.cellar.folder();
        QVERIFY2(!QFileInfo::exists(other + "Sauvegardes"), qPrintable(QString::number(step)));
        Backups after(plain, cheminBase, c.elsewhere.path());
        QCOMPARE(after.folder(), cheminBase + "Sauvegardes/");
        QCOMPARE(after.copies().size(), 2);
        for (const BackupCopy& copy : after.copies())
            QCOMPARE(fileBytes(copy.path), copies.value(QFileInfo(copy.path).fileName()));
        QCOMPARE(filesIn(cheminBase + "Sauvegardes").size(), 3);
        if (!killed)
            break;
        ++boundaries;
    }
    QVERIFY(boundaries >= (sameDisk ? 4 : 8));
}

void TestStorage::copiesTakenWhileAnotherProgramWrites() {
    Cellars c;
    c.cellar.addLot("Réserve", "Cave", 2000, "Rouge", 1000000, 9.5);
    QProcess writer;
    writer.start(QCoreApplication::applicationDirPath() + "/crash_worker",
                 {c.cellar.databasePath(), c.elsewhere.path() + "/journal.txt", "1",
                  BROVANE_TEST_DATA "/jet/jet4/Vin.mdb"});
    QVERIFY(writer.waitForStarted());
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    for (int n = 0; n < 15; ++n) {
        const QString copy = c.elsewhere.path() + QString("/copie%1.dat").arg(n);
        QVERIFY(!backups.saveTo(copy, at(QDate(2026, 12, 7))));
        // Each copy is one instant of the cellar: sound, and every import in it whole.
        DataLink link(copy);
        // The three first lots were there before; each import brings eleven, one of them Échézeaux.
        const DbRows rows =
            link.query("SELECT (SELECT quick_check FROM pragma_quick_check), "
                       "(SELECT COUNT(*) FROM ORNY WHERE rowid > 3 AND NOM NOT LIKE 'Achat-%'), "
                       "(SELECT COUNT(*) FROM ORNY WHERE NOM = 'Échézeaux')");
        QCOMPARE(rows.rows.front().at(0).toString(), QString("ok"));
        QCOMPARE(rows.rows.front().at(1).toInt(), rows.rows.front().at(2).toInt() * 11);
        QTest::qWait(20);
    }
    writer.kill();
    writer.waitForFinished();
    QVERIFY(backups.saveTo(c.elsewhere.path() + "/copie0.dat", at(QDate(2026, 12, 7))));
}

void TestStorage::restoreKilledAtEveryStepLeavesOneWholeCellar() {
    int boundaries = 0;
    for (int step = 0;; ++step) {
        Cellars c;
        FileSystem plain;
        Backups before(plain, c.cellar.folder(), c.elsewhere.path());
        const QString copy = c.elsewhere.path() + "/ancienne.dat";
        QVERIFY(!before.saveTo(copy, at(QDate(2026, 12, 6))));
        c.cellar.addLot("Achat récent", "Loire", 2001, "Blanc", 1);
        const QStringList now = lotsOf(c.cellar.databasePath());
        FailingFileSystem files;
        files.dieBefore = step;
        bool killed = false;
        try {
            QVERIFY(!Backups(files, c.cellar.folder(), c.elsewhere.path())
                         .restore(copy, at(QDate(2026, 12, 7)))
                         .failure);
        } catch (const FailingFileSystem::Killed&) {
            killed = true;
        }
        const QStringList after = lotsOf(c.cellar.databasePath());
        QVERIFY2(after == now || after == c.lots, qPrintable(QString::number(step)));
        if (!killed) {
            QCOMPARE(after, c.lots);
            // The cellar as it was before is among the copies, by its kind, and can be brought back.
            const QList<BackupCopy> kept = copiesOfKind(before, BackupCopy::Kind::BeforeRestore);
            QCOMPARE(kept.size(), 1);
            QCOMPARE(kept.front().taken, at(QDate(2026, 12, 7)).toUTC());
            QCOMPARE(kept.front().lots, 3);
            QCOMPARE(lotsOf(kept.front().path), now);
            QVERIFY(!before.restore(kept.front().path, at(QDate(2026, 12, 7), 10)).failure);
            QCOMPARE(lotsOf(c.cellar.databasePath()), now);
            break;
        }
        ++boundaries;
        // The next start clears what was left; a later restore is not hindered.
        before.clearLeftovers();
        QVERIFY(!QFile::exists(c.cellar.databasePath() + ".restauration"));
        QVERIFY(!Backups(plain, c.cellar.folder(), c.elsewhere.path())
                     .restore(copy, at(QDate(2026, 12, 8)))
                     .failure);
        QCOMPARE(lotsOf(c.cellar.databasePath()), c.lots);
    }
    QVERIFY(boundaries >= 3);
}

void TestStorage::csvCells_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("text") << QVariant("Margaux") << QByteArray("Margaux");
    QTest::newRow("no value") << QVariant() << QByteArray();
    QTest::newRow("whole number") << QVariant(qlonglong(-12)) << QByteArray("-12");
    QTest::newRow("decimal comma") << QVariant(12.5) << QByteArray("12,5");
    QTest::newRow("separator") << QVariant("Caisse; bois") << QByteArray("\"Caisse; bois\"");
    QTest::newRow("quote doubled") << QVariant("Le \"Clos\"") << QByteArray("\"Le \"\"Clos\"\"\"");
    QTest::newRow("line feed") << QVariant("Casier 3\nrangée B") << QByteArray("\"Casier 3\nrangée B\"");
    QTest::newRow("carriage return") << QVariant("a\rb") << QByteArray("\"a\rb\"");
    QTest::newRow("leading blank") << QVariant(" Jura") << QByteArray("\" Jura\"");
    // A text a spreadsheet would run as a formula stays a text.
    for (const char* formula : {"=1+1", "+33 1", "-2+3", "@SOMME(A1)"})
        QTest::addRow("formula %s", formula) << QVariant(formula) << "'" + QByteArray(formula);
    // OWASP's list goes on with the tab and the carriage return; full-width signs start formulas too.
    QTest::newRow("formula tab") << QVariant("\tx") << QByteArray("'\tx");
    QTest::newRow("formula carriage return") << QVariant("\rx") << QByteArray("\"'\rx\"");
    QTest::newRow("formula full-width") << QVariant("＝1") << QByteArray("'＝1");
    QTest::newRow("negative number stays a number") << QVariant(-3.5) << QByteArray("-3,5");
    QTest::newRow("no float noise") << QVariant(12.1 * 3) << QByteArray("36,3");
    // Never an exponent, which a spreadsheet reads as text.
    QTest::newRow("huge") << QVariant(1e20) << QByteArray("100000000000000000000");
    QTest::newRow("million billions") << QVariant(1e15) << QByteArray("1000000000000000");
    QTest::newRow("fifteen digits") << QVariant(123456789012.5) << QByteArray("123456789012,5");
    QTest::newRow("tiny") << QVariant(-1e-7) << QByteArray("-0,0000001");
    QTest::newRow("infinite") << QVariant(-qInf()) << QByteArray("-\u221E");
    // No NUL is written, even one hiding a formula.
    QTest::newRow("NUL") << QVariant(QString("a") + QChar(0) + "b") << QByteArray("ab");
    QTest::newRow("NUL before a formula") << QVariant(QString(QChar(0)) + "=1") << QByteArray("'=1");
}

void TestStorage::csvCells() {
    QFETCH(QVariant, value);
    QFETCH(QByteArray, cell);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    CsvWriter csv(out);
    csv.row({value, "fin"});
    QVERIFY(csv.flush());
    QCOMPARE(out.data(), "\xEF\xBB\xBF" + cell + ";fin\r\n");
    // A device that refuses the bytes is a failed export, never a silent one.
    QBuffer closed;
    closed.open(QIODevice::ReadOnly);
    CsvWriter failing(closed);
    failing.row({value});
    QVERIFY(!failing.flush());
    QVERIFY(!failing.ok());
}

void TestStorage::copiesBeforeARestoreKeptByTheirOwnRule() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QString copy = c.elsewhere.path() + "/ancienne.dat";
    QVERIFY(!backups.saveTo(copy, at(QDate(2025, 1, 1))));
    // Twelve restores over a year: the ten newest copies made before them stay, and the copy on demand.
    for (int n = 0; n < 12; ++n) {
        c.cellar.addLot(QString("Avant %1").arg(n), "Loire", 2001, "Blanc", 1);
        QVERIFY(!backups.restore(copy, at(QDate(2025, 1, 2).addDays(n * 30))).failure);
    }
    const QList<BackupCopy> kept = copiesOfKind(backups, BackupCopy::Kind::BeforeRestore);
    QCOMPARE(kept.size(), 10);
    QCOMPARE(kept.back().taken, at(QDate(2025, 1, 2).addDays(2 * 30)).toUTC());
    QCOMPARE(copiesOfKind(backups, BackupCopy::Kind::OnDemand).size(), 1);
}

void TestStorage::recordIsCheckedAgainstTheFiles() {
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    QVERIFY(!backups.daily(at(QDate(2026, 12, 8), 8)).failure);
    const QString daily = backups.copies().front().path;
    const QString onDemand = c.elsewhere.path() + "/clé.dat";
    QVERIFY(!backups.saveTo(onDemand, at(QDate(2026, 12, 8), 9)));
    // Lines another program wrote: a file outside the folder, a name leading out, a copy twice, a count that
    // disagrees with the file.
    const QString record = backups.folder() + BackupCatalogue::FileName;
    writeFile(record, fileBytes(record) + QString("copie\t/etc/passwd\tdemande\t2026-12-09T08:00:00Z\t12\t\n"
                                                  "copie\t../Orny02.dat\tjour\t2026-12-09T08:00:00Z\t12\t\n"
                                                  "copie\t%1\tdemande\t2026-12-09T08:00:00Z\t2\t\n"
                                                  "copie\t%2\tjour\t2026-12-08T08:00:00Z\t999\t\n")
                                              .arg(daily, QFileInfo(daily).fileName())
                                              .toUtf8());
    // The copies the files show, each once with the lots it holds, though another program changed one since;
    // the record written again without those lines.
    DataLink(onDemand).execute("INSERT INTO ORNY VALUES ('Ajouté', 'Loire', 2001, 'Blanc', 1, 2)").reset();
    QStringList listed;
    for (const BackupCopy& copy : backups.copies())
        listed << QString("%1 %2").arg(QFileInfo(copy.path).fileName()).arg(copy.lots);
    QCOMPARE(listed, (QStringList{"clé.dat 3", QFileInfo(daily).fileName() + " 2"}));
    QCOMPARE(fileBytes(record).count("\ncopie\t"), 2);
    QVERIFY(!fileBytes(record).contains("\t999\t"));
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
