// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "spreadsheet/FrenchValues.h"
#include "storage/Backups.h"
#include "storage/FileSystem.h"
#include "support/TestCellar.h"
#include "ui/CsvExport.h"
#include "view/CellarModel.h"
#include "view/GridLayout.h"
#include "view/RowWindow.h"
#include "view/Visualisation.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

struct Window {
    explicit Window(TestCellar& cellar) : visu(cellar.globals, cellar.services) {
        visu.show();
        if (!QTest::qWaitForWindowActive(&visu))
            qFatal("the cellar view did not become active");
    }
    QComboBox* list(const char* name) { return visu.findChild<QComboBox*>(name); }
    QTableView* grid() { return visu.findChild<QTableView*>("Grille"); }
    QString focus() const { return focusName(); }
    void click(const char* button) {
        QTest::mouseClick(visu.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    QStringList items(const char* name) { return itemsOf(list(name)); }
    void choose(const char* name, const QString& value) { chooseInList(list(name), value); }
    // The grid's rows as the user reads them: "Nom|Type|Année|Couleur|Qté|Prix Unit.|Prix total".
    QStringList rows() { return modelRows(grid()->model()); }
    QStringList names() {
        QStringList out;
        for (const QString& row : rows())
            out << row.section('|', 0, 0) + " " + row.section('|', 2, 2);
        return out;
    }
    QStringList headers() {
        QStringList out;
        for (int c = 0; c < grid()->model()->columnCount(); ++c)
            out << grid()->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return out;
    }
    Visualisation visu;
};

void fillCellar(TestCellar& cellar) {
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 12.1);
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 24, 0.1);
    cellar.addLot("Échézeaux", "Bourgogne", 1995, "Rouge", 3, 1234.5678);
    cellar.addLot("L'Étoile", "Jura", 1850, "Jaune", 1);
    cellar.addLot("Pouilly \"Fumé\"", "Loire", 2000, "Blanc", 6);
    cellar.addLot("Rose sans accent", "Loire", 1995, "Rose", 2, 5.0);
    cellar.addLot("Aligoté", "bourgogne", 1995, "blanc", 5, 4.0);
}

const QString Prefix = "Visualisation de la orny : ";

} // namespace

class TestView : public QObject {
    Q_OBJECT
private slots:
    void drinkingTheCurrentLotOfTwoAlike();
    void pagingShowsEveryLotOnceWhateverTheStoredTypes();
    void initTestCase() { useFrenchLocale(); }
    void openingShowsTheWholeCellar();
    void gridNeverEditsInPlace();
    void f2CorrectsTheLotAndTheGridStaysOnIt();
    void drinkingViewsMarksAndOptionalColumns();
    void totalsCountOnlyWhatAPurchaseRecords();
    void totalsGroupDigitsAsThePrintoutDoes();
    void longTotalsWrapWithinTheScreen();
    void enterInTheGridKeepsTheViewAndNumbersShowWhole();
    void searchSortAndTotalsOfWhatIsShown();
    void searchFindsWhatPeopleType_data();
    void searchFindsWhatPeopleType();
    void keyboardReachesTheRowsAndSorts();
    void csvReadsBackInAFrenchSpreadsheet();
    void pricesShowAllTheirDigitsAndReadBack_data();
    void pricesShowAllTheirDigitsAndReadBack();
    void csvExportWholeOrNothing_data();
    void csvExportWholeOrNothing();
    void buttonViews_data();
    void buttonViews();
    void yearViews();
    void refusedYears_data();
    void refusedYears();
    void listViews();
    void emptyCellar();
    void rowsAreReadAsScrolled();
    void longTextsShowCut_data();
    void longTextsShowCut();
    void ctrlEndReachesTheLastLot();
    void unusableDatabase_data();
    void unusableDatabase();
};

void TestView::openingShowsTheWholeCellar() {
    TestCellar cellar;
    fillCellar(cellar);
    const QStringList before = cellar.lots();
    Window w(cellar);
    QCOMPARE(w.visu.windowTitle(), Prefix + "toutes les bouteilles");
    QCOMPARE(w.headers(),
             QStringList({"Nom", "Type", "Année", "Couleur", "Qté", "Prix Unit.", "Prix total"}));
    QCOMPARE(w.rows(),
             QStringList({"Margaux|Bordeaux|1998|Rouge|12|12,5|150", "Aligoté|bourgogne|1995|blanc|5|4|20",
                          "Chablis|Bourgogne|2010|Blanc|24|0,1|2,4",
                          "Échézeaux|Bourgogne|1995|Rouge|3|1234,5678|3703,7034",
                          "L'Étoile|Jura|1850|Jaune|1||", "Pouilly \"Fumé\"|Loire|2000|Blanc|6||",
                          "Rose sans accent|Loire|1995|Rose|2|5|10", "Tavel|Rhône|2019|Rosé|3|12,1|36,3"}));
    QCOMPARE(w.items("ListeType").size(), 5);
    QCOMPARE(w.items("ListeNom").first(), QString("Aligoté"));
    QCOMPARE(w.list("ListeNom")->currentIndex(), -1);
    QCOMPARE(w.list("ListeType")->currentIndex(), -1);
    QCOMPARE(w.focus(), QString("Quitter"));
    const int dpi = w.grid()->logicalDpiX();
    const int widths[] = {2300, 2000, 700, 800, 600, 1000, 1100};
    // The columns fill the grid in proportion to their widths, never narrower; a number column widens
    // rather than cut a number.
    for (int c = 0; c < 7; ++c)
        QVERIFY(w.grid()->columnWidth(c) >= GridLayout::twipsToPixels(widths[c], dpi));
    for (int c = 1; c < 4; ++c)
        QVERIFY(std::abs(w.grid()->columnWidth(c) * widths[0] - w.grid()->columnWidth(0) * widths[c]) <=
                2 * widths[0]);
    const QFontMetrics metrics(w.grid()->font());
    QVERIFY(w.grid()->columnWidth(6) > metrics.horizontalAdvance("3703,7034"));
    auto* m = w.grid()->model();
    const auto alignment = [m](int column) {
        return m->data(m->index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(0), Qt::AlignLeft);
    QCOMPARE(alignment(2), Qt::AlignHCenter);
    QCOMPARE(alignment(4), Qt::AlignHCenter);
    QCOMPARE(alignment(5), Qt::AlignRight);
    QCOMPARE(alignment(6), Qt::AlignRight);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    w.click("Quitter");
    QCOMPARE(cellar.lots(), before);
}

void TestView::f2CorrectsTheLotAndTheGridStaysOnIt() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.click("Rouge");
    QCOMPARE(w.names(), QStringList({"Margaux 1998", "Échézeaux 1995"}));
    QTableView* grid = w.grid();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->currentIndex().row(), 1);
    // The correction window is modal: what the user does in it runs once it is up.
    bool seen = false;
    whenModal([&](QDialog* window) {
        seen = window->windowTitle() == "Corriger un lot";
        typeOver(window->findChild<QLineEdit*>("SaisieQuantite"), "2");
        pressAccessKey(window, Qt::Key_V);
    });
    QTest::keyClick(grid, Qt::Key_F2);
    QVERIFY(seen);
    // Same view, same lot, its new quantity and the totals that follow.
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin rouge");
    QCOMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(w.rows().at(1), QString("Échézeaux|Bourgogne|1995|Rouge|2|1234,5678|2469,1356"));
    QCOMPARE(w.visu.focusWidget(), grid);
    QCOMPARE(grid->actions().front()->text(), QString("&Corriger ou supprimer ce lot…"));
    QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
}

void TestView::drinkingTheCurrentLotOfTwoAlike() {
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        for (const char* where : {"Cave", "Garage"})
            QVERIFY(!CellarQueries::addLot(
                link, {"Volnay", "Bourgogne", 2010, "Rouge", 6, 20.0, LotDetails{{}, {}, where, {}, {}}}));
    }
    Visualisation w(cellar.globals, cellar.services);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* grid = w.findChild<QTableView*>("Grille");
    QStringList menu;
    for (QAction* action : grid->actions())
        menu << action->text();
    QCOMPARE(menu.filter("&").size(), menu.size());
    QVERIFY(menu.contains("&Boire…"));
    // The second lot, the one in the garage: the first stays whole whatever is typed.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    const qint64 garage = w.model()->rowidAt(1);
    struct Case {
        const char* typed;
        const char* refused;
    };
    for (const Case& c :
         {Case{"7", "La quantité consommée ne peut être supérieure à la quantité en stock !!"},
          Case{"0", "La saisie de la quantité consommée doit être différente de zéro !!"},
          Case{"1,5", "La quantité consommée doit être un nombre entier de bouteilles !!"}}) {
        cellar.services.inputs.queueText(c.typed);
        QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(cellar.lastMessage().text, QString(c.refused));
    }
    QVERIFY(cellar.services.inputs.asked().back().prompt.contains("En stock dans ce lot : 6."));
    cellar.services.inputs.queueText("6");
    QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(cellar.lots(), QStringList{"Volnay|Bourgogne|2010|Rouge|6|20"});
    QCOMPARE(cellar.rows("SELECT EMPLACEMENT FROM DETAIL").front().front().toString(), QString("Cave"));
    QCOMPARE(cellar.rows("SELECT NATURE, LOT, BOUTEILLES FROM MOUVEMENT ORDER BY ID DESC").front(),
             (DbRow{"consommation", garage, -6}));
    QCOMPARE(w.model()->rowCount(), 1);
}

void TestView::pagingShowsEveryLotOnceWhateverTheStoredTypes() {
    // Each column holds, lot by lot, any of the engine's five kinds of value, as other tools may write them:
    // whatever the order asked, every lot is shown once, across several pages.
    TestCellar cellar;
    QRandomGenerator random(20261207);
    auto value = [&](int column) -> QString {
        switch (random.bounded(5)) {
        case 0:
            return "NULL";
        case 1:
            return QString::number(random.bounded(4)); // few values: many ties to page through
        case 2:
            return QString::number(random.bounded(4) + 0.5);
        case 3:
            return column == 0 ? "'a'" : QString("'%1'").arg(QChar(u'a' + random.bounded(3)));
        default:
            return QString("X'%1'").arg(random.bounded(4) + 10);
        }
    };
    QStringList inserts;
    constexpr int Lots = 700;
    for (int i = 0; i < Lots; ++i) {
        QStringList values;
        for (int c = 0; c < 6; ++c)
            values << value(c);
        inserts << "INSERT INTO ORNY VALUES (" + values.join(", ") + ");";
    }
    cellar.exec(inserts.join(""));
    Visualisation w(cellar.globals, cellar.services);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* header = w.findChild<QTableView*>("Grille")->horizontalHeader();
    // Read from the last row up, a page is read backwards from the keys of the one after it.
    auto shownOnce = [&](const QString& order, bool upwards) {
        QSet<qint64> seen;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            seen.insert(w.model()->rowidAt(upwards ? w.model()->rowCount() - 1 - r : r));
        QVERIFY2(
            w.model()->rowCount() == Lots && seen.size() == Lots && !seen.contains(0),
            qPrintable(
                QString("%1 : %2 lignes, %3 lots").arg(order).arg(w.model()->rowCount()).arg(seen.size())));
    };
    shownOnce("ordre de la vue", false);
    for (int column = 0; column < 7; ++column)
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
            shownOnce(QString("colonne %1, clic %2").arg(column).arg(click + 1), click == 1);
        }
}

void TestView::totalsCountOnlyWhatAPurchaseRecords() {
    TestCellar cellar;
    cellar.addLot("Bon", "Loire", 2000, "Blanc", 2, 10.5);
    cellar.exec("INSERT INTO ORNY VALUES ('Réel entier', 'Loire', 2000, 'Blanc', 3.0, 1)");
    cellar.exec("INSERT INTO ORNY VALUES ('Sans prix', 'Loire', 2000, 'Blanc', 4, NULL)");
    // Written by other tools: none of these is a lot a purchase could record.
    cellar.exec("INSERT INTO ORNY VALUES ('Texte', 'Loire', 2000, 'Blanc', 'six', 1)");
    cellar.exec("INSERT INTO ORNY VALUES ('Demi', 'Loire', 2000, 'Blanc', 2.5, 1)");
    cellar.exec("INSERT INTO ORNY VALUES ('Négatif', 'Loire', 2000, 'Blanc', -1, 1)");
    cellar.exec("INSERT INTO ORNY VALUES ('Prix texte', 'Loire', 2000, 'Blanc', 1, 'cher')");
    cellar.exec("INSERT INTO ORNY VALUES ('Prix blob', 'Loire', 2000, 'Blanc', 1, x'00')");
    cellar.exec("INSERT INTO ORNY VALUES ('Prix négatif', 'Loire', 2000, 'Blanc', 1, -5)");
    cellar.exec("INSERT INTO ORNY VALUES ('Sans quantité', 'Loire', 2000, 'Blanc', NULL, 1)");
    Window w(cellar);
    QCOMPARE(
        w.visu.findChild<QLabel*>("Totaux")->text(),
        QString("10 lots, 9 bouteilles, valeur 24,00\u00A0€ (dont 1 lot sans prix) (et 7 lots hors normes, "
                "non comptés)"));
    // A lot the totals leave out has no value of its own in the grid either, as in the printout: never the
    // 0 the engine makes of a text.
    QStringList totals;
    for (const QString& row : w.rows())
        totals << row.section('|', 0, 0) + "=" + row.section('|', 6, 6);
    totals.sort();
    QCOMPARE(totals.join(", "), QString("Bon=21, Demi=, Négatif=, Prix blob=, Prix négatif=, Prix texte=, "
                                        "Réel entier=3, Sans prix=, Sans quantité=, Texte="));
    // Sorted by their value, they come last with the lots without a price, both ways.
    QHeaderView* header = w.grid()->horizontalHeader();
    for (const char* order : {"ascending", "descending"}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(6) + 5, header->height() / 2));
        QStringList names;
        for (const QString& row : w.rows())
            names << row.section('|', 0, 0);
        QVERIFY2(names.mid(0, 2) == QStringList({"Réel entier", "Bon"}) ||
                     names.mid(0, 2) == QStringList({"Bon", "Réel entier"}),
                 order);
    }
}

void TestView::totalsGroupDigitsAsThePrintoutDoes() {
    TestCellar cellar;
    cellar.addLot("Grand cru", "Bordeaux", 1998, "Rouge", 1234567, 1000.5);
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                "INSERT INTO ORNY SELECT 'Petit vin', 'Loire', 2000, 'Blanc', 1, 2.0 FROM n");
    Window w(cellar);
    QCOMPARE(w.visu.findChild<QLabel*>("Totaux")->text(),
             QString("1_001 lots, 1_235_567 bouteilles, valeur 1_235_186_283,50\u00A0€")
                 .replace('_', QChar(0x202F)));
}

// A price of hundreds of digits is past the ceiling: counted apart, the totals stay short, and the window
// within the screen with the search field keeping its room.
void TestView::longTotalsWrapWithinTheScreen() {
    TestCellar cellar;
    cellar.exec("INSERT INTO ORNY VALUES ('Prix énorme', 'Alsace', 2001, 'Blanc', 2, 1e300)");
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 12.1);
    Window w(cellar);
    auto* totals = w.visu.findChild<QLabel*>("Totaux");
    const auto check = [&](const QString& text) {
        QCOMPARE(totals->text(), text);
        const QRect screen = w.visu.screen()->availableGeometry();
        QVERIFY(w.visu.frameGeometry().width() <= screen.width());
        QVERIFY(w.visu.rect().contains(QRect(totals->mapTo(&w.visu, QPoint()), totals->size())));
        auto* search = w.visu.findChild<QLineEdit*>("Recherche");
        QVERIFY(search->width() >= search->fontMetrics().averageCharWidth() * 12);
    };
    check("2 lots, 3 bouteilles, valeur 36,30\u00A0€ (et 1 lot hors normes, non compté)");
    pressAccessKey(&w.visu, Qt::Key_B);
    QCOMPARE(w.names(), QStringList({"Prix énorme 2001"}));
    check("1 lot, 0 bouteille, valeur 0,00\u00A0€ (et 1 lot hors normes, non compté)");
    w.click("Rose");
    check("1 lot, 3 bouteilles, valeur 36,30\u00A0€");
}

void TestView::drinkingViewsMarksAndOptionalColumns() {
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        const auto buy = [&link](const char* name, int year, const LotDetails& details) {
            QVERIFY(!CellarQueries::addLot(link, {name, "Loire", year, "Blanc", 6, 10.0, details}));
        };
        buy("Jeune", 2020, {2028, 2035, "Casier 1", {}, {}});
        buy("Prêt", 2015, {2024, 2027, {}, {}, {}});
        buy("Passé", 2000, {2005, 2020, "Cave du bas", {}, {}});
        buy("Ouvert", 2018, {2022, {}, {}, {}, {}});
        buy("Sans", 2019, {});
    }
    // A year of the program's choosing stands for the current one.
    Visualisation w(cellar.globals, cellar.services, nullptr, QDate(2026, 6, 1));
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* grid = w.findChild<QTableView*>("Grille");
    const auto names = [grid] {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 0).data().toString();
        return out;
    };
    pressAccessKey(&w, Qt::Key_O);
    QCOMPARE(w.windowTitle(), Prefix + "les bouteilles à boire cette année");
    QCOMPARE(names(), QStringList({"Prêt", "Ouvert"}));
    pressAccessKey(&w, Qt::Key_P);
    QCOMPARE(w.windowTitle(), Prefix + "les bouteilles à boire en priorité");
    QCOMPARE(names(), QStringList({"Passé", "Prêt"}));
    // The lot past its time shows its year in dark red, and only that lot.
    QCOMPARE(grid->model()->index(0, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(0x8B, 0, 0));
    QVERIFY(!grid->model()->index(1, 2).data(Qt::ForegroundRole).isValid());
    QVERIFY(!grid->model()->index(0, 0).data(Qt::ForegroundRole).isValid());

    // The seven columns by default; the location once asked for, and at the next opening too.
    QCOMPARE(grid->model()->columnCount(), 7);
    QAction* location = nullptr;
    for (QAction* action : grid->actions())
        if (action->objectName() == "ColonneEmplacement")
            location = action;
    QVERIFY(location);
    location->trigger();
    QCOMPARE(grid->model()->columnCount(), 8);
    QCOMPARE(grid->model()->headerData(7, Qt::Horizontal).toString(), QString("Emplacement"));
    QCOMPARE(grid->model()->index(0, 7).data().toString(), QString("Cave du bas"));
    Visualisation again(cellar.globals, cellar.services);
    QCOMPARE(again.model()->columnCount(), 8);
    QVERIFY(again.exportCsv(cellar.folder() + "cave.csv"));
    QVERIFY(QString::fromUtf8(fileBytes(cellar.folder() + "cave.csv"))
                .startsWith("\xEF\xBB\xBFNom;Type;Année;Couleur;Qté;Prix Unit.;Prix total;Emplacement\r\n"));
}

void TestView::gridNeverEditsInPlace() {
    TestCellar cellar;
    fillCellar(cellar);
    const QStringList before = cellar.lots();
    Window w(cellar);
    QTableView* grid = w.grid();
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid->verticalHeader()->isHidden());
    QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(!grid->tabKeyNavigation());
    QVERIFY(grid->horizontalHeader()->sectionsClickable());
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid->currentIndex(), grid->model()->index(0, 0));
    QTest::keyClicks(grid, "abc");
    QTest::keyClick(grid, Qt::Key_Delete);
    // F2 and a double click open the correction window, never an editor in the grid; left with Quitter,
    // it changes nothing.
    int corrections = 0;
    const auto leaveCorrection = [&corrections] {
        whenModal([&corrections](QDialog* window) {
            corrections += window->windowTitle() == "Corriger un lot";
            pressAccessKey(window, Qt::Key_Q);
        });
    };
    leaveCorrection();
    QTest::keyClick(grid, Qt::Key_F2);
    leaveCorrection();
    // Through the window, as the system delivers a user's double click.
    const QPoint cell =
        grid->viewport()->mapTo(&w.visu, grid->visualRect(grid->model()->index(0, 0)).center());
    QTest::mouseDClick(w.visu.windowHandle(), Qt::LeftButton, {}, cell);
    QTRY_COMPARE(corrections, 2);
    QVERIFY(!grid->isPersistentEditorOpen(grid->currentIndex()));
    // Arrow keys stay on the row at its end.
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_End);
    QCOMPARE(grid->currentIndex(), grid->model()->index(0, 6));
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(w.rows().size(), before.size());
    QCOMPARE(cellar.lots(), before);
}

void TestView::buttonViews_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("Rouge") << "Rouge"
                           << "le vin rouge" << QStringList({"Margaux 1998", "Échézeaux 1995"});
    QTest::newRow("Blanc") << "Blanc"
                           << "le vin blanc"
                           << QStringList({"Aligoté 1995", "Chablis 2010", "Pouilly \"Fumé\" 2000"});
    QTest::newRow("Rosé, accent included") << "Rose"
                                           << "le vin rosé" << QStringList({"Tavel 2019"});
    QTest::newRow("Tout") << "Tout"
                          << "toutes les bouteilles"
                          << QStringList({"Margaux 1998", "Aligoté 1995", "Chablis 2010", "Échézeaux 1995",
                                          "L'Étoile 1850", "Pouilly \"Fumé\" 2000", "Rose sans accent 1995",
                                          "Tavel 2019"});
}

void TestView::buttonViews() {
    QFETCH(QString, button);
    QFETCH(QString, caption);
    QFETCH(QStringList, rows);
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.choose("ListeNom", "Tavel");
    QCOMPARE(w.rows().size(), 1);
    w.click(button.toLatin1());
    QCOMPARE(w.visu.windowTitle(), Prefix + caption);
    QCOMPARE(w.names(), rows);
    QCOMPARE(w.list("ListeNom")->currentIndex(), -1);
    QCOMPARE(w.items("ListeNom").size(), 8);
    QCOMPARE(w.focus(), QString("Quitter"));
    QCOMPARE(w.headers().at(4), QString("Qté"));
}

void TestView::yearViews() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    cellar.services.inputs.queueText("1995");
    w.click("Annee");
    QCOMPARE(cellar.services.inputs.asked().last().title, QString("Recherche par année"));
    QCOMPARE(cellar.services.inputs.asked().last().prompt, QString("Entrez l'année (en 4 chiffres)"));
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles de 1995");
    QCOMPARE(w.names(), QStringList({"Aligoté 1995", "Échézeaux 1995", "Rose sans accent 1995"}));
    cellar.services.inputs.queueText("2000");
    w.click("APartirDe");
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles à partir de 2000");
    QCOMPARE(w.names(), QStringList({"Chablis 2010", "Pouilly \"Fumé\" 2000", "Tavel 2019"}));
    QCOMPARE(w.focus(), QString("Quitter"));
    // A year that reads as a number runs as that number, never as text pasted into the statement.
    cellar.services.inputs.queueText("+199");
    w.click("Annee");
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles de +199");
    QCOMPARE(w.rows(), QStringList());
    QCOMPARE(cellar.messageCount(), 0);
}

void TestView::refusedYears_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancel or empty") << ""
                                     << "Vous devez saisir l'annéee !!";
    QTest::newRow("two digits") << "95"
                                << "Vous devez saisir l'annéee en 4 chiffres!!";
    QTest::newRow("five digits") << "19950"
                                 << "Vous devez saisir l'annéee en 4 chiffres!!";
    QTest::newRow("letters") << "abcd"
                             << "Vous devez saisir l'annéee en chiffres!!";
    QTest::newRow("injection") << "1 OR"
                               << "Vous devez saisir l'annéee en chiffres!!";
}

void TestView::refusedYears() {
    QFETCH(QString, answer);
    QFETCH(QString, message);
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    w.click("Rouge");
    w.list("ListeType")->setFocus();
    for (const char* button : {"Annee", "APartirDe"}) {
        cellar.services.inputs.queueText(answer);
        QMetaObject::invokeMethod(&w.visu, button == QString("Annee") ? "Annee_Click" : "APartirDe_Click");
        QCOMPARE(cellar.lastMessage().text, message);
        QCOMPARE(cellar.lastMessage().title, QString("Erreur de saisie"));
        QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Exclamation);
        QCOMPARE(w.visu.windowTitle(), Prefix + "le vin rouge");
        QCOMPARE(w.names(), QStringList({"Margaux 1998", "Échézeaux 1995"}));
        QCOMPARE(w.focus(), QString("ListeType"));
    }
}

void TestView::listViews() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.addLot("Chablis", "Bourgogne", 2001, "Blanc", 1, 3.0);
    cellar.addLot("CHABLIS", "Alsace", 2011, "Rouge", 1, 3.0);
    Window w(cellar);
    w.choose("ListeNom", "Chablis");
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles de Chablis");
    QCOMPARE(w.rows(), QStringList({"CHABLIS|Alsace|2011|Rouge|1|3|3", "Chablis|Bourgogne|2001|Blanc|1|3|3",
                                    "Chablis|Bourgogne|2010|Blanc|24|0,1|2,4"}));
    QCOMPARE(w.list("ListeNom")->currentText(), QString("Chablis"));
    QCOMPARE(w.list("ListeType")->currentIndex(), -1);
    QCOMPARE(w.items("ListeType").size(), 6);
    QCOMPARE(w.focus(), QString("Quitter"));
    w.choose("ListeType", "Loire");
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles de Loire");
    QCOMPARE(w.names(), QStringList({"Pouilly \"Fumé\" 2000", "Rose sans accent 1995"}));
    QCOMPARE(w.list("ListeNom")->currentIndex(), -1);
    QCOMPARE(w.list("ListeType")->currentText(), QString("Loire"));
}

void TestView::emptyCellar() {
    TestCellar cellar;
    Window w(cellar);
    QCOMPARE(w.rows(), QStringList());
    QCOMPARE(w.headers().size(), 7);
    QCOMPARE(w.items("ListeNom"), QStringList());
    w.click("Blanc");
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin blanc");
    cellar.services.inputs.queueText("2001");
    w.click("APartirDe");
    QCOMPARE(w.visu.windowTitle(), Prefix + "les bouteilles à partir de 2001");
    QCOMPARE(w.rows(), QStringList());
    QCOMPARE(cellar.messageCount(), 0);
}

// Scrolled through, the grid shows every lot once, in order, and holds a few pages of them only.
void TestView::rowsAreReadAsScrolled() {
    TestCellar cellar;
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000 + i, 'Rouge', 1, 2.5 FROM n");
    Window w(cellar);
    w.grid()->scrollToBottom();
    const QStringList names = w.names();
    QCOMPARE(names.size(), 6000);
    QCOMPARE(names.at(0), QString("Vin 1 2001"));
    QCOMPARE(names.at(5999), QString("Vin 6000 8000"));
    QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), 6000);
    QVERIFY(w.visu.model()->heldRows() <= 5000);
}

void TestView::longTextsShowCut_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QString ceiling(1000, u'é');
    QTest::newRow("short") << "Margaux"
                           << "Margaux";
    QTest::newRow("at the ceiling") << ceiling << ceiling;
    QTest::newRow("past it") << ceiling + "x" << ceiling + " […]";
    QTest::newRow("far past it") << ceiling + QString(200000, u'x') << ceiling + " […]";
    QTest::newRow("letter beyond 16 bits at the cut")
        << QString(999, u'a') + "𝄞𝄞" << QString(999, u'a') + "𝄞 […]";
}

// A text another tool made long shows cut in the grid, sorts and is found like the others; it stays whole in
// the cellar.
void TestView::longTextsShowCut() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    TestCellar cellar;
    cellar.exec("INSERT INTO ORNY VALUES (?1, ?1, 2000, ?1, 1, 2.5)", {stored});
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 12.1);
    Window w(cellar);
    for (int column : {0, 1, 3})
        QCOMPARE(w.grid()->model()->index(0, column).data().toString(), shown);
    // Listed as the grid shows it, it shows its lot when chosen.
    w.choose("ListeType", shown);
    QCOMPARE(w.rows().size(), 1);
    QCOMPARE(w.grid()->model()->index(0, 0).data().toString(), shown);
    QCOMPARE(cellar.rows("SELECT NOM FROM ORNY WHERE rowid = 1").front().front().toString(), stored);
}

// From Quitter, Tab reaches the grid; Ctrl+End goes to the view's last lot at once, reading its last page
// only, and Ctrl+Home back to the first.
void TestView::ctrlEndReachesTheLastLot() {
    TestCellar cellar;
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 1000 + i, 'Rouge', 1, 2.5 FROM n");
    Window w(cellar);
    QCOMPARE(w.focus(), QString("Quitter"));
    QTest::keyClick(w.visu.focusWidget(), Qt::Key_Tab);
    QCOMPARE(w.focus(), QString("Grille"));
    QTest::keyClick(w.grid(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(w.grid()->currentIndex().row(), 2999);
    QCOMPARE(w.grid()->currentIndex().siblingAtColumn(0).data().toString(), QString("Vin 3000"));
    QVERIFY(w.grid()->viewport()->rect().contains(w.grid()->visualRect(w.grid()->currentIndex()).center()));
    QVERIFY(w.visu.model()->heldRows() <= 3 * RowWindow::PageSize);
    // A second press stays there; going up reads each page before the last one from its keys.
    QTest::keyClick(w.grid(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(w.grid()->currentIndex().row(), 2999);
    for (int page = 0; page < 20; ++page)
        QTest::keyClick(w.grid(), Qt::Key_PageUp);
    const int row = w.grid()->currentIndex().row();
    QVERIFY(row < 3000 - RowWindow::PageSize);
    QCOMPARE(w.grid()->currentIndex().siblingAtColumn(0).data().toString(), QString("Vin %1").arg(row + 1));
    QTest::keyClick(w.grid(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w.grid()->currentIndex().siblingAtColumn(0).data().toString(), QString("Vin 1"));
}

void TestView::unusableDatabase_data() {
    QTest::addColumn<bool>("missing");
    QTest::addColumn<QString>("cause");
    QTest::newRow("cellar gone") << true << "introuvable";
    QTest::newRow("pages damaged") << false << "endommagé";
}

void TestView::unusableDatabase() {
    QFETCH(bool, missing);
    QFETCH(QString, cause);
    TestCellar cellar;
    for (int n = 0; n < 300; ++n)
        cellar.addLot(QString("Cuvée %1 ").arg(n) + QString(60, 'x'), "Alsace", 2001, "Blanc", 1);
    FileSystem files;
    QVERIFY(!Backups(files, cellar.globals.CheminBase, Backups::userFolder())
                 .daily(QDateTime(QDate(2026, 12, 7), QTime(8, 5)))
                 .failure);
    if (missing) {
        QVERIFY(QFile::remove(cellar.databasePath()));
    } else {
        // The top page of the lots' table overwritten.
        const qint64 page = cellar.rows("PRAGMA page_size").front().front().toLongLong();
        const qint64 root = cellar.rows("SELECT rootpage FROM sqlite_schema WHERE name = 'ORNY'")
                                .front()
                                .front()
                                .toLongLong();
        QFile file(cellar.databasePath());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((root - 1) * page));
        file.write(QByteArray(page, '\xff'));
    }
    const QByteArray left = fileBytes(cellar.databasePath());
    // No window over a cellar that cannot be read: it would show it empty. The way back is named.
    Visualisation visu(cellar.globals, cellar.services);
    QTimer::singleShot(3000, &visu, &QDialog::accept);
    QCOMPARE(visu.exec(), int(QDialog::Rejected));
    QCOMPARE(cellar.messageCount(), 1);
    const QString told = cellar.lastMessage().text;
    QVERIFY2(told.contains(cause) && told.contains("la fenêtre ne s'ouvre pas") &&
                 told.contains("Fichier › Restaurer une sauvegarde") &&
                 told.contains("la plus récente date du 07/12/2026 à 08:05"),
             qPrintable(told));
    QCOMPARE(fileBytes(cellar.databasePath()), left);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestView::enterInTheGridKeepsTheViewAndNumbersShowWhole() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.addLot("Grand cru", "Bordeaux", 1998, "Rouge", 999, 100000.0);
    Window w(cellar);
    w.click("Rouge");
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin rouge");
    QTableView* grid = w.grid();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid->currentIndex(), grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Enter);
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin rouge");
    QCOMPARE(w.rows().size(), 3);
    // 99 900 000 is shown whole: its column is as wide as it needs.
    const QString total = grid->model()->index(1, 6).data().toString();
    QCOMPARE(total, QString("99900000"));
    QVERIFY(grid->columnWidth(6) > QFontMetrics(grid->font()).horizontalAdvance(total));
}

void TestView::searchSortAndTotalsOfWhatIsShown() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.addLot("Cœur de Loire", "Touraine", 2015, "Rouge", 6, 9.5);
    cellar.addLot("Coeur de Loire", "Anjou", 2016, "Rouge", 2, 11.0);
    Window w(cellar);
    QAbstractItemModelTester tester(w.grid()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto* search = w.visu.findChild<QLineEdit*>("Recherche");
    auto* totals = w.visu.findChild<QLabel*>("Totaux");
    // Ten lots, counted by hand: 3 + 12 + 24 + 3 + 1 + 6 + 2 + 5 + 6 + 2 = 64 bottles, worth
    // 36,30 + 150 + 2,40 + 3703,7034 + 10 + 20 + 57 + 22 = 4001,4034; L'Étoile and Pouilly have no price.
    QCOMPARE(totals->text(),
             QString("10 lots, 64 bouteilles, valeur 4\u202F001,40\u00A0€ (dont 2 lots sans prix)"));
    // Alt+C reaches the search; case, accents and ligatures do not matter. Keys typed in a burst make one
    // search, for the last text.
    pressAccessKey(&w.visu, Qt::Key_C);
    QCOMPARE(w.focus(), QString("Recherche"));
    QTest::keyClicks(search, "COEUR");
    QTRY_COMPARE(w.names(), QStringList({"Coeur de Loire 2016", "Cœur de Loire 2015"}));
    QCOMPARE(totals->text(), QString("2 lots, 8 bouteilles, valeur 79,00\u00A0€"));
    QCOMPARE(w.visu.windowTitle(), Prefix + "toutes les bouteilles : recherche « COEUR »");
    typeOver(search, "éche");
    QTRY_COMPARE(w.names(), QStringList({"Échézeaux 1995"}));
    // It keeps to the view chosen, and an empty search brings the whole view back.
    typeOver(search, "bourg");
    w.click("Blanc");
    QCOMPARE(w.names(), QStringList({"Aligoté 1995", "Chablis 2010"}));
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin blanc : recherche « bourg »");
    typeOver(search, "");
    QTRY_COMPARE(w.names().size(), 3);
    QCOMPARE(w.visu.windowTitle(), Prefix + "le vin blanc");
    // A click on a heading sorts by it, a second one the other way; lots without price stay last.
    w.click("Tout");
    QHeaderView* header = w.grid()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, 5));
    QStringList prices;
    for (const QString& row : w.rows())
        prices << row.section('|', 5, 5);
    QCOMPARE(prices, QStringList({"0,1", "4", "5", "9,5", "11", "12,1", "12,5", "1234,5678", "", ""}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, 5));
    prices.clear();
    for (const QString& row : w.rows())
        prices << row.section('|', 5, 5);
    QCOMPARE(prices, QStringList({"1234,5678", "12,5", "12,1", "11", "9,5", "5", "4", "0,1", "", ""}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, 5));
    QCOMPARE(w.names().first(), QString("Aligoté 1995"));
    // Equal in French, the two hearts keep the order they were bought in.
    QCOMPARE(w.names().mid(2, 2), QStringList({"Cœur de Loire 2015", "Coeur de Loire 2016"}));
    // Choosing a view goes back to the view's own order.
    w.click("Tout");
    QCOMPARE(w.names().first(), QString("Coeur de Loire 2016"));
    QVERIFY(!header->isSortIndicatorShown());
}

void TestView::searchFindsWhatPeopleType_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("hyphens and accents") << "saint emilion" << QStringList({"Château Figeac 2015"});
    QTest::newRow("hyphen typed") << "SAINT-ÉMILION" << QStringList({"Château Figeac 2015"});
    QTest::newRow("apostrophe") << "dyquem" << QStringList({"Château d'Yquem 2001"});
    QTest::newRow("several hyphens") << "leoville las cases" << QStringList({"Léoville-Las-Cases 2010"});
    QTest::newRow("circumflex") << "cote rotie" << QStringList({"La Landonne 2012"});
    QTest::newRow("name and type, any order") << "pomerol petrus" << QStringList({"Pétrus 2005"});
    QTest::newRow("location") << "casier 4" << QStringList({"Pétrus 2005"});
    QTest::newRow("number of a location") << "casier 14" << QStringList({"Château d'Yquem 2001"});
    QTest::newRow("digits inside numbers") << "20" << QStringList();
    QTest::newRow("note") << "anniversaire" << QStringList({"Château d'Yquem 2001"});
    QTest::newRow("year") << "2015" << QStringList({"Château Figeac 2015"});
    QTest::newRow("colour") << "rosé" << QStringList({"Tavel 2019"});
    QTest::newRow("dots and spaces") << "  st.   emilion " << QStringList();
    QTest::newRow("one word missing") << "petrus margaux" << QStringList();
}

void TestView::searchFindsWhatPeopleType() {
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        const auto buy = [&link](const char* name, const char* type, int year, const char* colour,
                                 const LotDetails& details) {
            QVERIFY(!CellarQueries::addLot(link, {name, type, year, colour, 6, 10.0, details}));
        };
        buy("Château Figeac", "Saint-Émilion", 2015, "Rouge", {});
        buy("Château d'Yquem", "Sauternes", 2001, "Blanc",
            {{}, {}, "Cave du bas, casier 14", "Pour l'anniversaire", {}});
        buy("Léoville-Las-Cases", "Saint-Julien", 2010, "Rouge", {});
        buy("La Landonne", "Côte-Rôtie", 2012, "Rouge", {});
        buy("Pétrus", "Pomerol", 2005, "Rouge", {{}, {}, "Casier 4", {}, {}});
        buy("Tavel", "Rhône", 2019, "Rosé", {});
    }
    Window w(cellar);
    auto* search = w.visu.findChild<QLineEdit*>("Recherche");
    typeOver(search, typed);
    QTRY_COMPARE(w.names(), found);
}

void TestView::keyboardReachesTheRowsAndSorts() {
    TestCellar cellar;
    fillCellar(cellar);
    Window w(cellar);
    auto* search = w.visu.findChild<QLineEdit*>("Recherche");
    auto* totals = w.visu.findChild<QLabel*>("Totaux");
    // Down, then Enter, from the search go to the rows found, on the first one.
    typeOver(search, "bourgogne");
    QTest::keyClick(search, Qt::Key_Down);
    QCOMPARE(w.focus(), QString("Grille"));
    QCOMPARE(w.names().size(), 3);
    QCOMPARE(w.grid()->currentIndex().row(), 0);
    typeOver(search, "loire");
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(w.focus(), QString("Grille"));
    QCOMPARE(w.names(), QStringList({"Pouilly \"Fumé\" 2000", "Rose sans accent 1995"}));
    // Ctrl+T sorts by the current column, a second time the other way; the totals stay as they were.
    typeOver(search, "");
    QTest::keyClick(search, Qt::Key_Return);
    const QString before = totals->text();
    totals->setText("unchanged");
    QTest::keyClick(w.grid(), Qt::Key_Right);
    QTest::keyClick(w.grid(), Qt::Key_Right);
    QTest::keyClick(w.grid(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(w.names().first(), QString("L'Étoile 1850"));
    QCOMPARE(w.grid()->horizontalHeader()->sortIndicatorSection(), 2);
    QTest::keyClick(w.grid(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(w.names().first(), QString("Tavel 2019"));
    QCOMPARE(totals->text(), QString("unchanged"));
    QVERIFY(before.startsWith("8 lots"));
}

void TestView::csvReadsBackInAFrenchSpreadsheet() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.addLot("Clos; \"des\" Vignes", "=SOMME(A1)", 2001, "Rouge", 1, 2.25);
    Window w(cellar);
    w.click("Rouge");
    cellar.services.inputs.queueText(cellar.folder() + "cave.csv");
    pressAccessKey(&w.visu, Qt::Key_X);
    QVERIFY(cellar.services.inputs.asked().last().prompt.endsWith(
        "/Cave " + QDate::currentDate().toString("yyyy-MM-dd") + ".csv"));
    const QByteArray bytes = fileBytes(cellar.folder() + "cave.csv");
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    // A reader of the French rules: ";" between cells, quotes around a cell that needs them, doubled inside.
    QList<QStringList> table;
    QStringList row;
    QString cell;
    bool quoted = false;
    const QString text = QString::fromUtf8(bytes.mid(3));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text.at(i + 1) == '"')
                cell += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            row << cell;
            cell.clear();
        } else if (c == '\r' && text.mid(i, 2) == "\r\n") {
            row << cell;
            table << row;
            row.clear();
            cell.clear();
            ++i;
        } else {
            cell += c;
        }
    }
    QCOMPARE(table.first(),
             QStringList({"Nom", "Type", "Année", "Couleur", "Qté", "Prix Unit.", "Prix total"}));
    // The rows shown, in their order: the red wines by type.
    QCOMPARE(table.size(), 4);
    QCOMPARE(table.at(1),
             QStringList({"Clos; \"des\" Vignes", "'=SOMME(A1)", "2001", "Rouge", "1", "2,25", "2,25"}));
    QCOMPARE(table.at(2), QStringList({"Margaux", "Bordeaux", "1998", "Rouge", "12", "12,5", "150"}));
    QCOMPARE(table.at(3),
             QStringList({"Échézeaux", "Bourgogne", "1995", "Rouge", "3", "1234,5678", "3703,7034"}));
    // A file that cannot be written says why.
    QVERIFY(!w.visu.exportCsv(cellar.folder() + "absent/cave.csv"));
    QVERIFY2(cellar.lastMessage().text.endsWith("cave.csv » n'a pas pu être écrit : le dossier ou le fichier "
                                                "n'existe pas."),
             qPrintable(cellar.lastMessage().text));
}

void TestView::pricesShowAllTheirDigitsAndReadBack_data() {
    QTest::addColumn<double>("price");
    QTest::addColumn<int>("bottles");
    QTest::addColumn<QString>("shownPrice");
    QTest::addColumn<QString>("shownValue");
    QTest::newRow("un million de milliards") << 1e15 << 2 << "1000000000000000"
                                             << "2000000000000000";
    QTest::newRow("cent milliards") << 123456789012.5 << 2 << "123456789012,5"
                                    << "246913578025";
    QTest::newRow("bruit binaire") << 0.1 + 0.2 << 3 << "0,3"
                                   << "0,9";
    // Past the ceiling of a price: shown whole, counted apart.
    QTest::newRow("cent milliards de milliards") << 1e20 << 1 << "100000000000000000000"
                                                 << "";
    QTest::newRow("un centime") << 0.01 << 7 << "0,01"
                                << "0,07";
    QTest::newRow("millionième") << 1e-6 << 1 << "0,000001"
                                 << "0,000001";
}

void TestView::pricesShowAllTheirDigitsAndReadBack() {
    QFETCH(double, price);
    QFETCH(int, bottles);
    QFETCH(QString, shownPrice);
    QFETCH(QString, shownValue);
    TestCellar cellar;
    cellar.addLot("Cuvée", "Loire", 2001, "Rouge", bottles, price);
    Window w(cellar);
    const QStringList shown = w.rows().first().split('|');
    QCOMPARE(shown.at(5), shownPrice);
    QCOMPARE(shown.at(6), shownValue);
    cellar.services.inputs.queueText(cellar.folder() + "cave.csv");
    pressAccessKey(&w.visu, Qt::Key_X);
    const QStringList lines = QString::fromUtf8(fileBytes(cellar.folder() + "cave.csv").mid(3)).split("\r\n");
    const QStringList cells = lines.at(1).split(';');
    QCOMPARE(cells.at(5), shownPrice);
    QCOMPARE(cells.at(6), shownValue);
    // The spreadsheet import reads the price back as it is stored, to its fifteenth digit.
    const FrenchValues::Number read = FrenchValues::number(cells.at(5));
    QCOMPARE(read.state, FrenchValues::State::Read);
    QVERIFY2(std::fabs(read.value - price) <= std::fabs(price) * 1e-14, qPrintable(cells.at(5)));
}

void TestView::csvExportWholeOrNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("stopAfter");   // rows read before cancelling; -1: never
    QTest::addColumn<QString>("outcome"); // the rows written, "annulé", or the failure's first words
    QTest::newRow("written") << "cave.csv"
                             << "SELECT NOM, QUANTITE FROM ORNY" << -1 << "1501";
    QTest::newRow("cancelled") << "cave.csv"
                               << "SELECT NOM, QUANTITE FROM ORNY" << 1000 << "annulé";
    QTest::newRow("cellar unread") << "cave.csv"
                                   << "SELECT NOM FROM ABSENTE" << -1 << "La base de données";
    QTest::newRow("folder missing") << "absent/cave.csv"
                                    << "SELECT NOM FROM ORNY" << -1 << "Le fichier";
}

void TestView::csvExportWholeOrNothing() {
    QFETCH(QString, file);
    QFETCH(QString, sql);
    QFETCH(int, stopAfter);
    QFETCH(QString, outcome);
    TestCellar cellar;
    for (int i = 0; i < 1500; ++i)
        cellar.addLot(QString("Vin %1").arg(i), "Loire", 2000, "Blanc", 1 + i % 12);
    const QString path = cellar.folder() + file;
    // An earlier export of that name stays as it was unless the new one is written whole.
    QFile earlier(cellar.folder() + "cave.csv");
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("avant\n");
    earlier.close();
    const CsvExport::Source source{cellar.databasePath(), sql, {}, {0, 1}, {"Nom", "Qté"}, "Export…"};
    const Result<CsvExport::Written> written = CsvExport::write(
        path, source, [stopAfter](qint64 rows) { return stopAfter < 0 || rows < stopAfter; });
    if (!written.ok())
        QVERIFY2(written.failure().message.startsWith(outcome), qPrintable(written.failure().text()));
    else if (written->cancelled)
        QCOMPARE(QString("annulé"), outcome);
    else
        QCOMPARE(QString::number(written->rows + 1), outcome); // the captions' line and the lots
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray content = earlier.readAll();
    if (written.ok() && !written->cancelled)
        QCOMPARE(content.count('\n'), outcome.toInt());
    else
        QCOMPARE(content, QByteArray("avant\n"));
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
