// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a process that is writing to the cellar at many moments, and checks after each kill that the
// cellar is sound and holds every write that had been acknowledged, and nothing half-written.
#include "storage/Backups.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

namespace {

// What a worker acknowledged, one line of its journal per write.
struct Acknowledged {
    QStringList purchases;
    int consumptions = 0;
    int imports = 0;
    int writes() const { return static_cast<int>(purchases.size()) + consumptions + imports; }
};

Acknowledged readJournal(const QString& journal) {
    Acknowledged a;
    for (const QByteArray& line : fileBytes(journal).split('\n')) {
        if (line.startsWith("achat "))
            a.purchases << "Achat-" + QString::fromLatin1(line.mid(6));
        a.consumptions += line.startsWith("consommation ");
        a.imports += line.startsWith("import ");
    }
    return a;
}

// The cellar a worker wrote to, with what it held before the run.
class Watched {
public:
    explicit Watched(const QString& database) : m_database(database) { m_before = counts(); }

    // Sound, every acknowledged write of the run there exactly, the write under way whole or absent.
    void check(int run, const Acknowledged& acknowledged) const {
        QCOMPARE(rows("PRAGMA integrity_check").front().front().toString(), QString("ok"));
        QCOMPARE(rows("SELECT COUNT(*) FROM ORNY WHERE NOM IS NULL OR TYPE IS NULL OR ANNEE IS NULL "
                      "OR COULEUR IS NULL OR QUANTITE IS NULL")
                     .front()
                     .front()
                     .toInt(),
                 0);
        QStringList storedNames;
        for (const DbRow& row : rows("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE FROM ORNY "
                                     "WHERE NOM LIKE ?1",
                                     {QString("Achat-%1-%").arg(run)})) {
            storedNames << row.at(0).toString();
            QCOMPARE(row.at(1).toString() + row.at(2).toString() + row.at(3).toString() +
                         row.at(4).toString() + row.at(5).toString(),
                     QString("Loire1999Blanc612.5"));
        }
        for (const QString& name : acknowledged.purchases)
            QVERIFY2(storedNames.contains(name), qPrintable(name));
        QVERIFY(storedNames.size() - acknowledged.purchases.size() <= 1);
        const auto now = counts();
        const int taken = m_before.reserve - now.reserve;
        QVERIFY(taken == acknowledged.consumptions || taken == acknowledged.consumptions + 1);
        // Imports are whole: eleven lots each, never part of them.
        const int imported = now.imported - m_before.imported;
        QCOMPARE(imported % 11, 0);
        QVERIFY(imported / 11 == acknowledged.imports || imported / 11 == acknowledged.imports + 1);
        // The journal and the cellar went together: every movement complete, and the last movement of each
        // lot leaves it as it stands.
        if (rows("SELECT COUNT(*) FROM sqlite_schema WHERE name = 'MOUVEMENT'").front().front().toInt() == 0)
            return;
        QCOMPARE(rows("SELECT COUNT(*) FROM MOUVEMENT WHERE LOT_APRES IS NULL").front().front().toInt(), 0);
        QCOMPARE(
            rows("SELECT COUNT(*) FROM MOUVEMENT m LEFT JOIN ORNY o ON o.rowid = m.LOT WHERE m.ID = "
                 "(SELECT MAX(ID) FROM MOUVEMENT WHERE LOT = m.LOT) AND NOT (m.LOT_APRES = 0 AND o.rowid "
                 "IS NULL OR m.LOT_APRES = 1 AND o.NOM IS m.NOM_APRES AND o.QUANTITE IS m.QUANTITE_APRES)")
                .front()
                .front()
                .toInt(),
            0);
        QCOMPARE(rows("SELECT COUNT(*) FROM ORNY o WHERE NOM <> 'Réserve' AND NOT EXISTS (SELECT 1 FROM "
                      "MOUVEMENT WHERE LOT = o.rowid)")
                     .front()
                     .front()
                     .toInt(),
                 0);
    }

    void setDatabase(const QString& database) { m_database = database; }

private:
    struct Counts {
        int reserve = 0;
        int imported = 0;
    };
    Counts counts() const {
        const DbRow row =
            rows("SELECT (SELECT QUANTITE FROM ORNY WHERE NOM = 'Réserve'), (SELECT COUNT(*) FROM "
                 "ORNY WHERE NOM NOT LIKE 'Achat-%' AND NOM <> 'Réserve')")
                .front();
        return {row.at(0).toInt(), row.at(1).toInt()};
    }
    std::vector<DbRow> rows(const QString& sql, const QVariantList& params = {}) const {
        DataLink link(m_database);
        DbRows result = link.query(sql, params);
        if (!result.ok())
            qFatal("%s", qPrintable(result.error->text()));
        return result.rows;
    }

    QString m_database;
    Counts m_before;
};

QString worker(const char* name) {
    return QCoreApplication::applicationDirPath() + "/" + name;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killsLoseNothing();
    void killedMovesLoseNothing();
    void killedCopiesAtExitLoseNothing();
    void writerDuringMoveLosesNothing();
};

void TestCrash::killsLoseNothing() {
    TestCellar cellar;
    cellar.addLot("Réserve", "Cave", 2000, "Rouge", 1000000, 9.5);
    const QString journal = cellar.folder() + "journal.txt";
    QRandomGenerator random(2026);
    int acknowledged = 0;
    int killedWhileWriting = 0;
    for (int run = 0; run < 200; ++run) {
        const Watched watched(cellar.databasePath());
        QFile::remove(journal);
        QProcess process;
        process.start(worker("crash_worker"), {cellar.databasePath(), journal, QString::number(run),
                                               JetFixtures::path("jet4/Vin.mdb")});
        QVERIFY(process.waitForStarted());
        QTest::qWait(static_cast<int>(random.bounded(20, 160)));
        process.kill();
        QVERIFY(process.waitForFinished());
        const Acknowledged acknowledgedNow = readJournal(journal);
        acknowledged += acknowledgedNow.writes();
        killedWhileWriting += acknowledgedNow.writes() > 0;
        watched.check(run, acknowledgedNow);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("200 kills survived; %d acknowledged writes checked; %d kills fell after some write", acknowledged,
          killedWhileWriting);
    QVERIFY(acknowledged > 0);
}

void TestCrash::killedMovesLoseNothing() {
    // A cellar of tens of thousands of lots, moved by a process killed at random moments of the move.
    TestCellar reference;
    reference.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
        "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type ' || (i % 40), 1950 + i % 70, 'Rouge', 1 + i % 24, "
        "CASE WHEN i % 10 = 0 THEN NULL ELSE i / 7.0 END FROM n");
    const QByteArray lots = fileBytes(reference.databasePath());
    // Its copies go with it: three of them, and their record.
    const QStringList copies = {"Orny02-2026-12-05-080000-jour.dat", "Orny02-2026-12-06-080000-jour.dat",
                                "Orny02-2026-12-06-190000-sortie.dat"};
    const auto prepare = [&](QTemporaryDir& program) {
        const QString folder = program.path() + "/";
        writeFile(folder + "Orny02.dat", lots);
        writeFile(folder + "Orny.ini", folder.toLocal8Bit() + "\n");
        QDir().mkdir(folder + "Sauvegardes");
        for (const QString& copy : copies)
            writeFile(folder + "Sauvegardes/" + copy, lots);
        writeFile(folder + "Sauvegardes/" + BackupCatalogue::FileName, "brovane-sauvegardes 1\n");
        return folder;
    };
    // How long a whole move takes here, process start included.
    QElapsedTimer clock;
    {
        QTemporaryDir program;
        const QString folder = prepare(program);
        clock.start();
        QCOMPARE(QProcess::execute(worker("move_worker"), {folder, folder + "Cave", folder}), 0);
    }
    const int whole = static_cast<int>(clock.elapsed());
    QRandomGenerator random(1515);
    int moved = 0, undone = 0, untouched = 0;
    for (int run = 0; run < 60; ++run) {
        QTemporaryDir program;
        const QString folder = prepare(program);
        QProcess process;
        process.start(worker("move_worker"), {folder, folder + "Cave", folder});
        QVERIFY(process.waitForStarted());
        QTest::qWait(static_cast<int>(random.bounded(whole + whole / 4 + 1)));
        process.kill();
        process.waitForFinished();
        QCOMPARE(process.state(), QProcess::NotRunning);
        // The next start, as the program makes it.
        FileSystem files;
        QString cheminBase = SettingsFile::readLine(folder + "Orny.ini").value;
        const QString told = DatabaseMove(files, folder).resume(cheminBase);
        QCOMPARE(SettingsFile::readLine(folder + "Orny.ini").value, cheminBase);
        QCOMPARE(fileBytes(cheminBase + "Orny02.dat"), lots);
        QVERIFY(!QFileInfo::exists(folder + DatabaseMove::RecordName));
        QVERIFY(!QFileInfo::exists(folder + "Cave/Orny02.dat.copie"));
        // The copies are beside the cellar, whole, and nowhere else.
        for (const QString& copy : copies)
            QCOMPARE(fileBytes(cheminBase + "Sauvegardes/" + copy), lots);
        QCOMPARE(filesIn(cheminBase + "Sauvegardes").size(), copies.size() + 1);
        QVERIFY(!QFileInfo::exists((cheminBase == folder ? folder + "Cave/" : folder) + "Sauvegardes"));
        if (cheminBase == folder + "Cave/") {
            ++moved;
            QVERIFY(!QFileInfo::exists(folder + "Orny02.dat"));
        } else {
            QCOMPARE(cheminBase, folder);
            QVERIFY(!QFileInfo::exists(folder + "Cave"));
            told.isEmpty() ? ++untouched : ++undone;
        }
    }
    qInfo("60 kills during a move of 30,000 lots (%d ms): %d moves finished, %d undone at the next start, "
          "%d before anything; no lot lost",
          whole, moved, undone, untouched);
    QVERIFY(moved + undone > 0);
}

void TestCrash::killedCopiesAtExitLoseNothing() {
    // The copy at the end of a session, of a cellar of tens of thousands of lots, killed at random moments:
    // the cellar untouched, every earlier copy whole, and the next start clears what was left.
    TestCellar cellar;
    cellar.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
        "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type ' || (i % 40), 1950 + i % 70, 'Rouge', 1 + i % 24, "
        "i / 7.0 FROM n");
    QTemporaryDir fallback;
    const QString base = cellar.folder();
    const auto when = [](int day) {
        return QDateTime(QDate(2026, 12, 1).addDays(day), QTime(19, 0)).toString(Qt::ISODate);
    };
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(QProcess::execute(worker("copy_worker"), {base, fallback.path(), when(0)}), 0);
    const int whole = static_cast<int>(clock.elapsed());
    FileSystem files;
    Backups backups(files, base, fallback.path());
    QRandomGenerator random(2912);
    int made = 0;
    for (int run = 1; run <= 12; ++run) {
        cellar.addLot(QString("Séance %1").arg(run), "Loire", 2001, "Blanc", 1);
        const QByteArray before = fileBytes(cellar.databasePath());
        QMap<QString, QByteArray> earlier;
        for (const BackupCopy& copy : backups.copies())
            earlier[copy.path] = fileBytes(copy.path);
        QProcess process;
        process.start(worker("copy_worker"), {base, fallback.path(), when(run)});
        QVERIFY(process.waitForStarted());
        QTest::qWait(static_cast<int>(random.bounded(whole + whole / 4 + 1)));
        process.kill();
        process.waitForFinished();
        // The next start.
        backups.clearLeftovers();
        QCOMPARE(fileBytes(cellar.databasePath()), before);
        for (auto copy = earlier.cbegin(); copy != earlier.cend(); ++copy)
            QCOMPARE(fileBytes(copy.key()), copy.value());
        const QList<BackupCopy> now = backups.copies();
        made += now.size() > earlier.size();
        for (const BackupCopy& copy : now) {
            DataLink link(copy.path);
            const DbRows checked =
                link.query("SELECT (SELECT quick_check FROM pragma_quick_check), COUNT(*) FROM ORNY");
            QVERIFY(checked.ok());
            QCOMPARE(checked.rows.front().at(0).toString(), QString("ok"));
            QCOMPARE(checked.rows.front().at(1).toLongLong(), copy.lots);
        }
        QCOMPARE(filesIn(backups.folder()).filter(".copie").size(), 0);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("12 kills during a copy at exit of 30,000 lots (%d ms): %d copies made whole before the kill; no "
          "copy "
          "or lot lost",
          whole, made);
}

void TestCrash::writerDuringMoveLosesNothing() {
    // A second writer on the cellar while it is moved: what it was told was written is in the moved cellar.
    QRandomGenerator random(77);
    for (int run = 0; run < 25; ++run) {
        TestCellar cellar;
        cellar.addLot("Réserve", "Cave", 2000, "Rouge", 1000000, 9.5);
        writeFile(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "\n");
        QTemporaryDir elsewhere;
        Watched watched(cellar.databasePath());
        const QString journal = elsewhere.path() + "/journal.txt";
        QProcess process;
        process.start(worker("crash_worker"), {cellar.databasePath(), journal, QString::number(run),
                                               JetFixtures::path("jet4/Vin.mdb")});
        QVERIFY(process.waitForStarted());
        QTest::qWait(static_cast<int>(random.bounded(30, 120)));
        FileSystem files;
        const auto result =
            DatabaseMove(files, cellar.folder()).run(cellar.folder(), elsewhere.path() + "/Cave");
        QVERIFY(result.ok());
        QTest::qWait(50);
        process.kill();
        QVERIFY(process.waitForFinished());
        watched.setDatabase(elsewhere.path() + "/Cave/Orny02.dat");
        watched.check(run, readJournal(journal));
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
