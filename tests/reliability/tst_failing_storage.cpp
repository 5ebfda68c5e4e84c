// SPDX-License-Identifier: GPL-3.0-or-later
// Every write of the program over a disk that fails: for each operation that writes, each kind of file
// operation and every N, the N-th one fails. Afterwards the user has a message, the cellar is sound and
// holds exactly what it held before (or, when the write still went through, exactly what it should),
// and the same write works once the disk is well again.
#include "FaultyVfs.h"
#include "database/CellarQueries.h"
#include "legacy/LegacyImport.h"
#include "storage/Backups.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QTest>
#include <functional>

namespace {

struct Outcome {
    bool ok = false;
    QString message;
};

using Operation = std::function<Outcome(TestCellar&)>;

Outcome fromStatus(const Status& status) {
    return {!status, status ? status->text() : QString()};
}

} // namespace

class TestFailingStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FaultyVfs::install(); }
    void everyFailureIsSurvived_data();
    void everyFailureIsSurvived();
    void copyOnAFullDiskLeavesTheCellarAndSaysSo_data();
    void copyOnAFullDiskLeavesTheCellarAndSaysSo();
};

void TestFailingStorage::everyFailureIsSurvived_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("operation");
    const QList<std::pair<FaultyVfs::Kind, const char*>> kinds = {
        {FaultyVfs::Kind::Open, "open"},   {FaultyVfs::Kind::Read, "read"},
        {FaultyVfs::Kind::Write, "write"}, {FaultyVfs::Kind::Sync, "sync"},
        {FaultyVfs::Kind::Lock, "lock"},   {FaultyVfs::Kind::Full, "full disk"}};
    for (const char* operation : {"purchase", "consumption", "import", "move"})
        for (const auto& [kind, name] : kinds)
            // The move writes with plain file operations, whose failures have tests of their own; its
            // database work is reading the copy to check it.
            if (QString(operation) != "move" || kind == FaultyVfs::Kind::Open ||
                kind == FaultyVfs::Kind::Read || kind == FaultyVfs::Kind::Lock)
                QTest::addRow("%s, failing %s", operation, name)
                    << static_cast<int>(kind) << QString(operation);
}

void TestFailingStorage::everyFailureIsSurvived() {
    QFETCH(int, kind);
    QFETCH(QString, operation);
    std::vector<DbRow> jetLots;
    static_cast<void>(LegacyImport::readLots(QStringLiteral(BROVANE_PROGRAM_DIR "/brovane-lecteur-jet"),
                                             JetFixtures::path("jet4/Vin.mdb"),
                                             [&jetLots](const DbRow& lot) -> Status {
                                                 jetLots.push_back(lot);
                                                 return std::nullopt;
                                             }));
    QTemporaryDir elsewhere;
    const Operation run = [&]() -> Operation {
        if (operation == "purchase")
            return [](TestCellar& c) {
                DataLink link(c.databasePath());
                return fromStatus(CellarQueries::addLot(link, {"Nouveau", "Loire", 2001, "Blanc", 6, 7.5}));
            };
        if (operation == "consumption")
            return [](TestCellar& c) {
                DataLink link(c.databasePath());
                const auto r = CellarQueries::consume(link, {"Margaux", "Bordeaux", 1998, "Rouge"}, 12, 5);
                return Outcome{r.outcome == CellarQueries::Consumed::Lowered,
                               r.error ? r.error->text() : QString()};
            };
        if (operation == "import")
            return [&jetLots](TestCellar& c) {
                DataLink link(c.databasePath());
                return fromStatus(LegacyImport::appendLots(link, jetLots));
            };
        return [&elsewhere](TestCellar& c) {
            FileSystem files;
            const auto r = DatabaseMove(files, c.folder()).run(c.folder(), elsewhere.path() + "/Cave");
            return Outcome{r.ok(), r.ok() ? r->warning : r.failure().message};
        };
    }();

    int injected = 0;
    for (int n = 1; n < 1000; ++n) {
        TestCellar cellar;
        cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
        cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 8.75);
        const QStringList before = cellar.lots();
        const QByteArray original = fileBytes(cellar.databasePath());
        FaultyVfs::failAt(static_cast<FaultyVfs::Kind>(kind), n);
        const Outcome outcome = run(cellar);
        const bool fired = FaultyVfs::triggered();
        FaultyVfs::disarm();
        if (!fired) {
            QVERIFY2(outcome.ok, qPrintable(outcome.message));
            break;
        }
        ++injected;
        if (operation == "move") {
            if (!outcome.ok) {
                QVERIFY(outcome.message.startsWith("La base n'a pas été déplacée"));
                QCOMPARE(fileBytes(cellar.databasePath()), original);
                QVERIFY(!QFileInfo::exists(elsewhere.path() + "/Cave"));
            } else {
                QCOMPARE(fileBytes(elsewhere.path() + "/Cave/Orny02.dat"), original);
                QVERIFY(QDir(elsewhere.path() + "/Cave").removeRecursively());
            }
            continue;
        }
        QCOMPARE(cellar.rows("PRAGMA integrity_check").front().front().toString(), QString("ok"));
        if (!outcome.ok) {
            QVERIFY2(outcome.message.contains("base de données"), qPrintable(outcome.message));
            // The cause is named: a full disk is told as such.
            if (kind == static_cast<int>(FaultyVfs::Kind::Full))
                QVERIFY2(outcome.message.contains("est plein"), qPrintable(outcome.message));
            QCOMPARE(cellar.lots(), before);
            // The disk is well again: the same write now works.
            QVERIFY(run(cellar).ok);
        }
        QVERIFY(cellar.lots() != before);
    }
    QVERIFY(injected > 0);
    qInfo("%d injected failures survived", injected);
}

void TestFailingStorage::copyOnAFullDiskLeavesTheCellarAndSaysSo_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("the day's copy") << "daily";
    QTest::newRow("the copy at the end of a session") << "atExit";
    QTest::newRow("a copy on demand") << "saveTo";
}

void TestFailingStorage::copyOnAFullDiskLeavesTheCellarAndSaysSo() {
    QFETCH(QString, kind);
    int injected = 0;
    for (int n = 1; n < 1000; ++n) {
        TestCellar cellar;
        cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
        const QByteArray original = fileBytes(cellar.databasePath());
        QTemporaryDir elsewhere;
        FileSystem files;
        Backups backups(files, cellar.folder(), elsewhere.path());
        const QString chosen = elsewhere.path() + "/ma copie.dat";
        const QDateTime now(QDate(2026, 12, 7), QTime(20, 0));
        FaultyVfs::failAt(FaultyVfs::Kind::Full, n);
        const Status failure = kind == "daily"    ? backups.daily(now).failure
                               : kind == "atExit" ? backups.atExit(now).failure
                                                  : backups.saveTo(chosen, now);
        const bool fired = FaultyVfs::triggered();
        FaultyVfs::disarm();
        if (!fired) {
            QVERIFY2(!failure, qPrintable(failure ? failure->text() : QString()));
            break;
        }
        ++injected;
        QVERIFY(failure);
        // The copy is what failed, named as the user knows it; his entries are safe and he is told so.
        const QString copy = kind == "saveTo" ? chosen : backups.folder();
        QVERIFY2(
            failure->message.startsWith("La copie « " + copy) &&
                failure->message.contains("n'a pas pu être écrite : le disque qui la reçoit est plein") &&
                failure->message.contains("Vos saisies sont bien enregistrées dans la cave"),
            qPrintable(failure->message));
        QVERIFY2(!failure->text().contains(".copie") && !failure->message.contains("aucune modification"),
                 qPrintable(failure->text()));
        QCOMPARE(fileBytes(cellar.databasePath()), original);
        QVERIFY(backups.copies().isEmpty());
    }
    QVERIFY(injected > 0);
}

QTEST_MAIN(TestFailingStorage)
#include "tst_failing_storage.moc"
