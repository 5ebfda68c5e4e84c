// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "database/DataLink.h"
#include "database/FrenchCollation.h"
#include "support/JetFixtures.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void collation_data();
    void collation();
    void sortUniqueGroupsAndOrders();
    void searchFoldsAsEqualityDoes();
    void filterFindsEveryEqualText();
    void distinctNamesGroupCaseAndSortFrench();
    void distinctValuesFollowConditions();
    void quotesRoundTripThroughBoundValues();
    void unusableFiles_data();
    void unusableFiles();
    void missingFileIsNeverCreated();
    void failedWriteLeavesNothing();
    void consumeLowersOrRemovesExactlyOneLot();
    void consumeReportsALotThatIsGone();
    void closedLinkLeavesNoJournal();
};

void TestDatabase::collation_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");
    QTest::newRow("case ignored") << "CHABLIS"
                                  << "Chablis" << 0;
    QTest::newRow("accented capitals folded") << "ÉCHÉZEAUX"
                                              << "échézeaux" << 0;
    QTest::newRow("accent kept apart") << "Rose"
                                       << "Rosé" << -1;
    QTest::newRow("accent only breaks ties") << "Rosé"
                                             << "Roses" << -1;
    QTest::newRow("accented letter with its base") << "Échézeaux"
                                                   << "Fleurie" << -1;
    QTest::newRow("after the plain letters before it") << "Chablis"
                                                       << "Échézeaux" << -1;
    QTest::newRow("ligature as two letters") << "Œil de perdrix"
                                             << "Oeuvre" << -1;
    QTest::newRow("prefix first") << "Tavel"
                                  << "Tavel rosé" << -1;
    QTest::newRow("outside Latin") << "Vin 🍷"
                                   << "VIN 🍷" << 0;
    QTest::newRow("same ASCII start, accented capitals") << "Côte-Rôtie"
                                                         << "CÔTE-RÔTIE" << 0;
    QTest::newRow("same ASCII start, accent breaks the tie") << "Cote"
                                                             << "Côte" << -1;
    QTest::newRow("same ASCII start, letters before accents") << "Côte"
                                                              << "Cotes" << -1;
    QTest::newRow("ASCII prefix") << "ab"
                                  << "ABé" << -1;
    QTest::newRow("ligature equals its letters") << "Cœur de Loire"
                                                 << "COEUR DE LOIRE" << 0;
    QTest::newRow("æ and ß written out") << "Cæsar Straße"
                                         << "caesar strasse" << 0;
    QTest::newRow("long s is no s") << "\u017Fable"
                                    << "sable" << 1;
}

void TestDatabase::collation() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    const int result = FrenchCollation::compare(a, b);
    QCOMPARE(result < 0 ? -1 : result > 0 ? 1 : 0, expected);
    const int reverse = FrenchCollation::compare(b, a);
    QCOMPARE(reverse < 0 ? -1 : reverse > 0 ? 1 : 0, -expected);
}

void TestDatabase::filterFindsEveryEqualText() {
    // Texts made of ligatures, accents, both cases, digits, punctuation and other scripts, each with
    // variants equal to it in French; the filter of every one must find exactly the texts equal to it.
    const QStringList pieces = {"o", "e",  "oe", "œ", "Œ",      "OE",     "a", "ae", "æ", "Æ", "s", "ss",
                                "ß", "é",  "É",  "è", "c",      "ç",      "C", "1",  "-", " ", "'", "Ω",
                                "ж", "中", "🍷",  "k", "\u212A", "\u017F", "u", "r",  "L", "i"};
    QRandomGenerator random(17);
    QStringList texts;
    for (int n = 0; n < 150; ++n) {
        QString text;
        for (int i = random.bounded(1, 7); i > 0; --i)
            text += pieces.at(random.bounded(static_cast<int>(pieces.size())));
        texts << text << text.toUpper()
              << QString(text).replace("œ", "oe").replace("ß", "ss").replace("æ", "AE");
    }
    TestCellar cellar;
    for (const QString& text : texts)
        cellar.addLot(text, "Type", 2000, "Rouge", 1);
    DataLink link(cellar.databasePath());
    int pairs = 0;
    for (const QString& wanted : texts) {
        QVariantList params;
        const QString where = CellarQueries::equalsFrench("NOM", wanted, params);
        QStringList found;
        for (const DbRow& row : link.query("SELECT NOM FROM ORNY WHERE " + where, params).rows)
            found << row.front().toString();
        QStringList expected;
        for (const QString& text : texts)
            if (FrenchCollation::equal(text, wanted))
                expected << text;
        pairs += static_cast<int>(expected.size());
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }
    QVERIFY(pairs > static_cast<int>(texts.size()) * 2);
}

void TestDatabase::searchFoldsAsEqualityDoes() {
    // Texts of ligatures, accents, both cases, digits, signs and other scripts: every text equal to one in
    // French has its search form, and a search for it, however written, finds each of them.
    const QStringList pieces = {"o", "e", "oe", "œ", "Œ", "OE", "a", "æ", "Æ", "s", "ss", "ß",  "é", "É",
                                "è", "ç", "C",  "1", "-", " ",  "'", "’", ".", "Ω", "ж",  "中", "🍷"};
    const auto plain = [](QString text) {
        text = text.normalized(QString::NormalizationForm_D);
        text.remove(QRegularExpression("[\\x{0300}-\\x{036f}\\-'’. ]"));
        return text;
    };
    QRandomGenerator random(23);
    int equalPairs = 0;
    for (int n = 0; n < 400; ++n) {
        QString text;
        for (int i = random.bounded(1, 8); i > 0; --i)
            text += pieces.at(random.bounded(static_cast<int>(pieces.size())));
        const QStringList variants = {text.toUpper(), text.toLower(),
                                      QString(text).replace("œ", "oe").replace("ß", "ss").replace("æ", "AE")};
        for (const QString& other : variants) {
            if (!FrenchCollation::equal(text, other))
                continue;
            ++equalPairs;
            QCOMPARE(FrenchCollation::searchForm(other), FrenchCollation::searchForm(text));
        }
        const QByteArray field = text.toUtf8();
        const std::string_view fields[] = {std::string_view("autre"), std::string_view(field.constData())};
        for (const QString& typed : QStringList{text, text.toUpper(), plain(text), text.toLower()}) {
            const FrenchCollation::Search search(typed);
            QVERIFY2(search.isEmpty() || search.matches(fields, 2), qPrintable(typed + " / " + text));
        }
    }
    QVERIFY(equalPairs > 400);
}

void TestDatabase::sortUniqueGroupsAndOrders() {
    QStringList values = {"Tavel",      "chablis",   "Échézeaux", "CHABLIS",
                          "Côte-Rôtie", "échézeaux", "Rosé",      "Rose"};
    FrenchCollation::sortUnique(values);
    QCOMPARE(values, QStringList({"chablis", "Côte-Rôtie", "Échézeaux", "Rose", "Rosé", "Tavel"}));
}

void TestDatabase::distinctNamesGroupCaseAndSortFrench() {
    TestCellar cellar;
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 12, 8.75);
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 24, 0.1);
    cellar.addLot("CHABLIS", "bourgogne", 2011, "Blanc", 2, 9.99);
    cellar.addLot("Échézeaux", "Bourgogne", 2005, "Rouge", 3);
    cellar.addLot("ÉCHÉZEAUX", "Bourgogne", 2006, "Rouge", 3);
    cellar.addLot("Fleurie", "Beaujolais", 2015, "Rouge", 6);
    cellar.exec("INSERT INTO ORNY (NOM, TYPE) VALUES (NULL, NULL)");
    DataLink link(cellar.databasePath());
    const auto names = CellarQueries::distinctValues(link, "NOM");
    QVERIFY(!names.error);
    QCOMPARE(names.values.size(), 4);
    QCOMPARE(names.values.at(0).toUpper(), QString("CHABLIS"));
    QCOMPARE(names.values.at(1).toUpper(), QString("ÉCHÉZEAUX"));
    QCOMPARE(names.values.mid(2), QStringList({"Fleurie", "Tavel"}));
    const auto types = CellarQueries::distinctValues(link, "TYPE");
    QCOMPARE(types.values.size(), 3);
    QCOMPARE(types.values.first(), QString("Beaujolais"));
}

void TestDatabase::distinctValuesFollowConditions() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Margaux", "Bordeaux", 2001, "Rouge", 6);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6, 14.0);
    cellar.addLot("MARGAUX", "bordeaux", 1985, "Rosé", 1);
    cellar.addLot("Tavel", "Rhône", 1998, "Rosé", 2);
    DataLink link(cellar.databasePath());
    const auto years =
        CellarQueries::distinctValues(link, "ANNEE", {{"NOM", "margaux"}, {"TYPE", "BORDEAUX"}});
    QCOMPARE(years.values, QStringList({"1985", "1998", "2001"}));
    const auto colours = CellarQueries::distinctValues(
        link, "COULEUR", {{"NOM", "Margaux"}, {"TYPE", "Bordeaux"}, {"ANNEE", 1998}});
    QCOMPARE(colours.values, QStringList({"Rouge"}));
    const auto stock = CellarQueries::firstStock(link, {"Margaux", "Bordeaux", 1998, "Rouge"});
    QCOMPARE(stock.quantite.toLongLong(), 12);
}

void TestDatabase::quotesRoundTripThroughBoundValues() {
    TestCellar cellar;
    const QString name = R"(Clos "Les Perrières" ' OR 1=1 --)";
    const QString colour = "Rouge'); DROP TABLE ORNY; --";
    DataLink link(cellar.databasePath());
    QVERIFY(!CellarQueries::addLot(link, {name, "L'Étoile \"Jura\"", 1850, colour, 1, 45.0}));
    cellar.addLot("Autre", "Jura", 1850, "Rouge", 3);
    QCOMPARE(CellarQueries::distinctValues(link, "NOM").values, QStringList({"Autre", name}));
    const auto colours = CellarQueries::distinctValues(
        link, "COULEUR", {{"NOM", name}, {"TYPE", "L'Étoile \"Jura\""}, {"ANNEE", 1850}});
    QCOMPARE(colours.values, QStringList({colour}));
    QCOMPARE(cellar.lotCount(), 2);
}

void TestDatabase::unusableFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero bytes") << QByteArray() << "n'est pas une base de données de Brovane";
    QTest::newRow("text") << QByteArray("NOM;TYPE\nMargaux;Bordeaux\n")
                          << "n'est pas une base de données de Brovane";
    QTest::newRow("sqlite header then garbage") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, 'x')
                                                << "n'est pas une base de données de Brovane";
    QTest::newRow("jet") << JetFixtures::Header + QByteArray(2000, '\0') << "version antérieure";
}

void TestDatabase::unusableFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    TestCellar cellar;
    QFile file(cellar.databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    DataLink link(cellar.databasePath());
    const DbRows rows = link.query("SELECT * FROM ORNY");
    QVERIFY(!rows.ok());
    QVERIFY2(rows.error->message.contains(expected), qPrintable(rows.error->message));
    QVERIFY(rows.error->message.contains(QDir::toNativeSeparators(cellar.databasePath())));
    QVERIFY(CellarQueries::addLot(link, {"X", "Y", 2000, "Rouge", 1, {}}).has_value());
    QFile reread(cellar.databasePath());
    QVERIFY(reread.open(QIODevice::ReadOnly));
    QCOMPARE(reread.readAll(), content);
}

void TestDatabase::missingFileIsNeverCreated() {
    TestCellar cellar;
    QVERIFY(QFile::remove(cellar.databasePath()));
    DataLink link(cellar.databasePath());
    const auto names = CellarQueries::distinctValues(link, "NOM");
    QVERIFY(names.error);
    QVERIFY(names.error->message.contains("introuvable"));
    QVERIFY(!QFile::exists(cellar.databasePath()));

    TestCellar shaped;
    shaped.exec("ALTER TABLE ORNY DROP COLUMN PRIXUNITAIRE");
    DataLink noPrice(shaped.databasePath());
    QVERIFY(noPrice.query("SELECT 1").error->message.contains("la colonne PRIXUNITAIRE de la table ORNY"));
    TestCellar noColours;
    noColours.exec("DROP TABLE COULEUR");
    DataLink noColourLink(noColours.databasePath());
    QVERIFY(noColourLink.query("SELECT 1").error->message.contains("il manque la table COULEUR"));
}

void TestDatabase::failedWriteLeavesNothing() {
    TestCellar cellar;
    DataLink link(cellar.databasePath());
    const Status status = link.write([](DataLink& l) -> Status {
        if (Status e = l.execute("INSERT INTO ORNY (NOM) VALUES ('premier')"))
            return e;
        return l.execute("INSERT INTO TABLE_ABSENTE VALUES (1)");
    });
    QVERIFY(status.has_value());
    QVERIFY(!status->detail.isEmpty());
    QCOMPARE(cellar.lotCount(), 0);
    QVERIFY(!CellarQueries::addLot(link, {"Après", "Jura", 2000, "Blanc", 1, {}}));
    QCOMPARE(cellar.lotCount(), 1);
}

void TestDatabase::consumeLowersOrRemovesExactlyOneLot() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6, 12.5);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6, 14.0);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 20.0);
    DataLink link(cellar.databasePath());
    const CellarQueries::LotKey key{"MARGAUX", "bordeaux", 1998, "rouge"};
    auto result = CellarQueries::consume(link, key, 6, 6);
    QCOMPARE(result.outcome, CellarQueries::Consumed::Removed);
    QCOMPARE(cellar.lots(),
             QStringList({"Margaux|Bordeaux|1998|Rouge|6|14", "Margaux|Bordeaux|1998|Rouge|12|20"}));
    result = CellarQueries::consume(link, key, 12, 4);
    QCOMPARE(result.outcome, CellarQueries::Consumed::Lowered);
    QCOMPARE(cellar.lots(),
             QStringList({"Margaux|Bordeaux|1998|Rouge|6|14", "Margaux|Bordeaux|1998|Rouge|8|20"}));
}

void TestDatabase::consumeReportsALotThatIsGone() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6);
    DataLink link(cellar.databasePath());
    const auto result = CellarQueries::consume(link, {"Margaux", "Bordeaux", 1998, "Rouge"}, 5, 2);
    QCOMPARE(result.outcome, CellarQueries::Consumed::LotGone);
    QCOMPARE(cellar.lots(), QStringList({"Margaux|Bordeaux|1998|Rouge|6|<null>"}));
}

void TestDatabase::closedLinkLeavesNoJournal() {
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"A", "B", 2000, "Blanc", 1, 2.5}));
    }
    const QStringList files = filesIn(cellar.folder());
    QCOMPARE(files, QStringList({"Orny02.dat"}));
}

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
