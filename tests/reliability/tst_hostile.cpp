// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged and hostile cellars under every window, and hostile text through purchase, view, consumption
// and print: every window reports, nothing crashes, nothing is changed or lost.
#include "consumption/Consommation.h"
#include "printing/ApercuInventaire.h"
#include "printing/Impression.h"
#include "purchases/Saisie.h"
#include "support/TestCellar.h"
#include "view/CellarModel.h"
#include "view/Visualisation.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <sqlite3.h>

namespace {

void write(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void damagedCellarUnderEveryWindow_data();
    void damagedCellarUnderEveryWindow();
    void hostileTextGoesThroughUnchanged_data();
    void hostileTextGoesThroughUnchanged();
};

void TestHostile::damagedCellarUnderEveryWindow_data() {
    QTest::addColumn<QString>("damage");
    for (const char* d :
         {"zero bytes", "truncated", "random", "text", "wrongly shaped", "holding code", "folder", "locked"})
        QTest::newRow(d) << QString(d);
}

void TestHostile::damagedCellarUnderEveryWindow() {
    QFETCH(QString, damage);
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    QFile::copy(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), cellar.folder() + "Orny01.dat");
    const QString path = cellar.databasePath();
    const QByteArray sound = fileBytes(path);
    sqlite3* holder = nullptr;
    if (damage == "zero bytes")
        write(path, {});
    else if (damage == "truncated")
        write(path, sound.left(3000));
    else if (damage == "random") {
        QByteArray noise(20000, '\0');
        for (char& c : noise)
            c = static_cast<char>(QRandomGenerator::global()->bounded(256));
        write(path, noise);
    } else if (damage == "text")
        write(path, "NOM;TYPE;ANNEE\nMargaux;Bordeaux;1998\n");
    else if (damage == "wrongly shaped")
        cellar.exec("ALTER TABLE ORNY DROP COLUMN QUANTITE");
    else if (damage == "holding code")
        cellar.exec("CREATE TRIGGER piege AFTER INSERT ON ORNY BEGIN DELETE FROM ORNY; END");
    else if (damage == "folder") {
        // The settings name a folder that does not exist.
        cellar.globals.CheminBase = cellar.folder() + "absent/";
    } else {
        // Another program holds the cellar with an exclusive lock.
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE ORNY SET QUANTITE = QUANTITE", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
    }
    const QByteArray before = fileBytes(path);

    {
        Saisie saisie(cellar.globals, cellar.services);
        QCOMPARE(cellar.messageCount(), 1);
        typeOver(saisie.findChild<QLineEdit*>("SaisieNom"), "Essai");
        typeOver(saisie.findChild<QComboBox*>("ListeType")->lineEdit(), "Essai");
        typeOver(saisie.findChild<QLineEdit*>("SaisieAnnee"), "2000");
        // With no colour to choose, the purchase stops at its own check: nothing can be written.
        saisie.Valider_Click();
        QCOMPARE(cellar.lastMessage().title, QString("Erreur de saisie"));
    }
    {
        Consommation conso(cellar.globals, cellar.services);
        conso.Annuler_Click();
    }
    {
        Visualisation visu(cellar.globals, cellar.services);
        visu.Rouge_Click();
        QCOMPARE(visu.model()->rowCount(), 0);
        QCOMPARE(visu.model()->columnCount(), 7);
    }
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    // Each action said once what is wrong with the file, naming it: the purchase and consumption windows
    // when they open and are reset, the view when it opens and changes, the print.
    int notices = 0;
    for (const MessageBox::Shown& shown : cellar.services.messages.shown()) {
        if (shown.title == "Erreur de saisie")
            continue;
        ++notices;
        QCOMPARE(shown.title, QString("Brovane"));
        QCOMPARE(shown.icon, MessageBox::Icon::Critical);
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(cellar.globals.databasePath())),
                 qPrintable(shown.text));
        // In French: the engine's own words, if any, are kept apart, behind the box's detail button.
        QVERIFY2(!shown.text.contains(QRegularExpression("\\b(database|file|disk|error|locked)\\b")),
                 qPrintable(shown.text));
        // A cellar held by another program is whole: no copy is offered in its place.
        if (damage == "locked")
            QVERIFY2(shown.detail.contains("locked") && !shown.text.contains("Restaurer"),
                     qPrintable(shown.text));
    }
    QCOMPARE(notices, 6);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    if (holder) {
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
    }
    QCOMPARE(fileBytes(path), before);
}

void TestHostile::hostileTextGoesThroughUnchanged_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("colour");
    QTest::newRow("quotes") << R"(Clos "Les Perrières")"
                            << "L'Étoile \"Jura\""
                            << "Rouge'";
    QTest::newRow("SQL") << "'); DROP TABLE ORNY; --"
                         << "x\" OR \"1\"=\"1"
                         << "' OR '1'='1";
    QTest::newRow("control characters") << QString("Vin\tà\u0001\u007f") << QString("Type\nsur deux lignes")
                                        << QString("Rosé\u0000caché").left(5);
    QTest::newRow("outside the BMP") << QString("Vin 🍷 𝄞 𠀋") << QString("Type 🍇") << QString("Rouge 🍷");
    QTest::newRow("as long as the fields take")
        << QString(30, u'É') << QString(255, u'x') << QString(300, u'c');
}

void TestHostile::hostileTextGoesThroughUnchanged() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, colour);
    TestCellar cellar;
    QFile::copy(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), cellar.folder() + "Orny01.dat");
    cellar.exec("INSERT INTO COULEUR VALUES (?1)", {colour});
    cellar.addLot("Témoin", type, 2001, colour, 5, 3.0);

    Saisie saisie(cellar.globals, cellar.services);
    pasteOver(saisie.findChild<QLineEdit*>("SaisieNom"), name);
    pasteOver(saisie.findChild<QComboBox*>("ListeType")->lineEdit(), type);
    typeOver(saisie.findChild<QLineEdit*>("SaisieAnnee"), "1999");
    chooseInList(&saisie, "ListeCouleur", colour);
    typeOver(saisie.findChild<QLineEdit*>("SaisieQuantite"), "6");
    saisie.Valider_Click();
    QCOMPARE(cellar.messageCount(), 0);
    const QString stored = name + "|" + type + "|1999|" + colour + "|6|<null>";
    QCOMPARE(cellar.lots(), QStringList({"Témoin|" + type + "|2001|" + colour + "|5|3", stored}));

    Visualisation visu(cellar.globals, cellar.services);
    chooseInList(&visu, "ListeNom", name);
    QCOMPARE(visu.model()->rowCount(), 1);
    QCOMPARE(visu.model()->data(visu.model()->index(0, 0), Qt::DisplayRole).toString(), name);
    QCOMPARE(visu.model()->data(visu.model()->index(0, 3), Qt::DisplayRole).toString(), colour);
    chooseInList(&visu, "ListeType", type);
    QCOMPARE(visu.model()->rowCount(), 2);

    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    QVERIFY(preview->exportText(cellar.folder() + "inventaire.txt"));
    // The text export writes a control character as a space, one for one, so that a lot stays one line.
    QString printed = name;
    for (QChar& c : printed)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    QVERIFY(QString::fromUtf8(fileBytes(cellar.folder() + "inventaire.txt")).contains(printed));

    Consommation conso(cellar.globals, cellar.services);
    chooseInList(&conso, "ListeNom", name);
    chooseInList(&conso, "ListeType", type);
    chooseInList(&conso, "ListeAnnee", "1999");
    chooseInList(&conso, "ListeCouleur", colour);
    QCOMPARE(conso.findChild<QLineEdit*>("QuantiteEnStock")->text(), QString("6"));
    typeOver(conso.findChild<QLineEdit*>("QuantiteConsommee"), "6");
    conso.Valider_Click();
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(cellar.lots(), QStringList({"Témoin|" + type + "|2001|" + colour + "|5|3"}));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
