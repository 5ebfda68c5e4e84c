// SPDX-License-Identifier: GPL-3.0-or-later
#include "consumption/Consommation.h"
#include "support/TestCellar.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace {

struct Window {
    explicit Window(TestCellar& cellar) : conso(cellar.globals, cellar.services) {
        conso.show();
        if (!QTest::qWaitForWindowActive(&conso))
            qFatal("the consumption window did not become active");
    }
    QComboBox* list(const char* name) { return conso.findChild<QComboBox*>(name); }
    QLineEdit* field(const char* name) { return conso.findChild<QLineEdit*>(name); }
    QString focus() const { return focusName(); }
    QStringList items(const char* name) { return itemsOf(list(name)); }
    void choose(const char* name, const QString& value) { chooseInList(list(name), value); }
    void chooseLot(const QString& nom, const QString& type, const QString& annee, const QString& couleur) {
        choose("ListeNom", nom);
        choose("ListeType", type);
        choose("ListeAnnee", annee);
        choose("ListeCouleur", couleur);
    }
    void consume(const QString& quantity) {
        typeOver(field("QuantiteConsommee"), quantity);
        QTest::mouseClick(conso.findChild<QPushButton*>("Valider"), Qt::LeftButton);
    }
    QString enabledControls() {
        QStringList on;
        for (const char* n :
             {"ListeNom", "ListeType", "ListeAnnee", "ListeCouleur", "QuantiteEnStock", "QuantiteConsommee"})
            if (conso.findChild<QWidget*>(n)->isEnabled())
                on << n;
        return on.join(',');
    }
    Consommation conso;
};

void fillCellar(TestCellar& cellar) {
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6, 12.5);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 14.0);
    cellar.addLot("Margaux", "Bordeaux", 2001, "Rouge", 3);
    cellar.addLot("MARGAUX", "Bordeaux supérieur", 2001, "Rosé", 2);
    cellar.addLot("Tavel \"Cuvée\"", "Rhône", 2019, "Rosé'", 6, 8.75);
    cellar.exec("INSERT INTO ORNY (NOM, TYPE, ANNEE, COULEUR, QUANTITE) VALUES ('Sans type', NULL, 2000, "
                "'Rouge', 1)");
}

} // namespace

class TestConsumption : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void cascadeStates();
    void aLotTheListsCannotReachIsSentToTheView_data();
    void aLotTheListsCannotReachIsSentToTheView();
    void resetLeavesTheEmptiedListEnabled();
    void lowerTheFirstLot();
    void removeOneOfTwoIdenticalLots();
    void removingTheLastLotDropsTheName();
    void quotesInNamesAndColours();
    void checksInOrder_data();
    void checksInOrder();
    void equalQuantityWrittenDifferentlyRemoves();
    void storedQuantitiesAreTakenAsTheyStand();
    void wheelNeverRunsTheCascadeAndEnterRecords();
    void lotChangedBehindTheWindow();
    void databaseFailure();
};

void TestConsumption::cascadeStates() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    QCOMPARE(w.conso.windowTitle(), QString("Saisie des consommations"));
    QCOMPARE(w.items("ListeNom").size(), 3);
    QCOMPARE(w.items("ListeNom").at(0).toUpper(), QString("MARGAUX"));
    QCOMPARE(w.items("ListeNom").mid(1), QStringList({"Sans type", "Tavel \"Cuvée\""}));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
    w.choose("ListeNom", "Margaux");
    QCOMPARE(w.items("ListeType"), QStringList({"Bordeaux", "Bordeaux supérieur"}));
    QCOMPARE(w.enabledControls(), QString("ListeType"));
    w.choose("ListeType", "Bordeaux");
    QCOMPARE(w.items("ListeAnnee"), QStringList({"1998", "2001"}));
    QCOMPARE(w.enabledControls(), QString("ListeAnnee"));
    w.choose("ListeAnnee", "1998");
    QCOMPARE(w.items("ListeCouleur"), QStringList({"Rouge"}));
    QCOMPARE(w.enabledControls(), QString("ListeCouleur"));
    w.choose("ListeCouleur", "Rouge");
    // The first lot's stock, never the sum of the lots.
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString("6"));
    QCOMPARE(w.enabledControls(), QString("QuantiteConsommee"));
    QCOMPARE(w.focus(), QString("QuantiteConsommee"));
}

void TestConsumption::aLotTheListsCannotReachIsSentToTheView_data() {
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<QString>("missing");
    QTest::newRow("no type") << "('Sans type', NULL, 2000, 'Rouge', 1)" << QStringList{"Sans type"} << "type";
    QTest::newRow("no year") << "('Sans année', 'Loire', NULL, 'Blanc', 1)"
                             << QStringList{"Sans année", "Loire"} << "année";
    QTest::newRow("no colour") << "('Sans couleur', 'Loire', 2001, NULL, 1)"
                               << QStringList{"Sans couleur", "Loire", "2001"} << "couleur";
}

void TestConsumption::aLotTheListsCannotReachIsSentToTheView() {
    QFETCH(QString, insert);
    QFETCH(QStringList, choices);
    QFETCH(QString, missing);
    TestCellar cellar;
    cellar.exec("INSERT INTO ORNY (NOM, TYPE, ANNEE, COULEUR, QUANTITE) VALUES " + insert);
    Window w(cellar);
    const QList<const char*> lists = {"ListeNom", "ListeType", "ListeAnnee"};
    for (int i = 0; i < choices.size(); ++i)
        w.choose(lists.at(i), choices.at(i));
    // A missing value is never offered: the user is told where the lot can be drunk, instead of a dead end.
    QCOMPARE(cellar.messageCount(), 1);
    QVERIFY2(cellar.lastMessage().text.contains("pas de " + missing) &&
                 cellar.lastMessage().text.contains("« Boire… » (Ctrl+B)"),
             qPrintable(cellar.lastMessage().text));
    QCOMPARE(w.enabledControls(), QString(lists.at(choices.size() - 1)));
    QCOMPARE(w.focus(), QString(lists.at(choices.size() - 1)));
}

void TestConsumption::resetLeavesTheEmptiedListEnabled() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.choose("ListeNom", "Margaux");
    QTest::mouseClick(w.conso.findChild<QPushButton*>("Annuler"), Qt::LeftButton);
    QCOMPARE(w.enabledControls(), QString("ListeNom,ListeType"));
    QCOMPARE(w.items("ListeType"), QStringList());
    QCOMPARE(w.items("ListeNom").size(), 3);
    w.choose("ListeNom", "Tavel \"Cuvée\"");
    QCOMPARE(w.items("ListeType"), QStringList({"Rhône"}));
    QCOMPARE(w.enabledControls(), QString("ListeType"));
}

void TestConsumption::lowerTheFirstLot() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.chooseLot("Margaux", "Bordeaux", "1998", "Rouge");
    w.consume("4");
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(cellar.lots().mid(0, 2),
             QStringList({"Margaux|Bordeaux|1998|Rouge|2|12.5", "Margaux|Bordeaux|1998|Rouge|12|14"}));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString());
    QCOMPARE(w.list("ListeNom")->currentText(), QString());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestConsumption::removeOneOfTwoIdenticalLots() {
    TestCellar cellar;
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 10.0);
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 12.0);
    Window w(cellar);
    w.chooseLot("Chablis", "Bourgogne", "2010", "Blanc");
    w.consume("6");
    QCOMPARE(cellar.lots(), QStringList({"Chablis|Bourgogne|2010|Blanc|6|12"}));
    QCOMPARE(w.items("ListeNom"), QStringList({"Chablis"}));
}

void TestConsumption::removingTheLastLotDropsTheName() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.chooseLot("Tavel \"Cuvée\"", "Rhône", "2019", "Rosé'");
    w.consume("6");
    QCOMPARE(cellar.lotCount(), 5);
    QVERIFY(!w.items("ListeNom").contains("Tavel \"Cuvée\""));
}

void TestConsumption::quotesInNamesAndColours() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.chooseLot("Tavel \"Cuvée\"", "Rhône", "2019", "Rosé'");
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString("6"));
    w.consume("1");
    QVERIFY(cellar.lots().contains("Tavel \"Cuvée\"|Rhône|2019|Rosé'|5|8.75"));
}

void TestConsumption::checksInOrder_data() {
    QTest::addColumn<int>("chosen"); // how many lists were chosen
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("nothing chosen") << 0 << ""
                                    << "La saisie du nom est obligatoire !!"
                                    << "ListeNom";
    QTest::newRow("type") << 1 << ""
                          << "La saisie du type est obligatoire !!"
                          << "ListeType";
    QTest::newRow("year") << 2 << ""
                          << "La saisie de l'année est obligatoire !!"
                          << "ListeAnnee";
    QTest::newRow("colour") << 3 << ""
                            << "La saisie de la couleur est obligatoire !!"
                            << "ListeCouleur";
    QTest::newRow("empty") << 4 << ""
                           << "La saisie de la quantité consommée est obligatoire !!"
                           << "QuantiteConsommee";
    QTest::newRow("letters") << 4 << "abc"
                             << "La quantité consommée doit être du numérique !!"
                             << "QuantiteConsommee";
    QTest::newRow("blanks") << 4 << "  "
                            << "La quantité consommée doit être du numérique !!"
                            << "QuantiteConsommee";
    QTest::newRow("zero") << 4 << "0"
                          << "La saisie de la quantité consommée doit être différente de zéro !!"
                          << "QuantiteConsommee";
    QTest::newRow("negative") << 4 << "-2"
                              << "La quantité consommée ne peut être négative !!"
                              << "QuantiteConsommee";
    QTest::newRow("fraction") << 4 << "1,5"
                              << "La quantité consommée doit être un nombre entier de bouteilles !!"
                              << "QuantiteConsommee";
    QTest::newRow("above stock") << 4 << "7"
                                 << "La quantité consommée ne peut être supérieure à la quantité en stock !!"
                                 << "QuantiteConsommee";
}

void TestConsumption::checksInOrder() {
    QFETCH(int, chosen);
    QFETCH(QString, quantity);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TestCellar cellar;
    fillCellar(cellar);
    const QStringList before = cellar.lots();
    Window w(cellar);
    const char* lists[] = {"ListeNom", "ListeType", "ListeAnnee", "ListeCouleur"};
    const QString values[] = {"Margaux", "Bordeaux", "1998", "Rouge"};
    for (int i = 0; i < chosen; ++i)
        w.choose(lists[i], values[i]);
    const QString state = w.enabledControls();
    w.consume(quantity);
    QCOMPARE(cellar.messageCount(), 1);
    QCOMPARE(cellar.lastMessage().text, message);
    QCOMPARE(cellar.lastMessage().title, QString("Erreur de saisie"));
    QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(w.focus(), focus);
    QCOMPARE(w.enabledControls(), state);
    QCOMPARE(cellar.lots(), before);
}

void TestConsumption::equalQuantityWrittenDifferentlyRemoves() {
    TestCellar cellar;
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 10.0);
    Window w(cellar);
    w.chooseLot("Chablis", "Bourgogne", "2010", "Blanc");
    w.consume("06");
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(cellar.lotCount(), 0);
}

void TestConsumption::lotChangedBehindTheWindow() {
    TestCellar cellar;
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 10.0);
    Window w(cellar);
    w.chooseLot("Chablis", "Bourgogne", "2010", "Blanc");
    cellar.exec("UPDATE ORNY SET QUANTITE = 5");
    w.consume("2");
    QCOMPARE(cellar.messageCount(), 1);
    QVERIFY(cellar.lastMessage().text.contains("Rien n'a été enregistré"));
    QCOMPARE(cellar.lots(), QStringList({"Chablis|Bourgogne|2010|Blanc|5|10"}));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
}

void TestConsumption::databaseFailure() {
    TestCellar cellar;
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 10.0);
    Window w(cellar);
    w.chooseLot("Chablis", "Bourgogne", "2010", "Blanc");
    QVERIFY(QFile::rename(cellar.databasePath(), cellar.databasePath() + ".bak"));
    w.consume("2");
    QCOMPARE(cellar.messageCount(), 1);
    QVERIFY(cellar.lastMessage().text.contains("introuvable"));
    QCOMPARE(w.enabledControls(), QString("QuantiteConsommee"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!QFile::exists(cellar.databasePath()));
    QVERIFY(QFile::rename(cellar.databasePath() + ".bak", cellar.databasePath()));
    w.consume("2");
    QCOMPARE(cellar.lots(), QStringList({"Chablis|Bourgogne|2010|Blanc|4|10"}));
}

void TestConsumption::storedQuantitiesAreTakenAsTheyStand() {
    TestCellar cellar;
    // Written by another tool: a fractional quantity, and a lot whose quantity is missing, stored first.
    cellar.exec("INSERT INTO ORNY VALUES ('Demi', 'Loire', 2001, 'Blanc', 2.5, 4)");
    cellar.exec("INSERT INTO ORNY VALUES ('Margaux', 'Bordeaux', 1998, 'Rouge', NULL, 12.5)");
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 6, 12.5);
    cellar.exec("INSERT INTO ORNY VALUES ('Inconnu', 'Jura', 2005, 'Blanc', NULL, NULL)");
    Window w(cellar);
    w.chooseLot("Demi", "Loire", "2001", "Blanc");
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString("2,5"));
    w.consume("1");
    QCOMPARE(cellar.messageCount(), 0);
    // The missing quantity hides nothing: the six bottles are shown and taken from.
    w.chooseLot("Margaux", "Bordeaux", "1998", "Rouge");
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString("6"));
    w.consume("2");
    QCOMPARE(cellar.messageCount(), 0);
    // Unknown is not zero: it cannot be lowered.
    w.chooseLot("Inconnu", "Jura", "2005", "Blanc");
    QCOMPARE(w.field("QuantiteEnStock")->text(), QString());
    w.consume("1");
    QVERIFY(cellar.lastMessage().text.contains("n'est pas connue"));
    QCOMPARE(cellar.lots(),
             QStringList({"Demi|Loire|2001|Blanc|1.5|4", "Margaux|Bordeaux|1998|Rouge|<null>|12.5",
                          "Margaux|Bordeaux|1998|Rouge|4|12.5", "Inconnu|Jura|2005|Blanc|<null>|<null>"}));
}

void TestConsumption::wheelNeverRunsTheCascadeAndEnterRecords() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    QComboBox* names = w.list("ListeNom");
    QWheelEvent notch(QPointF(5, 5), names->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // Over the closed list without the focus: nothing.
    w.conso.findChild<QPushButton*>("Annuler")->setFocus();
    QApplication::sendEvent(names, &notch);
    QCOMPARE(names->currentIndex(), -1);
    // With the focus: another entry is shown, the cascade waits.
    names->setFocus();
    QApplication::sendEvent(names, &notch);
    QApplication::sendEvent(names, &notch);
    QWheelEvent back(QPointF(5, 5), names->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(names, &back);
    QCOMPARE(names->currentText(), QString("Margaux"));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
    // Letters look for a name and show it; the cascade waits for Enter as well. Once the typing has paused,
    // new letters start a new search.
    QTest::keyClicks(names, "TAV");
    QCOMPARE(names->currentText(), QString("Tavel \"Cuvée\""));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(names, "mar");
    QCOMPARE(names->currentText(), QString("Margaux"));
    QCOMPARE(w.enabledControls(), QString("ListeNom"));
    // Enter chooses it.
    QTest::keyClick(names, Qt::Key_Return);
    QCOMPARE(w.enabledControls(), QString("ListeType"));
    w.choose("ListeType", "Bordeaux");
    w.choose("ListeAnnee", "1998");
    w.choose("ListeCouleur", "Rouge");
    // In the quantity, Valider is the default, and Enter records.
    auto* valider = w.conso.findChild<QPushButton*>("Valider");
    QCOMPARE(w.focus(), QString("QuantiteConsommee"));
    QVERIFY(valider->isDefault());
    QTest::keyClicks(w.field("QuantiteConsommee"), "2");
    QTest::keyClick(w.field("QuantiteConsommee"), Qt::Key_Return);
    QCOMPARE(cellar.messageCount(), 0);
    QVERIFY(cellar.lots().contains("Margaux|Bordeaux|1998|Rouge|4|12.5"));
    QVERIFY(!valider->isDefault());
}

QTEST_MAIN(TestConsumption)
#include "tst_consumption.moc"
