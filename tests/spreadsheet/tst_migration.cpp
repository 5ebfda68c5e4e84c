// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarSchema.h"
#include "spreadsheet/ImporterTableau.h"
#include "spreadsheet/SheetImport.h"
#include "support/TestCellar.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTest>

namespace {

// As the reference web service exports a cellar: its own codes (1001, 9999, a price of 0, « Unknown »).
const QByteArray WebService =
    "iWine,Type,Color,Category,Size,Currency,Price,Valuation,Vintage,Wine,Locale,Producer,Varietal,"
    "Designation,"
    "Vineyard,Country,Region,SubRegion,Appellation,BeginConsume,EndConsume,Quantity,Location,Bin\n"
    "101,Red,Red,Dry,750ml,EUR,85.5,120,2015,Château Figeac,\"France, Bordeaux\",Château "
    "Figeac,Merlot,Unknown,"
    "Unknown,France,Bordeaux,Libournais,Saint-Émilion Grand Cru,2025,2045,3,Cave,A3\n"
    "102,White - Sparkling,White,Sparkling,750ml,EUR,0,200,1001,Krug Grande Cuvée,France,Krug,Blend,Grande "
    "Cuvée,Unknown,France,Champagne,Unknown,Champagne,9999,9999,2,Cave,\n"
    "103,Rosé,Rosé,Dry,1.5L,EUR,12.123456,15,2022,Tentations,France,Domaine Ott,Grenache,Unknown,Unknown,"
    "France,Provence,Unknown,Unknown,2023,9999,6,,B2\n";

} // namespace

class TestMigration : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void exportsGiveTheirValues_data();
    void exportsGiveTheirValues();
    void duplicateChoiceByKeys();
};

void TestMigration::exportsGiveTheirValues_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("yearGiven");
    // Each lot's six values, then its drinking window and location.
    QTest::addColumn<QStringList>("lots");
    const QString figeac = "Château Figeac|Saint-Émilion Grand Cru|2015|Rouge|3|85.5|2025|2045|Cave, A3";
    const QString ott = "Domaine Ott Tentations|Provence|2022|Rosé|6|12.123456|2023|<null>|B2";
    QTest::newRow("web service, UTF-8") << WebService << 0 << QStringList{figeac, ott};
    QTest::newRow("web service, Windows-1252, a year for the wine without one")
        << QByteArray(QStringEncoder(QStringConverter::Latin1)(QString::fromUtf8(WebService))) << 2016
        << QStringList{figeac, "Krug Grande Cuvée|Champagne|2016|Blanc|2|<null>|<null>|<null>|Cave", ott};
    QTest::newRow("French sheet, NV and SA, appellation else region")
        << QByteArray("Domaine;Vin;Appellation;Région;Millésime;Couleur;Qté\nRaveneau;Raveneau Chablis;;"
                      "Bourgogne;NV;Blanc;2\nTempier;Bandol;Bandol;Provence;SA;Rouge;1\n")
        << 2019
        << QStringList{"Raveneau Chablis|Bourgogne|2019|Blanc|2|<null>|<null>|<null>|<null>",
                       "Tempier Bandol|Bandol|2019|Rouge|1|<null>|<null>|<null>|<null>"};
    QTest::newRow("phone app's cellar")
        << QByteArray("Winery,Wine name,Vintage,Region,Wine type,User cellar count\nTrimbach,Riesling,2018,"
                      "Alsace,White Wine,4\n")
        << 0 << QStringList{"Trimbach Riesling|Alsace|2018|Blanc|4|<null>|<null>|<null>|<null>"};
    QTest::newRow("refusals mended, imported as written")
        << QByteArray(
               "Nom;Type;Année;Couleur;Quantité;Prix;Motif du refus\n\"Vin \"\"1\"\"\";Bordeaux;2010;Rouge;6;"
               "12,5;sans nom\n")
        << 0 << QStringList{"Vin \"1\"|Bordeaux|2010|Rouge|6|12.5|<null>|<null>|<null>"};
    // Labels photographed are no bottles: the window refuses the table (no lots here).
    QTest::newRow("phone app's scan history")
        << QByteArray("Winery,Wine name,Vintage,Region,Scan date\nTrimbach,Riesling,2018,Alsace,2024-05-01\n")
        << 0 << QStringList();
}

void TestMigration::exportsGiveTheirValues() {
    QFETCH(QByteArray, content);
    QFETCH(int, yearGiven);
    QFETCH(QStringList, lots);
    TestCellar cellar;
    const QString path = cellar.folder() + "export.csv";
    writeFile(path, content);
    OpenedSheet opened = openSheet(path);
    QVERIFY(opened.ok() && opened.value());
    SheetReader& reader = **opened.value();
    SheetImport::Settings settings;
    settings.mapping = LotReading::propose(SheetImport::sample(reader, 0, true, 1).value()->headings);
    if (lots.isEmpty())
        QCOMPARE(settings.mapping.origin, LotReading::Origin::ScanHistory);
    settings.mapping.yearWithoutVintage = yearGiven;
    settings.currentYear = 2026;
    for (const char* written : {"Red", "White", "Rosé", "White Wine"})
        settings.colours.insert(written, LotReading::proposeColour(written, CellarSchema::DefaultColours));
    const auto review = SheetImport::review(reader, settings);
    QVERIFY(review.ok() && review.value());
    if (lots.isEmpty())
        return;
    QVERIFY(SheetImport::run(reader, settings, *review.value(), cellar.databasePath()).ok());
    QStringList got;
    for (const DbRow& row : cellar.rows("SELECT o.*, d.BOIRE_DES, d.BOIRE_JUSQUA, d.EMPLACEMENT FROM ORNY o "
                                        "LEFT JOIN DETAIL d ON d.LOT = o.rowid ORDER BY o.rowid")) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        got << fields.join(u'|');
    }
    QCOMPARE(got, lots);
}

void TestMigration::duplicateChoiceByKeys() {
    TestCellar cellar;
    const QString path = cellar.folder() + "export.csv";
    writeFile(path, WebService);
    ImporterTableau window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* field = window.findChild<QLineEdit*>("CheminTableau");
    typeOver(field, path);
    QTest::keyClick(field, Qt::Key_Return);
    auto* bilan = window.findChild<QLabel*>("Bilan");
    auto* preview = window.findChild<QTableView*>("Apercu");
    // The wine without vintage is given a year in one step: typed, then Entrée reviews.
    pressAccessKey(&window, Qt::Key_S);
    QTest::keyClicks(QApplication::focusWidget(), "2016");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY2(
        bilan->text().startsWith("3 lots seront ajoutés à la cave.\n1 ligne sans millésime reçoit l'année "
                                 "2016.\nNon repris (la cave n'a pas de place pour eux), cellules remplies : "
                                 "iWine (3), Type (3), Category (3), Size (3), Currency (3), Valuation (3)"),
        qPrintable(bilan->text()));
    QCOMPARE(modelRows(preview->model()).at(2),
             QString("|Domaine Ott Tentations|Provence|2022|Rosé|6|12,123456 €|2023||B2||"));
    pressAccessKey(&window, Qt::Key_I);
    QCOMPARE(cellar.lotCount(), 3);

    // The same file again: every row is found, none is added by default.
    pressAccessKey(&window, Qt::Key_V);
    QVERIFY2(bilan->text().startsWith("0 lot sera ajouté à la cave.\n3 lignes sont déjà dans la cave"),
             qPrintable(bilan->text()));
    QVERIFY(modelRows(preview->model()).first().startsWith("déjà dans la cave|Château Figeac|"));
    QVERIFY(!window.findChild<QPushButton*>("Importer")->isEnabled());
    // The user asks for their bottles to be added to the lots already there.
    pressAccessKey(&window, Qt::Key_G);
    chooseInList(qobject_cast<QComboBox*>(QApplication::focusWidget()),
                 "ajouter leurs bouteilles au lot de la cave");
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());
    pressAccessKey(&window, Qt::Key_I);
    QCOMPARE(
        cellar.lastMessage().text,
        QString("L'import est terminé : 0 lot a été ajouté à la cave.\nLes bouteilles de 3 lignes ont été "
                "ajoutées aux lots déjà dans la cave.\nÉdition › Annuler retire cet import d'un coup."));
    QCOMPARE(cellar.lots().first(), QString("Château Figeac|Saint-Émilion Grand Cru|2015|Rouge|6|85.5"));
    QCOMPARE(cellar.lotCount(), 3);
    // Journalled as one import: one movement a lot, its bottles in.
    QCOMPARE(
        cellar
            .rows("SELECT COUNT(*), SUM(BOUTEILLES) FROM MOUVEMENT WHERE GROUPE = (SELECT MAX(GROUPE) FROM "
                  "MOUVEMENT)")
            .front(),
        (DbRow{3, 11}));
}

QTEST_MAIN(TestMigration)
#include "tst_migration.moc"
