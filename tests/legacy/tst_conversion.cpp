// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "legacy/LegacyConversion.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// A cellar folder whose Orny02.dat is the given Jet file.
void putJet(TestCellar& cellar, const QByteArray& jet) {
    QFile f(cellar.databasePath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(jet);
}

QStringList filesOf(const TestCellar& cellar) {
    return filesIn(cellar.folder());
}

} // namespace

class TestConversion : public QObject {
    Q_OBJECT
private slots:
    void convertsAndKeepsTheOriginal();
    void earlierTableWithoutPrice();
    void missingColoursGetTheDefaults();
    void damagedFileChangesNothing();
    void offerAsksAndReports();
    void answerNoChangesNothing();
    void sqliteCellarIsNeverOffered();
};

void TestConversion::convertsAndKeepsTheOriginal() {
    TestCellar cellar;
    const QByteArray jet = fileBytes(JetFixtures::path("jet4/Vin.mdb"));
    putJet(cellar, jet);
    const auto result = LegacyConversion::convert(cellar.jetHelper(), cellar.folder());
    QVERIFY2(result.ok(), qPrintable(result.status() ? result.failure().text() : QString()));
    QCOMPARE(result->lots, 11);
    QCOMPARE(result->colours, 4);
    QCOMPARE(result->keptAs, cellar.folder() + "Orny02-ancien-format.dat");
    QCOMPARE(fileBytes(result->keptAs), jet);
    QCOMPARE(cellar.lots(), JetFixtures::Jet4Lots);
    DataLink link(cellar.databasePath());
    QCOMPARE(CellarQueries::colours(link).values, QStringList({"Blanc", "Jaune", "Rosé", "Rouge"}));
    QCOMPARE(filesOf(cellar), QStringList({"Orny02-ancien-format.dat", "Orny02.dat"}));

    // A later conversion never overwrites the copy kept by an earlier one.
    link.close();
    QVERIFY(QFile::remove(cellar.databasePath()));
    putJet(cellar, jet);
    const auto again = LegacyConversion::convert(cellar.jetHelper(), cellar.folder());
    QCOMPARE(again->keptAs, cellar.folder() + "Orny02-ancien-format-2.dat");
    QCOMPARE(fileBytes(cellar.folder() + "Orny02-ancien-format.dat"), jet);
}

void TestConversion::earlierTableWithoutPrice() {
    TestCellar cellar;
    putJet(cellar, fileBytes(JetFixtures::path("jet4-sans-prix/Vin.mdb")));
    const auto result = LegacyConversion::convert(cellar.jetHelper(), cellar.folder());
    QVERIFY2(result.ok(), qPrintable(result.status() ? result.failure().text() : QString()));
    QCOMPARE(cellar.lotCount(), 3);
    QCOMPARE(cellar.rows("SELECT COUNT(*) FROM ORNY WHERE PRIXUNITAIRE IS NULL").front().front().toInt(), 3);
}

void TestConversion::missingColoursGetTheDefaults() {
    TestCellar cellar;
    // The jet4 file with its colour table renamed in the catalogue: a file without COULEUR.
    QByteArray jet = fileBytes(JetFixtures::path("jet4/Vin.mdb"));
    const QByteArray name = QByteArray("C\0O\0U\0L\0E\0U\0R\0", 14);
    const qsizetype catalogued = jet.indexOf(name);
    QVERIFY(catalogued > 0);
    jet.replace(catalogued, name.size(), QByteArray("C\0O\0U\0L\0E\0U\0X\0", 14));
    putJet(cellar, jet);
    const auto result = LegacyConversion::convert(cellar.jetHelper(), cellar.folder());
    QVERIFY2(result.ok(), qPrintable(result.status() ? result.failure().text() : QString()));
    QCOMPARE(result->colours, 3);
    DataLink link(cellar.databasePath());
    QCOMPARE(CellarQueries::colours(link).values, QStringList({"Blanc", "Rosé", "Rouge"}));
    QCOMPARE(cellar.lotCount(), 11);
}

void TestConversion::damagedFileChangesNothing() {
    for (const char* damaged : {"jet4-tronque/Vin.mdb", "jet4-sans-orny/Vin.mdb"}) {
        TestCellar cellar;
        const QByteArray jet = fileBytes(JetFixtures::path(damaged));
        putJet(cellar, jet);
        const auto result = LegacyConversion::convert(cellar.jetHelper(), cellar.folder());
        QVERIFY(!result.ok());
        QVERIFY2(result.failure().text().startsWith("La cave « "), qPrintable(result.failure().text()));
        QVERIFY2(result.failure().text().contains("n'a pas été convertie : "),
                 qPrintable(result.failure().text()));
        QVERIFY2(result.failure().text().contains(QString(damaged).contains("tronque") ? "endommagé"
                                                                                       : "pas de table ORNY"),
                 qPrintable(result.failure().text()));
        QVERIFY(result.failure().text().contains("Le fichier d'origine est intact"));
        QCOMPARE(fileBytes(cellar.databasePath()), jet);
        QCOMPARE(filesOf(cellar), QStringList({"Orny02.dat"}));
    }
}

void TestConversion::offerAsksAndReports() {
    TestCellar cellar;
    putJet(cellar, fileBytes(JetFixtures::path("jet4/Vin.mdb")));
    // An earlier conversion's copy is there: the question names the file that will be written.
    writeFile(cellar.folder() + "Orny02-ancien-format.dat");
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    LegacyConversion::offer(cellar.globals, cellar.services, nullptr);
    QCOMPARE(cellar.messageCount(), 2);
    const auto& question = cellar.services.messages.shown().front();
    QCOMPARE(question.title, QString("Brovane"));
    QCOMPARE(question.buttons, MessageBox::Buttons::YesNo);
    QVERIFY(question.text.contains("version antérieure"));
    QVERIFY2(question.text.contains("« Orny02-ancien-format-2.dat »"), qPrintable(question.text));
    QVERIFY(QFile::exists(cellar.folder() + "Orny02-ancien-format-2.dat"));
    QVERIFY(cellar.lastMessage().text.contains("11 lots et 4 couleurs"));
    QCOMPARE(cellar.lotCount(), 11);
}

void TestConversion::answerNoChangesNothing() {
    TestCellar cellar;
    const QByteArray jet = fileBytes(JetFixtures::path("jet4/Vin.mdb"));
    putJet(cellar, jet);
    cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    LegacyConversion::offer(cellar.globals, cellar.services, nullptr);
    QCOMPARE(cellar.messageCount(), 1);
    QCOMPARE(fileBytes(cellar.databasePath()), jet);
    QCOMPARE(filesOf(cellar), QStringList({"Orny02.dat"}));
    // The windows then say the file must be converted, and the next start asks again.
    DataLink link(cellar.databasePath());
    QVERIFY(link.query("SELECT 1").error->message.contains("version antérieure"));
    cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    LegacyConversion::offer(cellar.globals, cellar.services, nullptr);
    QCOMPARE(cellar.messageCount(), 2);
}

void TestConversion::sqliteCellarIsNeverOffered() {
    TestCellar cellar;
    const QByteArray before = fileBytes(cellar.databasePath());
    LegacyConversion::offer(cellar.globals, cellar.services, nullptr);
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(fileBytes(cellar.databasePath()), before);
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
