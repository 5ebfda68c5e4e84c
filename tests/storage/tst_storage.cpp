// SPDX-License-Identifier: GPL-3.0-or-later
// The cellar's files on disk: the settings file, and the move of the cellar into a new folder.
#include "database/DataLink.h"
#include "storage/Backups.h"
#include "storage/CsvWriter.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
#include "support/TestCellar.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
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
    DatabaseMove::Result move(FileSystem& files, const char* name) {
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
    void folderWithoutSeparatorDeletesOnlyItsOwnCellar();
    void moveTakesWhatTheEngineSees();
    void cellarInUseDoesNotMove();
    void killAtEveryStepLeavesOneWholeCellar();
    void resumeKeepsACellarWrittenSince();
    void cellarHoldingCodeIsRefused();
    void dailyCopiesKeptByDate();
    void copiesTakenWhileAnotherProgramWrites();
    void restoreKilledAtEveryStepLeavesOneWholeCellar();
};

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
        QVERIFY(loaded.notice.isEmpty());
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
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Moved);
    QVERIFY(result.message.isEmpty());
    QCOMPARE(result.newBase, c.target("Cave") + "/");
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
    const auto second = DatabaseMove(files, c.cellar.folder()).run(first.newBase, c.target("Vins"));
    QCOMPARE(second.outcome, DatabaseMove::Outcome::Moved);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(fileBytes(c.target("Vins") + "/Orny02.dat"), c.original);
    // A file of the user's beside the cellar is not the cellar's: it stays, and so does its folder.
    writeFile(c.target("Vins") + "/Orny02.bak", "mes notes");
    const auto third = DatabaseMove(files, c.cellar.folder()).run(second.newBase, c.target("Cave"));
    QCOMPARE(third.outcome, DatabaseMove::Outcome::Moved);
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
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Failed);
    QVERIFY2(result.message.startsWith("La base n'a pas été déplacée"), qPrintable(result.message));
    QVERIFY2(result.message.contains(cause), qPrintable(result.message));
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(c.settings(), c.cellar.folder());
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(c.record()));
    QCOMPARE(QDir(c.elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"Fichier"}));

    // A missing cellar is a failure too, before anything is made.
    QFile::remove(c.cellar.databasePath());
    FileSystem plain;
    QCOMPARE(c.move(plain, "Autre").outcome, DatabaseMove::Outcome::Failed);
    QVERIFY(!QFileInfo::exists(c.target("Autre")));
}

void TestStorage::oldFilesThatStayDoNotUndoTheMove() {
    Cellars c;
    FailingFileSystem files;
    files.failing = "removeFile";
    const auto result = c.move(files, "Cave");
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Moved);
    QVERIFY(result.message.contains("n'ont pas pu être effacés"));
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
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Moved);
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
    QCOMPARE(c.move(files, "Cave").outcome, DatabaseMove::Outcome::Moved);
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
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Failed);
    QVERIFY2(result.message.contains("utilisée par un autre programme"), qPrintable(result.message));
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
            QCOMPARE(c.move(next, "Cave").outcome, DatabaseMove::Outcome::Moved);
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

void TestStorage::dailyCopiesKeptByDate() {
    // Which days stay, with 7 December 2026 as today: the fourteen newest, then the first of each month for
    // twelve months.
    QList<QDate> days;
    for (QDate day(2025, 6, 1); day <= QDate(2026, 12, 7); day = day.addDays(3))
        days << day;
    const QList<QDate> pruned = Backups::toPrune(days, QDate(2026, 12, 7));
    QList<QDate> kept;
    for (const QDate& day : days)
        if (!pruned.contains(day))
            kept << day;
    // The fourteen newest go back to 27 October; the first of each month from January to October adds ten
    // (November's and December's are among the newest).
    QCOMPARE(kept.size(), 24);
    QCOMPARE(kept.first(), QDate(2026, 1, 3));
    QVERIFY(!kept.contains(QDate(2025, 12, 30)));
    QVERIFY(kept.contains(QDate(2026, 2, 2)));
    QVERIFY(kept.contains(days.last()));
    // The day's copy: made once, checked, named by the day, and the others pruned beside it.
    Cellars c;
    FileSystem files;
    Backups backups(files, c.cellar.folder(), c.elsewhere.path());
    const QString folder = c.cellar.folder() + "Sauvegardes/";
    QCOMPARE(backups.folder(), folder);
    for (const QDate& day : days)
        QVERIFY(QFile::copy(c.cellar.databasePath(), folder + Backups::dailyName(day)));
    QVERIFY(!backups.daily(QDate(2026, 12, 8)));
    QCOMPARE(fileBytes(folder + "Orny02-2026-12-08.dat").isEmpty(), false);
    QCOMPARE(lotsOf(folder + "Orny02-2026-12-08.dat"), c.lots);
    const auto copies = backups.copies();
    QCOMPARE(copies.first().date, QDate(2026, 12, 8));
    QCOMPARE(copies.first().lots, 2);
    QCOMPARE(copies.size(), 24);
    // At most once a day.
    c.cellar.addLot("Plus tard", "Loire", 2001, "Blanc", 1);
    QVERIFY(!backups.daily(QDate(2026, 12, 8)));
    QCOMPARE(lotsOf(folder + "Orny02-2026-12-08.dat").size(), 2);
    // A folder beside the cellar that cannot be written sends them to the user's own.
    Backups elsewhere(files, "/proc/", c.elsewhere.path());
    QCOMPARE(elsewhere.folder(), c.elsewhere.path() + "/Sauvegardes/");
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
        QVERIFY(!backups.saveTo(copy));
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
    QVERIFY(backups.saveTo(c.elsewhere.path() + "/copie0.dat"));
}

void TestStorage::restoreKilledAtEveryStepLeavesOneWholeCellar() {
    int boundaries = 0;
    for (int step = 0;; ++step) {
        Cellars c;
        FileSystem plain;
        Backups before(plain, c.cellar.folder(), c.elsewhere.path());
        const QString copy = c.elsewhere.path() + "/ancienne.dat";
        QVERIFY(!before.saveTo(copy));
        c.cellar.addLot("Achat récent", "Loire", 2001, "Blanc", 1);
        const QStringList now = lotsOf(c.cellar.databasePath());
        FailingFileSystem files;
        files.dieBefore = step;
        bool killed = false;
        try {
            QVERIFY(!Backups(files, c.cellar.folder(), c.elsewhere.path()).restore(copy, QDate(2026, 12, 7)));
        } catch (const FailingFileSystem::Killed&) {
            killed = true;
        }
        const QStringList after = lotsOf(c.cellar.databasePath());
        QVERIFY2(after == now || after == c.lots, qPrintable(QString::number(step)));
        if (!killed) {
            QCOMPARE(after, c.lots);
            // The cellar as it was before is among the copies.
            QCOMPARE(lotsOf(before.folder() + Backups::dailyName(QDate(2026, 12, 7))), now);
            break;
        }
        ++boundaries;
        // A later restore is not hindered by what was left.
        QVERIFY(!Backups(plain, c.cellar.folder(), c.elsewhere.path()).restore(copy, QDate(2026, 12, 8)));
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
}

void TestStorage::csvCells() {
    QFETCH(QVariant, value);
    QFETCH(QByteArray, cell);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    CsvWriter csv(out);
    csv.row({value, "fin"});
    QVERIFY(csv.ok());
    QCOMPARE(out.data(), "\xEF\xBB\xBF" + cell + ";fin\r\n");
    // A device that refuses the bytes is a failed export, never a silent one.
    QBuffer closed;
    closed.open(QIODevice::ReadOnly);
    CsvWriter failing(closed);
    failing.row({value});
    QVERIFY(!failing.ok());
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
