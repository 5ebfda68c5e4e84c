// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ApercuInventaire.h"
#include "printing/Impression.h"
#include "printing/InventoryReport.h"
#include "printing/ReportDefinition.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextDocument>

namespace {

const QString Delivered = QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat");

ReportDefinition delivered() {
    QString error;
    const auto d = ReportDefinition::load(Delivered, error);
    if (!d)
        qFatal("%s", qPrintable(error));
    return *d;
}

void fillCellar(TestCellar& cellar) {
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 12, 8.75);
    cellar.addLot("Château Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Château Margaux", "Bordeaux", 1998, "Rouge", 6, 14.0);
    cellar.addLot("Échézeaux", "Bourgogne", 2005, "Rouge", 3, 1234.5678);
    cellar.addLot("Clos \"Les Perrières\"", "Bourgogne", 1999, "Blanc", 1, 45.0);
    cellar.addLot("Pouilly-Fumé", "Loire", 2000, "blanc", 6);
    cellar.addLot("L'Étoile", "Jura", 1850, "Jaune", 1);
}

void copyDefinition(const TestCellar& cellar, const QByteArray& content = {}) {
    QFile::remove(cellar.folder() + "Orny01.dat");
    if (content.isEmpty()) {
        QVERIFY(QFile::copy(Delivered, cellar.folder() + "Orny01.dat"));
        return;
    }
    QFile f(cellar.folder() + "Orny01.dat");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void definitions_data();
    void definitions();
    void titleCarriesTodaysDateWithFourDigitYear();
    void textOfAKnownCellar();
    void documentOfAKnownCellar();
    void emptyCellar();
    void readsTheDatabaseWhereItNowIs();
    void failuresAreReported();
    void exportsWriteFiles();
};

void TestPrinting::definitions_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("not JSON") << QByteArray("{ colonnes: ") << "JSON invalide";
    QTest::newRow("array") << QByteArray("[1, 2]") << "pas un objet JSON";
    QTest::newRow("no columns") << QByteArray("{}") << "aucune colonne";
    QTest::newRow("unknown field") << QByteArray(R"({"colonnes": [{"champ": "NOM; DROP TABLE ORNY"}]})")
                                   << "champ « NOM; DROP TABLE ORNY » inconnu";
    QTest::newRow("unknown sort") << QByteArray(R"({"tri": ["rowid"], "colonnes": [{"champ": "NOM"}]})")
                                  << "inconnu";
    QTest::newRow("bad alignment") << QByteArray(
                                          R"({"colonnes": [{"champ": "NOM", "alignement": "milieu"}]})")
                                   << "alignement";
    QTest::newRow("bad page") << QByteArray(R"({"page": {"format": "A5"}, "colonnes": [{"champ": "NOM"}]})")
                              << "format de page";
    QTest::newRow("minimal") << QByteArray(R"({"colonnes": [{"champ": "NOM"}]})") << "";
}

void TestPrinting::definitions() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QString why;
    const auto d = ReportDefinition::parse(json, why);
    QCOMPARE(d.has_value(), error.isEmpty());
    QVERIFY2(why.contains(error), qPrintable(why));
    const ReportDefinition full = delivered();
    QCOMPARE(full.columns.size(), 7);
    QCOMPARE(full.groupField, QString("COULEUR"));
    QCOMPARE(full.pageSize, QPageSize::A4);
}

void TestPrinting::titleCarriesTodaysDateWithFourDigitYear() {
    QCOMPARE(InventoryReport::title(QDate(2026, 12, 6)), QString("Inventaire de ma orny le 06/12/2026"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(InventoryReport::title(QDate(2026, 12, 6)).endsWith("2026"));
    useFrenchLocale();
}

void TestPrinting::textOfAKnownCellar() {
    TestCellar cellar;
    fillCellar(cellar);
    const auto read =
        InventoryReport::read(delivered(), cellar.databasePath(), "Inventaire de ma orny le 06/12/2026");
    QVERIFY(!read.error);
    const QStringList lines = InventoryReport::text(delivered(), read.inventory).split('\n');
    QCOMPARE(lines.at(0), QString("Inventaire de ma orny le 06/12/2026"));
    QStringList headings, names, totals;
    for (const QString& line : lines) {
        if (line.startsWith("Vins de couleur"))
            headings << line;
        else if (line.startsWith("Sous-total") || line.startsWith("Total général"))
            totals << line;
        else if (!line.isEmpty() && !line.startsWith("Nom") && !line.startsWith("-") &&
                 !line.startsWith("Inventaire"))
            names << line.left(30).trimmed();
    }
    QCOMPARE(headings, QStringList({"Vins de couleur : Blanc", "Vins de couleur : Jaune",
                                    "Vins de couleur : Rosé", "Vins de couleur : Rouge"}));
    QCOMPARE(names, QStringList({"Clos \"Les Perrières\"", "Pouilly-Fumé", "L'Étoile", "Tavel",
                                 "Château Margaux", "Château Margaux", "Échézeaux"}));
    QCOMPARE(totals.at(0),
             QString("Sous-total : 2 lots, 7 bouteilles, valeur 45,00 (dont 1 lot sans prix, non valorisé)"));
    QCOMPARE(totals.at(3), QString("Sous-total : 3 lots, 21 bouteilles, valeur 3937,70"));
    QCOMPARE(totals.last(),
             QString("Total général : 7 lots, 41 bouteilles, valeur 4087,70 (dont 2 lots sans prix, "
                     "non valorisés)"));
    // Columns line up: every value starts where its caption does.
    const QString header = lines.at(3);
    const int priceColumn = static_cast<int>(header.indexOf("Prix unitaire"));
    const QString echezeaux = lines.filter("Échézeaux").first();
    QCOMPARE(echezeaux.mid(priceColumn).simplified(), QString("1234,57 3703,70"));
    QVERIFY(lines.filter("Pouilly-Fumé").first().trimmed().endsWith("6"));
}

void TestPrinting::documentOfAKnownCellar() {
    TestCellar cellar;
    fillCellar(cellar);
    const auto read =
        InventoryReport::read(delivered(), cellar.databasePath(), "Inventaire de ma orny le 06/12/2026");
    const auto doc = InventoryReport::document(delivered(), read.inventory);
    const QString plain = doc->toPlainText();
    QVERIFY(plain.startsWith("Inventaire de ma orny le 06/12/2026"));
    for (const char* expected : {"Clos \"Les Perrières\"", "L'Étoile", "Vins de couleur : Rosé", "3703,70",
                                 "Bouteilles", "Total général : 7 lots"})
        QVERIFY2(plain.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(plain.indexOf("Vins de couleur : Blanc") < plain.indexOf("Vins de couleur : Rouge"));
}

void TestPrinting::emptyCellar() {
    TestCellar cellar;
    const auto read = InventoryReport::read(delivered(), cellar.databasePath(), "Titre");
    QVERIFY(!read.error);
    const QString text = InventoryReport::text(delivered(), read.inventory);
    QVERIFY(text.contains("La cave est vide."));
    QVERIFY(text.contains("Total général : 0 lots, 0 bouteille, valeur 0,00"));
}

void TestPrinting::readsTheDatabaseWhereItNowIs() {
    TestCellar cellar;
    copyDefinition(cellar);
    QTemporaryDir moved;
    QVERIFY(QFile::copy(cellar.databasePath(), moved.path() + "/Orny02.dat"));
    QFile::setPermissions(moved.path() + "/Orny02.dat", QFile::ReadOwner | QFile::WriteOwner);
    cellar.globals.CheminBase = moved.path() + "/";
    cellar.addLot("Seulement ici", "Jura", 2001, "Blanc", 2, 3.0);
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    QVERIFY(preview->text().contains("Seulement ici"));
    QCOMPARE(preview->windowTitle(), InventoryReport::title(QDate::currentDate()));
    QCOMPARE(preview->pos(), QPoint(0, 0));
    QVERIFY(preview->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(preview->windowFlags() & Qt::WindowMinimizeButtonHint));
}

void TestPrinting::failuresAreReported() {
    TestCellar cellar;
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("introuvable"));
    copyDefinition(cellar, "{ pas du JSON");
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("n'est pas valable"));
    copyDefinition(cellar);
    QFile::remove(cellar.databasePath());
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("La base de données"));
    QCOMPARE(cellar.messageCount(), 3);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestPrinting::exportsWriteFiles() {
    TestCellar cellar;
    copyDefinition(cellar);
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000, 'Rouge', 1, 2.5 FROM n");
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.startsWith("%PDF"));
    QVERIFY(content.count("/Type /Page\n") + content.count("/Type /Page ") >= 3);
    const QString txt = cellar.folder() + "Inventaire de ma orny.txt";
    QVERIFY(preview->exportText(txt));
    QFile text(txt);
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(text.readAll()), preview->text());
    QVERIFY(!preview->exportText("/proc/Inventaire de ma orny.txt"));
    QVERIFY(cellar.lastMessage().text.contains("n'a pas pu être écrit"));
    QVERIFY(!preview->exportPdf("/proc/inventaire.pdf"));
    QCOMPARE(cellar.messageCount(), 2);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
