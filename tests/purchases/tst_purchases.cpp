// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Journal.h"
#include "purchases/Correction.h"
#include "purchases/Saisie.h"
#include "support/TestCellar.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

namespace {

struct Window {
    explicit Window(TestCellar& cellar) : saisie(cellar.globals, cellar.services) {
        saisie.show();
        if (!QTest::qWaitForWindowActive(&saisie))
            qFatal("the purchase window did not become active");
    }
    template <class T> T* get(const char* name) { return saisie.findChild<T*>(name); }
    QLineEdit* field(const char* name) { return get<QLineEdit>(name); }
    QComboBox* list(const char* name) { return get<QComboBox>(name); }
    QString focus() const { return focusName(); }
    void type(const char* name, const QString& text) {
        QWidget* w = saisie.findChild<QWidget*>(name);
        if (auto* box = qobject_cast<QComboBox*>(w))
            w = box->lineEdit();
        typeOver(w, text);
    }
    // Opens the colour list's choice from the keyboard: the first entry, then down to the wanted one.
    void chooseColour(int index) {
        QComboBox* colours = list("ListeCouleur");
        for (int i = colours->currentIndex(); i < index; ++i) {
            colours->setFocus();
            QTest::keyClick(colours, Qt::Key_Down);
        }
    }
    void enter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }
    QStringList items(const char* name) { return itemsOf(list(name)); }
    void fill(const QString& nom, const QString& typeName, const QString& annee, int couleur,
              const QString& quantite, const QString& prix) {
        type("SaisieNom", nom);
        type("ListeType", typeName);
        type("SaisieAnnee", annee);
        chooseColour(couleur);
        type("SaisieQuantite", quantite);
        type("SaisiePrix", prix);
    }
    Saisie saisie;
};

} // namespace

class TestPurchases : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void numbersReadTheFrenchWayInAnyLocale_data();
    void numbersReadTheFrenchWayInAnyLocale();
    void figuresWrittenTheFrenchWayInAnyLocale_data();
    void figuresWrittenTheFrenchWayInAnyLocale();
    void detailChecks_data();
    void detailChecks();
    void detailsTypedAfterThePurchaseAndCorrected();
    void correctionByKeyboardKeepsWhatIsNotTyped();
    void correctionRefusedWhenTheLotChanged_data();
    void correctionRefusedWhenTheLotChanged();
    void correctionKeepsWhatTheUserDidNotChange_data();
    void correctionKeepsWhatTheUserDidNotChange();
    void longTextsShownCutAndWholeOnDemand();
    void lotRemovedAfterOui();
    void windowAsLoaded();
    void wholePurchaseFromTheKeyboard();
    void totalOnEnterInQuantity_data();
    void totalOnEnterInQuantity();
    void checksInOrder_data();
    void checksInOrder();
    void boundaryYearsAndPricesAreRecorded();
    void identicalPurchasesStayTwoLots();
    void resetEmptiesAndReloads();
    void databaseFailuresKeepTheFields();
    void typedTypeIsStoredAsTyped();
    void wheelAndKeypadAsOnARealKeyboard();
    void colourTypedByItsLetters_data();
    void colourTypedByItsLetters();
    void noDefaultButtonAndCentredMessages();
};

namespace {

// Runs a statement as another tool would, on a cellar that has its added tables, with the program's SQL
// functions at hand to tie a detail to its lot.
void otherTool(TestCellar& cellar, const QString& sql, const QVariantList& params = {}) {
    DataLink link(cellar.databasePath());
    QVERIFY(!link.write([&](DataLink& l) -> Status {
        if (Status status = Journal::ensureTables(l))
            return status;
        return l.execute(sql, params);
    }));
}

qint64 rowidOf(TestCellar& cellar, const QString& name) {
    return cellar.rows("SELECT rowid FROM ORNY WHERE NOM = ?1", {name}).front().front().toLongLong();
}

} // namespace

void TestPurchases::detailChecks_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("until");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("from in two digits") << "20"
                                        << ""
                                        << "L'année « À boire à partir de » se saisit en 4 chiffres !!"
                                        << "SaisieBoireDes";
    QTest::newRow("until in letters") << "2020"
                                      << "abcd"
                                      << "L'année « jusqu'à » se saisit en 4 chiffres !!"
                                      << "SaisieBoireJusqua";
    QTest::newRow("from after until") << "2030"
                                      << "2025"
                                      << "L'année « jusqu'à » ne peut être avant « À boire à partir de » !!"
                                      << "SaisieBoireJusqua";
    QTest::newRow("until before the vintage") << ""
                                              << "1997"
                                              << "L'année « jusqu'à » ne peut être avant l'année du vin !!"
                                              << "SaisieBoireJusqua";
    // Either end of the window may stay open.
    QTest::newRow("from alone") << "2010"
                                << ""
                                << ""
                                << "";
    QTest::newRow("until alone") << ""
                                 << "2030"
                                 << ""
                                 << "";
}

void TestPurchases::detailChecks() {
    QFETCH(QString, from);
    QFETCH(QString, until);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TestCellar cellar;
    Window w(cellar);
    w.fill("Margaux", "Bordeaux", "1998", 2, "6", "");
    w.type("SaisieBoireDes", from);
    w.type("SaisieBoireJusqua", until);
    pressAccessKey(&w.saisie, Qt::Key_V);
    if (message.isEmpty()) {
        QCOMPARE(cellar.messageCount(), 0);
        QCOMPARE(cellar.rows("SELECT BOIRE_DES, BOIRE_JUSQUA FROM DETAIL").front(),
                 (DbRow{from.isEmpty() ? QVariant() : QVariant(from.toInt()),
                        until.isEmpty() ? QVariant() : QVariant(until.toInt())}));
        return;
    }
    QCOMPARE(cellar.lastMessage().text, message);
    QCOMPARE(w.focus(), focus);
    QCOMPARE(cellar.lotCount(), 0);
}

void TestPurchases::detailsTypedAfterThePurchaseAndCorrected() {
    TestCellar cellar;
    Window w(cellar);
    w.fill("Margaux", "Bordeaux", "1998", 2, "6", "");
    // The details come after the purchase's fields in the tab order.
    w.field("SaisiePrix")->setFocus();
    QTest::keyClick(w.field("SaisiePrix"), Qt::Key_Tab);
    QCOMPARE(w.focus(), QString("SaisieBoireDes"));
    QTest::keyClicks(QApplication::focusWidget(), "2010");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "2030");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    typeText(QApplication::focusWidget(), "Casier 3, rangée B");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(w.focus(), QString("ListeAppreciation"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    typeText(QApplication::focusWidget(), "Fruité");
    pressAccessKey(&w.saisie, Qt::Key_V);
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(
        cellar.rows("SELECT BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION FROM DETAIL").front(),
        (DbRow{2010, 2030, "Casier 3, rangée B", "Fruité", 4}));
    // The purchase's journal holds them too, and the emptied window has none left.
    QCOMPARE(cellar.rows("SELECT DETAIL_APRES FROM MOUVEMENT").front().front().toString(),
             QString("[2010,2030,\"Casier 3, rangée B\",\"Fruité\",4]"));
    QCOMPARE(w.field("SaisieEmplacement")->text(), QString());

    // Corrected: the details come filled, and a cleared location is gone.
    const qint64 lot = cellar.rows("SELECT rowid FROM ORNY").front().front().toLongLong();
    Correction window(cellar.globals, cellar.services, lot);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.findChild<QLineEdit*>("SaisieBoireJusqua")->text(), QString("2030"));
    typeOver(window.findChild<QLineEdit*>("SaisieEmplacement"), "");
    QTest::keyClick(window.findChild<QLineEdit*>("SaisieEmplacement"), Qt::Key_Delete);
    pressAccessKey(&window, Qt::Key_V);
    QCOMPARE(cellar.rows("SELECT BOIRE_DES, EMPLACEMENT FROM DETAIL").front(), (DbRow{2010, QVariant()}));
}

void TestPurchases::correctionByKeyboardKeepsWhatIsNotTyped() {
    TestCellar cellar;
    // An imported lot: a name longer than a purchase takes, a price with three decimals.
    const QString longName = QString("Château ") + QString(40, QChar('x'));
    cellar.addLot(longName, "Bordeaux", 1998, "Blanc", 12, 12.125);
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, longName));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), QString("Corriger un lot"));
    QCOMPARE(window.findChild<QLineEdit*>("SaisieNom")->text(), longName);
    QCOMPARE(window.findChild<QLineEdit*>("SaisiePrix")->text(), QString("12,125"));
    QCOMPARE(focusName(), QString("SaisieNom"));

    // The colour was wrong: one key in the list puts it right, Enter goes on to Valider as in a purchase.
    auto* colours = window.findChild<QComboBox*>("ListeCouleur");
    colours->setFocus();
    QTest::keyClick(colours, Qt::Key_Down);
    QTest::keyClick(colours, Qt::Key_Down);
    QCOMPARE(colours->currentText(), QString("Rouge"));
    QTest::keyClick(colours, Qt::Key_Return);
    QCOMPARE(focusName(), QString("Valider"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(cellar.lots(), QStringList{longName + "|Bordeaux|1998|Rouge|12|12.125"});
    QCOMPARE(cellar.rows("SELECT NATURE, COULEUR_AVANT, COULEUR_APRES FROM MOUVEMENT").front(),
             (DbRow{"correction", "Blanc", "Rouge"}));
    QCOMPARE(cellar.messageCount(), 0);
}

void TestPurchases::correctionRefusedWhenTheLotChanged_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("after");
    // Whatever another program changed since the window read the lot, the correction would overwrite it.
    QTest::newRow("quantity") << "QUANTITE = 11"
                              << "Margaux|Bordeaux|1998|Rouge|11|80";
    QTest::newRow("price") << "PRIXUNITAIRE = 85"
                           << "Margaux|Bordeaux|1998|Rouge|12|85";
    QTest::newRow("price removed") << "PRIXUNITAIRE = NULL"
                                   << "Margaux|Bordeaux|1998|Rouge|12|<null>";
    QTest::newRow("name") << "NOM = 'Margaux 2'"
                          << "Margaux 2|Bordeaux|1998|Rouge|12|80";
    QTest::newRow("type") << "TYPE = 'Médoc'"
                          << "Margaux|Médoc|1998|Rouge|12|80";
    QTest::newRow("vintage") << "ANNEE = 1999"
                             << "Margaux|Bordeaux|1999|Rouge|12|80";
    QTest::newRow("colour") << "COULEUR = 'Rosé'"
                            << "Margaux|Bordeaux|1998|Rosé|12|80";
}

void TestPurchases::correctionRefusedWhenTheLotChanged() {
    QFETCH(QString, change);
    QFETCH(QString, after);
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 80);
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, "Margaux"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeOver(window.findChild<QLineEdit*>("SaisieQuantite"), "10");
    cellar.exec("UPDATE ORNY SET " + change);
    pressAccessKey(&window, Qt::Key_V);
    QCOMPARE(cellar.messageCount(), 1);
    QVERIFY(cellar.lastMessage().text.startsWith("Ce lot a été modifié depuis l'ouverture"));
    QCOMPARE(cellar.lots(), QStringList{after});
    // So is one over the details another tool set meanwhile, and the message names them.
    otherTool(cellar, "INSERT INTO DETAIL (LOT, NOTE, APPRECIATION, EMPREINTE) SELECT rowid, 'Sa note', 5, "
                      "EMPREINTE_LOT(NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE) FROM ORNY");
    pressAccessKey(&window, Qt::Key_V);
    QVERIFY2(cellar.lastMessage().text.contains(", la note, l'appréciation."),
             qPrintable(cellar.lastMessage().text));
    QCOMPARE(cellar.rows("SELECT NOTE FROM DETAIL").front().front().toString(), QString("Sa note"));
    // A quantity the purchase refuses is refused here too, before anything is read.
    typeOver(window.findChild<QLineEdit*>("SaisieQuantite"), "0");
    pressAccessKey(&window, Qt::Key_V);
    QCOMPARE(cellar.lastMessage().text, QString("La quantité doit être d'au moins une bouteille !!"));
}

void TestPurchases::correctionKeepsWhatTheUserDidNotChange_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // the lot afterwards; empty: nothing written
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing changed") << ""
                                     << ""
                                     << ""
                                     << "";
    QTest::newRow("a quantity past 32 bits") << "SaisieQuantite"
                                             << "3000000000"
                                             << "|Jura|99999|Blanc|3000000000|7.5"
                                             << "";
    QTest::newRow("a quantity past fifteen digits")
        << "SaisieQuantite"
        << "9999999999999999"
        << ""
        << QString("La quantité ne peut dépasser 999\u202F999\u202F999\u202F999\u202F999 bouteilles !!");
    QTest::newRow("a price past the ceiling")
        << "SaisiePrix"
        << "1000000000000001"
        << ""
        << QString(
               "Le prix unitaire ne peut dépasser 1\u202F000\u202F000\u202F000\u202F000\u202F000\u00A0€ !!");
    QTest::newRow("the price only") << "SaisiePrix"
                                    << "8"
                                    << "|Jura|99999|Blanc|2|8"
                                    << "";
}

void TestPurchases::correctionKeepsWhatTheUserDidNotChange() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, message);
    TestCellar cellar;
    // Written by another tool: a name and a location longer than the fields take, a vintage and a
    // drinking window of five digits, stars out of range, blanks around the note.
    const QString name = QString(300, QChar(u'N'));
    cellar.exec("INSERT INTO ORNY VALUES (?1, 'Jura', 99999, 'Blanc', 2, 7.5)", {name});
    otherTool(
        cellar,
        "INSERT INTO DETAIL (LOT, BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION, EMPREINTE) SELECT rowid, "
        "99999, ?1, '  note  ', 99, EMPREINTE_LOT(NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE) "
        "FROM ORNY",
        {QString(150, QChar(u'E'))});
    const QStringList lots = cellar.lots();
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, name));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.findChild<QLineEdit*>("SaisieNom")->text(), name);
    QCOMPARE(window.findChild<QLineEdit*>("SaisieBoireJusqua")->text(), QString("99999"));
    QCOMPARE(window.findChild<QComboBox*>("ListeAppreciation")->currentText(), QString("99"));
    if (!field.isEmpty())
        typeOver(window.findChild<QLineEdit*>(field), typed);
    // On a loaded machine the window may take a while to be active again, and only then takes Alt+V.
    QVERIFY(QTest::qWaitForWindowActive(&window));
    pressAccessKey(&window, Qt::Key_V);
    if (!message.isEmpty()) {
        QCOMPARE(cellar.lastMessage().text, message);
        QCOMPARE(window.result(), int(QDialog::Rejected));
    } else {
        QCOMPARE(cellar.messageCount(), 0);
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
    QCOMPARE(cellar.lots(), stored.isEmpty() ? lots : QStringList{name + stored});
    QCOMPARE(cellar.rows("SELECT BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION FROM DETAIL").front(),
             (DbRow{99999, QString(150, QChar(u'E')), "  note  ", 99}));
    QCOMPARE(cellar.rows("SELECT COUNT(*) FROM MOUVEMENT").front().front().toInt(), stored.isEmpty() ? 0 : 1);
}

void TestPurchases::longTextsShownCutAndWholeOnDemand() {
    TestCellar cellar;
    cellar.addLot("Arbois", "Jura", 2011, "Blanc", 2);
    const QString note = QString(1'000'000, QChar(u'n')) + "fin";
    otherTool(cellar,
              "INSERT INTO DETAIL (LOT, NOTE, EMPREINTE) SELECT rowid, ?1, EMPREINTE_LOT(NOM, TYPE, ANNEE, "
              "COULEUR, "
              "QUANTITE, PRIXUNITAIRE) FROM ORNY",
              {note});
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, "Arbois"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* field = window.findChild<QPlainTextEdit*>("SaisieNote");
    QVERIFY(field->isReadOnly());
    QVERIFY(field->toPlainText().endsWith(" […]"));
    QVERIFY(field->toPlainText().size() < 30'000);
    // Whole on demand, by its access key; then the lot is corrected without the note being touched.
    bool seen = false;
    whenModal([&](QDialog* viewer) {
        seen = true;
        const QString shown = viewer->findChild<QPlainTextEdit*>("Textes")->toPlainText();
        QCOMPARE(shown.size() - shown.count('\n'), note.size());
        QVERIFY(shown.endsWith("fin"));
        QTest::keyClick(viewer, Qt::Key_Escape);
    });
    pressAccessKey(&window, Qt::Key_T);
    QVERIFY(seen);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeOver(window.findChild<QLineEdit*>("SaisieQuantite"), "3");
    QCOMPARE(window.findChild<QLineEdit*>("SaisieQuantite")->text(), QString("3"));
    pressAccessKey(&window, Qt::Key_V);
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(cellar.lots(), QStringList{"Arbois|Jura|2011|Blanc|3|<null>"});
    QCOMPARE(cellar.rows("SELECT NOTE FROM DETAIL").front().front().toString(), note);
}

void TestPurchases::lotRemovedAfterOui() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 80);
    cellar.addLot("Chablis", "Bourgogne", 2019, "Blanc", 6, 14);
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, "Margaux"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    pressAccessKey(&window, Qt::Key_S);
    QCOMPARE(cellar.lastMessage().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(cellar.lotCount(), 2);
    cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    pressAccessKey(&window, Qt::Key_S);
    QCOMPARE(cellar.lots(), QStringList{"Chablis|Bourgogne|2019|Blanc|6|14"});
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void TestPurchases::windowAsLoaded() {
    TestCellar cellar;
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 12, 8.75);
    cellar.addLot("Chablis", "bourgogne", 2010, "Blanc", 24);
    cellar.addLot("Chablis", "Bourgogne", 2011, "Blanc", 2);
    cellar.addLot("Arbois", "Jura", 2011, "Blanc", 2);
    cellar.exec("INSERT INTO COULEUR VALUES ('Jaune')");
    Window w(cellar);
    QCOMPARE(w.saisie.windowTitle(), QString("Saisie des achats"));
    QCOMPARE(w.items("ListeCouleur"), QStringList({"Blanc", "Jaune", "Rosé", "Rouge"}));
    QCOMPARE(w.items("ListeType").size(), 3);
    QCOMPARE(w.items("ListeType").at(0).toLower(), QString("bourgogne"));
    QCOMPARE(w.items("ListeType").mid(1), QStringList({"Jura", "Rhône"}));
    QCOMPARE(w.list("ListeType")->currentText(), QString());
    QCOMPARE(w.list("ListeCouleur")->currentIndex(), -1);
    QCOMPARE(w.focus(), QString("SaisieNom"));
    QCOMPARE(w.field("SaisieNom")->maxLength(), 30);
    QCOMPARE(w.field("SaisieAnnee")->maxLength(), 4);
    QCOMPARE(w.field("SaisieQuantite")->maxLength(), 3);
    QCOMPARE(w.field("SaisiePrix")->maxLength(), 7);
    QVERIFY(!w.field("PrixTotal")->isEnabled());
    QCOMPARE(w.get<QPushButton>("Valider")->toolTip(), QString("Enregistre les informations saisies"));
    QCOMPARE(w.get<QPushButton>("Annuler")->toolTip(), QString("Remise à blanc de tous les champs"));
    QCOMPARE(w.get<QPushButton>("Quitter")->toolTip(), QString("Quitter cet écran"));
    QCOMPARE(w.get<QLabel>("CalculPrixTotal")->text(), QString("Prix total"));
    auto* frame = w.get<QWidget>("BoiteBoutons");
    QCOMPARE(frame->x(), (w.saisie.width() - frame->width()) / 2);
    // Tab visits the fields in the window's own order, PrixTotal skipped.
    QStringList tabs;
    for (int i = 0; i < 9; ++i) {
        tabs << w.focus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(tabs, QStringList({"SaisieNom", "SaisieAnnee", "ListeCouleur", "SaisieQuantite", "ListeType",
                                "Quitter", "Annuler", "Valider", "SaisiePrix"}));
}

void TestPurchases::wholePurchaseFromTheKeyboard() {
    TestCellar cellar;
    Window w(cellar);
    typeText(QApplication::focusWidget(), "Clos \"Les Perrières\" l'ami");
    w.enter();
    QCOMPARE(w.focus(), QString("ListeType"));
    typeText(QApplication::focusWidget(), "Côte d'Or");
    w.enter();
    QCOMPARE(w.focus(), QString("SaisiePrix"));
    typeText(QApplication::focusWidget(), "12,50");
    w.enter();
    QCOMPARE(w.focus(), QString("SaisieQuantite"));
    typeText(QApplication::focusWidget(), "6");
    w.enter();
    QCOMPARE(w.field("PrixTotal")->text(), QString("75,00"));
    QCOMPARE(w.focus(), QString("SaisieAnnee"));
    typeText(QApplication::focusWidget(), "1999");
    w.enter();
    QCOMPARE(w.focus(), QString("ListeCouleur"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w.list("ListeCouleur")->currentText(), QString("Blanc"));
    QCOMPARE(w.focus(), QString("Valider"));
    QCOMPARE(cellar.lotCount(), 0);
    w.enter();
    QCOMPARE(cellar.lots(), QStringList({"Clos \"Les Perrières\" l'ami|Côte d'Or|1999|Blanc|6|12.5"}));
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(w.field("SaisieNom")->text(), QString());
    QCOMPARE(w.focus(), QString("SaisieNom"));
    QCOMPARE(w.items("ListeType"), QStringList({"Côte d'Or"}));
}

void TestPurchases::totalOnEnterInQuantity_data() {
    QTest::addColumn<QString>("prix");
    QTest::addColumn<QString>("quantite");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("French decimals") << "12,50"
                                     << "6"
                                     << ""
                                     << "75,00";
    QTest::newRow("whole price") << "3"
                                 << "1"
                                 << ""
                                 << "3,00";
    QTest::newRow("rounded, no grouping") << "1234,56"
                                          << "999"
                                          << ""
                                          << "1233325,44";
    QTest::newRow("empty price keeps the total") << ""
                                                 << "6"
                                                 << "12,00"
                                                 << "12,00";
    QTest::newRow("unreadable quantity empties it") << "12"
                                                    << ""
                                                    << "12,00"
                                                    << "";
    QTest::newRow("a point reads as the French comma") << "12.5"
                                                       << "2"
                                                       << ""
                                                       << "25,00";
    QTest::newRow("half a cent, up") << "1,005"
                                     << "1"
                                     << ""
                                     << "1,01";
    QTest::newRow("half a cent, up again") << "2,675"
                                           << "1"
                                           << ""
                                           << "2,68";
    QTest::newRow("half a cent times three") << "0,125"
                                             << "3"
                                             << ""
                                             << "0,38";
}

void TestPurchases::totalOnEnterInQuantity() {
    QFETCH(QString, prix);
    QFETCH(QString, quantite);
    QFETCH(QString, before);
    QFETCH(QString, after);
    TestCellar cellar;
    Window w(cellar);
    if (!before.isEmpty()) {
        w.type("SaisiePrix", "6");
        w.type("SaisieQuantite", "2");
        w.enter();
        QCOMPARE(w.field("PrixTotal")->text(), before);
    }
    w.type("SaisiePrix", prix);
    w.type("SaisieQuantite", quantite);
    w.enter();
    QCOMPARE(w.field("PrixTotal")->text(), after);
    QCOMPARE(w.focus(), QString("SaisieAnnee"));
}

void TestPurchases::checksInOrder_data() {
    const QString year = QString::number(QDate::currentDate().year());
    const QString nextYear = QString::number(QDate::currentDate().year() + 1);
    QTest::addColumn<QStringList>("fields"); // nom, type, annee, couleur index, quantite, prix
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("all empty") << QStringList{"", "", "", "-1", "", ""}
                               << "La saisie du nom est obligatoire !!"
                               << "SaisieNom";
    QTest::newRow("type") << QStringList{"X", "", "2000", "0", "1", ""}
                          << "La saisie du type est obligatoire !!"
                          << "ListeType";
    QTest::newRow("year empty") << QStringList{"X", "T", "", "0", "1", ""}
                                << "La saisie de l'année est obligatoire !!"
                                << "SaisieAnnee";
    QTest::newRow("year letters") << QStringList{"X", "T", "abcd", "0", "1", ""}
                                  << "L'année doit être du numérique !!"
                                  << "SaisieAnnee";
    QTest::newRow("year 199") << QStringList{"X", "T", "199", "0", "1", ""}
                              << "L'année se saisi en 4 chiffres !!"
                              << "SaisieAnnee";
    QTest::newRow("year 1,50") << QStringList{"X", "T", "1,50", "0", "1", ""}
                               << "L'année doit être du numérique !!"
                               << "SaisieAnnee";
    QTest::newRow("year 1e03") << QStringList{"X", "T", "1e03", "0", "1", ""}
                               << "L'année doit être du numérique !!"
                               << "SaisieAnnee";
    QTest::newRow("year +199") << QStringList{"X", "T", "+199", "0", "1", ""}
                               << "L'année doit être du numérique !!"
                               << "SaisieAnnee";
    QTest::newRow("year 3000") << QStringList{"X", "T", "3000", "0", "1", ""}
                               << "L'année doit commencer par 1 ou 2 !!"
                               << "SaisieAnnee";
    QTest::newRow("next year") << QStringList{"X", "T", nextYear, "0", "1", ""}
                               << "L'année du vin ne peut être supérieure à l'année en cours !!"
                               << "SaisieAnnee";
    QTest::newRow("colour") << QStringList{"X", "T", year, "-1", "", ""}
                            << "La saisie de la couleur est obligatoire !!"
                            << "ListeCouleur";
    QTest::newRow("quantity empty") << QStringList{"X", "T", "1850", "2", "", ""}
                                    << "La saisie de la quantité est obligatoire !!"
                                    << "SaisieQuantite";
    QTest::newRow("quantity 12a") << QStringList{"X", "T", "1850", "2", "12a", ""}
                                  << "La quantité doit être du numérique !!"
                                  << "SaisieQuantite";
    QTest::newRow("quantity 0") << QStringList{"X", "T", "1850", "2", "0", ""}
                                << "La quantité doit être d'au moins une bouteille !!"
                                << "SaisieQuantite";
    QTest::newRow("quantity -5") << QStringList{"X", "T", "1850", "2", "-5", ""}
                                 << "La quantité ne peut être négative !!"
                                 << "SaisieQuantite";
    QTest::newRow("quantity 2,5") << QStringList{"X", "T", "1850", "2", "2,5", ""}
                                  << "La quantité doit être un nombre entier de bouteilles !!"
                                  << "SaisieQuantite";
    QTest::newRow("price letters") << QStringList{"X", "T", "1850", "2", "3", "douze"}
                                   << "Le prix unitaire doit être du numérique !!"
                                   << "SaisiePrix";
    QTest::newRow("price negative") << QStringList{"X", "T", "1850", "2", "3", "-3"}
                                    << "Le prix unitaire ne peut être négatif !!"
                                    << "SaisiePrix";
}

void TestPurchases::checksInOrder() {
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TestCellar cellar;
    Window w(cellar);
    w.fill(fields[0], fields[1], fields[2], fields[3].toInt(), fields[4], fields[5]);
    QTest::mouseClick(w.get<QPushButton>("Valider"), Qt::LeftButton);
    QCOMPARE(cellar.messageCount(), 1);
    QCOMPARE(cellar.lastMessage().text, message);
    QCOMPARE(cellar.lastMessage().title, QString("Erreur de saisie"));
    QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(cellar.lastMessage().buttons, MessageBox::Buttons::Ok);
    QCOMPARE(w.focus(), focus);
    QCOMPARE(cellar.lotCount(), 0);
    QCOMPARE(w.field("SaisieAnnee")->text(), fields[2]);
    QCOMPARE(w.field("SaisieQuantite")->text(), fields[4]);
}

void TestPurchases::numbersReadTheFrenchWayInAnyLocale_data() {
    QTest::addColumn<QLocale>("system");
    QTest::addColumn<QString>("price");
    QTest::newRow("C, comma") << QLocale::c() << "45,50";
    QTest::newRow("C, point") << QLocale::c() << "45.50";
    QTest::newRow("en_US, comma") << QLocale(QLocale::English, QLocale::UnitedStates) << "45,50";
    QTest::newRow("de_DE, point") << QLocale(QLocale::German, QLocale::Germany) << "45.50";
}

void TestPurchases::numbersReadTheFrenchWayInAnyLocale() {
    QFETCH(QLocale, system);
    QFETCH(QString, price);
    QLocale::setDefault(system);
    TestCellar cellar;
    QLocale::setDefault(system);
    Window w(cellar);
    w.fill("Sancerre", "Loire", "2019", 0, "2", price);
    w.field("SaisieQuantite")->setFocus();
    w.enter();
    QCOMPARE(w.field("PrixTotal")->text(), QString("91,00"));
    w.saisie.Valider_Click();
    useFrenchLocale();
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(cellar.lots(), QStringList{"Sancerre|Loire|2019|Blanc|2|45.5"});
}

void TestPurchases::boundaryYearsAndPricesAreRecorded() {
    TestCellar cellar;
    Window w(cellar);
    const QString year = QString::number(QDate::currentDate().year());
    w.fill("Vieux", "Jura", "1850", 0, "1", "");
    w.saisie.Valider_Click();
    w.fill("Jeune", "Loire", year, 2, "999", "0");
    w.saisie.Valider_Click();
    w.fill("Prix", "Loire", "2001", 1, "2", "9999,99");
    w.saisie.Valider_Click();
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(cellar.lots(),
             QStringList({"Vieux|Jura|1850|Blanc|1|<null>", "Jeune|Loire|" + year + "|Rouge|999|0",
                          "Prix|Loire|2001|Rosé|2|9999.99"}));
}

void TestPurchases::identicalPurchasesStayTwoLots() {
    TestCellar cellar;
    Window w(cellar);
    for (int i = 0; i < 2; ++i) {
        w.fill("Margaux", "Bordeaux", "1998", 2, "12", "12,5");
        w.saisie.Valider_Click();
    }
    QCOMPARE(cellar.lots(), QStringList(2, "Margaux|Bordeaux|1998|Rouge|12|12.5"));
    QCOMPARE(w.items("ListeType"), QStringList({"Bordeaux"}));
}

void TestPurchases::resetEmptiesAndReloads() {
    TestCellar cellar;
    Window w(cellar);
    w.fill("Margaux", "Bordeaux", "1998", 2, "12", "12,5");
    typeOver(w.field("PrixTotal"), "150,00");
    cellar.addLot("Arbois", "Jura", 2011, "Blanc", 2);
    QTest::mouseClick(w.get<QPushButton>("Annuler"), Qt::LeftButton);
    for (const char* name : {"SaisieNom", "SaisieAnnee", "SaisieQuantite", "SaisiePrix", "PrixTotal"})
        QCOMPARE(w.field(name)->text(), QString());
    QCOMPARE(w.list("ListeType")->currentText(), QString());
    QCOMPARE(w.items("ListeType"), QStringList({"Jura"}));
    QCOMPARE(w.items("ListeCouleur"), QStringList({"Blanc", "Rosé", "Rouge"}));
    QCOMPARE(w.focus(), QString("SaisieNom"));
    QCOMPARE(cellar.messageCount(), 0);
}

void TestPurchases::databaseFailuresKeepTheFields() {
    TestCellar cellar;
    Window w(cellar);
    QVERIFY(QFile::remove(cellar.databasePath()));
    w.fill("Margaux", "Bordeaux", "1998", 2, "12", "12,5");
    w.saisie.Valider_Click();
    QCOMPARE(cellar.messageCount(), 1);
    QCOMPARE(cellar.lastMessage().title, QString("Brovane"));
    QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Critical);
    QVERIFY(cellar.lastMessage().text.contains("introuvable"));
    QCOMPARE(w.field("SaisieNom")->text(), QString("Margaux"));
    QCOMPARE(w.field("SaisieQuantite")->text(), QString("12"));
    QVERIFY(!QFile::exists(cellar.databasePath()));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Opening the window over a file that is no cellar says so, and the window stays usable.
    QFile bad(cellar.databasePath());
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("pas une base");
    bad.close();
    Window again(cellar);
    QCOMPARE(cellar.messageCount(), 2);
    QVERIFY(cellar.lastMessage().text.contains("n'est pas une base de données de Brovane"));
    QCOMPARE(again.items("ListeCouleur"), QStringList());
    QVERIFY(again.saisie.isVisible());
}

void TestPurchases::typedTypeIsStoredAsTyped() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    for (const QString& typed : {QString("Bor"), QString("bordeaux"), QString(300, u'x')}) {
        Window w(cellar);
        w.type("SaisieNom", "Essai");
        w.type("ListeType", typed);
        // Leaving the type by Tab follows the tab order; the text stays as typed.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(w.focus(), QString("Quitter"));
        QCOMPARE(w.list("ListeType")->currentText(), typed.left(255));
        // Leaving it by a click goes where the click was.
        w.type("ListeType", typed);
        QTest::mouseClick(w.field("SaisieAnnee"), Qt::LeftButton);
        QCOMPARE(w.focus(), QString("SaisieAnnee"));
        w.type("SaisieAnnee", "1999");
        w.chooseColour(2);
        w.type("SaisieQuantite", "1");
        QTest::mouseClick(w.get<QPushButton>("Valider"), Qt::LeftButton);
        QCOMPARE(cellar.messageCount(), 0);
        QCOMPARE(cellar.lots().last(), "Essai|" + typed.left(255) + "|1999|Rouge|1|<null>");
    }
}

void TestPurchases::figuresWrittenTheFrenchWayInAnyLocale_data() {
    QTest::addColumn<QLocale>("system");
    QTest::addColumn<int>("keypadKey"); // what the keypad's decimal key sends under that layout
    QTest::newRow("C") << QLocale::c() << int(Qt::Key_Period);
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << int(Qt::Key_Period);
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << int(Qt::Key_Comma);
}

void TestPurchases::figuresWrittenTheFrenchWayInAnyLocale() {
    QFETCH(QLocale, system);
    QFETCH(int, keypadKey);
    TestCellar cellar;
    QLocale::setDefault(system);
    const auto restore = qScopeGuard(useFrenchLocale);
    {
        // The keypad's decimal key writes the comma the field reads, whatever the system's separator.
        Window w(cellar);
        w.fill("Sancerre", "Loire", "2019", 0, "2", "12");
        QTest::keyClick(w.field("SaisiePrix"), Qt::Key(keypadKey), Qt::KeypadModifier);
        QTest::keyClicks(w.field("SaisiePrix"), "5", Qt::KeypadModifier);
        QCOMPARE(w.field("SaisiePrix")->text(), QString("12,5"));
        pressAccessKey(&w.saisie, Qt::Key_V);
        QCOMPARE(cellar.lots(), QStringList{"Sancerre|Loire|2019|Blanc|2|12.5"});
    }
    // The largest quantity a correction takes, its digits grouped the French way.
    Correction window(cellar.globals, cellar.services, rowidOf(cellar, "Sancerre"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeOver(window.findChild<QLineEdit*>("SaisieQuantite"), "9999999999999999");
    pressAccessKey(&window, Qt::Key_V);
    QCOMPARE(cellar.lastMessage().text,
             QString("La quantité ne peut dépasser 999\u202F999\u202F999\u202F999\u202F999 bouteilles !!"));
}

void TestPurchases::wheelAndKeypadAsOnARealKeyboard() {
    TestCellar cellar;
    Window w(cellar);
    QComboBox* colours = w.list("ListeCouleur");
    // A wheel notch over the closed list while typing elsewhere changes nothing.
    QTest::mouseClick(w.field("SaisieNom"), Qt::LeftButton);
    QWheelEvent notch(QPointF(5, 5), colours->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(colours, &notch);
    QCOMPARE(colours->currentIndex(), -1);
    QCOMPARE(w.focus(), QString("SaisieNom"));
    // Over the list that has the focus it shows another entry, and does not jump to Valider.
    colours->setFocus();
    QApplication::sendEvent(colours, &notch);
    QCOMPARE(colours->currentText(), QString("Blanc"));
    QCOMPARE(w.focus(), QString("ListeCouleur"));
    // The keypad's decimal key gives the French comma in a price.
    w.type("SaisiePrix", "12");
    QTest::keyClick(w.field("SaisiePrix"), Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(w.field("SaisiePrix"), "5", Qt::KeypadModifier);
    QCOMPARE(w.field("SaisiePrix")->text(), QString("12,5"));
}

void TestPurchases::colourTypedByItsLetters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("colour");
    QTest::newRow("Rouge past Rosé") << "Rou"
                                     << "Rouge";
    QTest::newRow("whole word") << "rouge"
                                << "Rouge";
    QTest::newRow("first of its letter") << "Ro"
                                         << "Rosé";
    QTest::newRow("one letter") << "b"
                                << "Blanc";
}

void TestPurchases::colourTypedByItsLetters() {
    QFETCH(QString, typed);
    QFETCH(QString, colour);
    TestCellar cellar;
    Window w(cellar);
    w.type("SaisieNom", "Essai");
    w.type("ListeType", "Loire");
    w.type("SaisieQuantite", "2");
    w.type("SaisieAnnee", "2015");
    w.enter();
    QCOMPARE(w.focus(), QString("ListeCouleur"));
    // Each letter looks further; the focus stays until Enter chooses what the letters found.
    QTest::keyClicks(QApplication::focusWidget(), typed);
    QCOMPARE(w.list("ListeCouleur")->currentText(), colour);
    QCOMPARE(w.focus(), QString("ListeCouleur"));
    QCOMPARE(cellar.lotCount(), 0);
    w.enter();
    QCOMPARE(w.focus(), QString("Valider"));
    w.enter();
    QCOMPARE(cellar.lots(), QStringList({"Essai|Loire|2015|" + colour + "|2|<null>"}));
}

void TestPurchases::noDefaultButtonAndCentredMessages() {
    TestCellar cellar;
    Window w(cellar);
    // Enter never presses a button from a field here, so none is drawn as the default.
    for (QPushButton* button : w.saisie.findChildren<QPushButton*>())
        QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
    // A message given while the window loads is centred on it: the window is placed before it loads.
    QFile::remove(cellar.databasePath());
    Saisie failing(cellar.globals, cellar.services);
    QCOMPARE(cellar.messageCount(), 1);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(failing.frameGeometry().center().x() - screen.center().x()) <= 2);
}

QTEST_MAIN(TestPurchases)
#include "tst_purchases.moc"
