// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/Journal.h"
#include "database/Lot.h"
#include "history/HistoryQuery.h"
#include "printing/InventoryReport.h"
#include "printing/PageView.h"
#include "printing/ReportDefinition.h"
#include "statistics/ApercuStatistiques.h"
#include "statistics/Charts.h"
#include "statistics/FigureFiles.h"
#include "statistics/Figures.h"
#include "statistics/FiguresPage.h"
#include "statistics/Statistiques.h"
#include "support/TestCellar.h"
#include "ui/Numbers.h"
#include "view/CellarQuery.h"
#include "view/Visualisation.h"

#include <QAbstractButton>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLabel>
#include <QPdfWriter>
#include <QPieSeries>
#include <QPieSlice>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <map>

namespace {

// The captions of a window's buttons and of its fields' labels, access keys marked with "&".
QStringList captionsOf(QWidget* window) {
    QStringList captions;
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        captions << button->text();
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy())
            captions << label->text();
    return captions;
}

const QDate Today(2026, 6, 15);

struct Window {
    explicit Window(TestCellar& cellar, const QDate& today = Today)
        : stats(cellar.globals, cellar.services, nullptr, today) {
        stats.show();
        if (!QTest::qWaitForWindowActive(&stats))
            qFatal("the statistics window did not become active");
    }
    QTabWidget* tabs() { return stats.findChild<QTabWidget*>("Pages"); }
    FiguresPage* page() { return stats.currentPage(); }
    // The shown table's rows as the user reads them, cells joined by "|".
    QStringList rows() { return modelRows(page()->tableView()->model()); }
    // Goes to a page by its access key, and to one of its tables by the keyboard.
    void go(Qt::Key page, const QString& table = {}) {
        // Back from another window, the user is in this one again.
        stats.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &stats);
        pressAccessKey(&stats, page);
        if (!table.isEmpty()) {
            pressAccessKey(&stats, Qt::Key_F);
            QCOMPARE(focusName(), QString("ListeTableau"));
            auto* list = this->page()->findChild<QComboBox*>("ListeTableau");
            chooseInList(list, table);
            // The list's drop-down gives the window back once it has closed.
            QTRY_VERIFY(!list->view()->isVisible());
            QTRY_COMPARE(QApplication::activeWindow(), &stats);
        }
    }
    QStringList row(const QString& label) {
        for (const QString& r : rows())
            if (r.section('|', 0, 0) == label)
                return r.split('|');
        qFatal("no row %s", qPrintable(label));
    }
    Statistiques stats;
};

QString count(double n) {
    return Figures::formatCount(n);
}
QString money(double n) {
    return Figures::formatMoney(n);
}
QString money(const LotRules::ExactSum& sum) {
    return Figures::format(QVariant::fromValue(sum), Figures::Unit::Money);
}

// A row of the consumption's table as the history's totals give it: what was drunk first.
QStringList consumptionRow(const QString& label, const HistoryQuery::Moved& h) {
    return {label, Numbers::groupedDigits(h.drunk), money(h.drunkValue), Numbers::groupedDigits(h.bought),
            money(h.boughtValue)};
}

DbRow query(TestCellar& cellar, const QString& sql, const QVariantList& params = {}) {
    DataLink link(cellar.databasePath());
    const DbRows rows = link.query(sql, params);
    if (!rows.ok() || rows.rows.empty())
        qFatal("query failed: %s", qPrintable(sql));
    return rows.rows.front();
}

DbRow viewTotals(TestCellar& cellar, const CellarQuery::View& view) {
    CellarQuery::Shown shown;
    shown.view = view;
    shown.details = true;
    const CellarQuery::Statement s = CellarQuery::totals(shown);
    // Lots, bottles, value, lots without price, lots set apart.
    const LotRules::Totals t = LotRules::Totals::fromSums(query(cellar, s.sql, s.params));
    return {t.lots, static_cast<double>(t.bottles), t.value.toDouble(), t.withoutPrice, t.setApart};
}

// A cellar lived in for a year: purchases with and without drinking windows, bottles drunk, imports,
// corrections and undos, each month's movements dated in that month; and, beside them, lots another tool
// wrote that the totals count apart. The value of the cellar is noted at the end of every month.
struct LivedCellar {
    explicit LivedCellar(TestCellar& cellar) {
        cellar.addLot("Sans prix", "Loire", 2001, "Blanc", 4);
        cellar.exec("INSERT INTO ORNY VALUES ('Demi-bouteille', 'Loire', 2001, 'Blanc', 2.5, 10)");
        cellar.exec("INSERT INTO ORNY VALUES ('Prix négatif', 'Alsace', 2003, 'Blanc', 3, -4)");
        cellar.exec("INSERT INTO ORNY VALUES ('Quantité texte', 'Alsace', 2003, 'Rouge', 'douze', 8)");
        QRandomGenerator random(37);
        const QStringList names = {"Pommard", "Margaux", "Chablis", "Tavel", "Sancerre", "Cornas", "Bandol"};
        QStringList types;
        for (int t = 0; t < 19; ++t)
            types << QStringLiteral("Région %1").arg(QChar(u'A' + t));
        types << "région a"; // the same type as "Région A" in French order
        const QStringList colours = {"Rouge", "Blanc", "Rosé", "rouge", "Rose"};
        DataLink link(cellar.databasePath());
        qint64 lastId = 0;
        for (int back = 12; back >= 0; --back) {
            const QDate month = QDate(Today.year(), Today.month(), 1).addMonths(-back);
            for (int p = 0; p < 4; ++p) {
                const QString name = names.at(random.bounded(names.size()));
                const QString type = types.at(random.bounded(types.size()));
                const int vintage = 1900 + random.bounded(120);
                const QString colour = colours.at(random.bounded(colours.size()));
                const int bottles = 1 + random.bounded(12);
                std::optional<double> price;
                if (random.bounded(5) > 0)
                    price = random.bounded(1, 20000) / 100.0;
                LotDetails details;
                if (random.bounded(3) > 0) {
                    details.boireDes = Today.year() - 3 + random.bounded(8);
                    if (random.bounded(4) > 0)
                        details.boireJusqua = *details.boireDes + random.bounded(12);
                } else if (random.bounded(2) == 0) {
                    details.boireJusqua = Today.year() - 2 + random.bounded(6);
                }
                check(CellarQueries::addLot(link, {name, type, vintage, colour, bottles, price, details}));
            }
            for (int c = 0; c < 3; ++c) {
                const DbRow lot = pick(link, random);
                if (lot.empty())
                    break;
                const CellarQueries::LotKey key{lot.at(0).toString(), lot.at(1).toString(),
                                                lot.at(2).toLongLong(), lot.at(3).toString()};
                const CellarQueries::ConsumeResult done = CellarQueries::consume(
                    link, key, lot.at(4), 1 + random.bounded(static_cast<int>(lot.at(4).toLongLong())));
                check(done.error);
            }
            if (back % 4 == 0)
                check(link.write([&](DataLink& l) {
                    return CellarQueries::append(l, Journal::Kind::Import, [&](CellarQueries::Appender& a) {
                        for (int i = 0; i < 5; ++i)
                            if (Status s = a.add({QStringLiteral("Importé %1").arg(i), types.at(i), 1990 + i,
                                                  QStringLiteral("Rouge"), 6, 9.5 + i}))
                                return s;
                        return Status();
                    });
                }));
            if (back % 5 == 1) {
                const DbRow lot = pick(link, random);
                const CellarQueries::StoredLot seen = CellarQueries::lotAt(link, lot.at(5).toLongLong());
                bool changed = false;
                Lot corrected = seen.lot;
                corrected.values.at(CellarSchema::PrixUnitaire) = 42.0;
                check(CellarQueries::correctLot(link, seen, corrected, changed));
            }
            if (back % 3 == 0)
                check(link.write([](DataLink& l) -> Status {
                    std::optional<Journal::Undoable> last;
                    if (Status s = Journal::lastUndoable(l, last))
                        return s;
                    bool changed = false;
                    return last ? Journal::undo(l, last->group, changed) : Status();
                }));
            // This month's movements, spread over its days.
            check(link.execute(
                QStringLiteral("UPDATE MOUVEMENT SET QUAND = ?1 || '-' || printf('%02d', 1 + ID % "
                               "28) || ' 12:00:00' WHERE ID > ?2"),
                {month.toString("yyyy-MM"), lastId}));
            lastId = query(cellar, "SELECT MAX(ID) FROM MOUVEMENT").at(0).toLongLong();
            valueAtEnd[month.toString("yyyy-MM")] = viewTotals(cellar, CellarQuery::all()).at(2).toDouble();
        }
    }
    static void check(const Status& status) {
        if (status)
            qFatal("could not make the cellar: %s", qPrintable(status->text()));
    }
    DbRow pick(DataLink& link, QRandomGenerator& random) {
        const DbRows lots =
            link.query("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, rowid FROM ORNY WHERE "
                       "typeof(QUANTITE) = 'integer' AND QUANTITE > 0 AND NOM NOT IN ('Sans prix')");
        if (lots.rows.empty())
            return {};
        return lots.rows.at(random.bounded(static_cast<int>(lots.rows.size())));
    }
    std::map<QString, double> valueAtEnd;
};

// The composition row of a view: label, lots, bottles, value, lots without price, lots apart.
QStringList compositionRow(const QString& label, const DbRow& t) {
    return {label,
            count(t.at(0).toDouble()),
            count(t.at(1).toDouble()),
            money(t.at(2).toDouble()),
            count(t.at(3).toDouble()),
            count(t.at(4).toDouble())};
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void figuresAgreeWithTheViewTheHistoryAndThePrintout();
    void pagesAndTablesByKeys();
    void emptyOrMissingCellar();
    void largeTypeListsAndVintages();
    void frenchNumbers_data();
    void frenchNumbers();
    void exports();
    void exportFailureKeepsTheEarlierFile();
    void printPreview();
    void previewGoesFromSheetToSheetByKeys();
    void printedFiguresAreNeverCut_data();
    void printedFiguresAreNeverCut();
    void chartsFollowThePaletteAndNeedNoColour();
    void eachWineColourHasItsOwn_data();
    void eachWineColourHasItsOwn();
    void namesAreNeverElided_data();
    void namesAreNeverElided();
    void thinSlicesHaveNoLabel();
    void largeCellarStoppedByKeys_data();
    void largeCellarStoppedByKeys();
    void largeAmountsAsInTheView();
    void toDrinkAfterAnotherToolRenumbers_data();
    void toDrinkAfterAnotherToolRenumbers();
};

void TestStatistics::figuresAgreeWithTheViewTheHistoryAndThePrintout() {
    TestCellar cellar;
    LivedCellar lived(cellar);
    Window w(cellar);

    // Composition: the total is the view's, for the whole cellar and for each colour shown by its button.
    w.go(Qt::Key_C);
    const DbRow all = viewTotals(cellar, CellarQuery::all());
    QCOMPARE(w.row("Total"), compositionRow("Total", all));
    {
        Visualisation visu(cellar.globals, cellar.services, nullptr, Today);
        visu.show();
        QVERIFY(QTest::qWaitForWindowActive(&visu));
        auto* totals = visu.findChild<QLabel*>("Totaux");
        const QStringList t = w.row("Total");
        QVERIFY2(totals->text().startsWith(
                     QStringLiteral("%1 lots, %2 bouteilles, valeur %3")
                         .arg(Numbers::groupedDigits(all.at(0).toLongLong()),
                              Numbers::groupedDigits(static_cast<qlonglong>(all.at(1).toDouble())),
                              Numbers::grouped(Numbers::formatTwoDecimals(all.at(2).toDouble())))),
                 qPrintable(totals->text()));
        QVERIFY(totals->text().contains(QStringLiteral("dont %1 lot sans prix").arg(t.at(4))) ||
                totals->text().contains(QStringLiteral("dont %1 lots sans prix").arg(t.at(4))));
        QVERIFY(totals->text().contains(QStringLiteral("et %1 lots hors normes").arg(t.at(5))));
        QTest::mouseClick(visu.findChild<QPushButton*>("Rouge"), Qt::LeftButton);
        const DbRow red = viewTotals(cellar, CellarQuery::colour("Rouge"));
        QVERIFY(totals->text().startsWith(QStringLiteral("%1 lots, %2 bouteilles")
                                              .arg(red.at(0).toLongLong())
                                              .arg(static_cast<qlonglong>(red.at(1).toDouble()))));
        // "rouge" and "Rouge" are one colour, "Rose" and "Rosé" two.
        QCOMPARE(w.row("Rouge").mid(1), compositionRow("Rouge", red).mid(1));
    }
    for (const QString colour : {"Blanc", "Rosé", "Rose"})
        QCOMPARE(w.row(colour).mid(1),
                 compositionRow(colour, viewTotals(cellar, CellarQuery::colour(colour))).mid(1));
    QCOMPARE(w.rows().size(), 4 + 1);

    // Types: the fifteen largest, the others together, the same total.
    w.go(Qt::Key_C, "Par type");
    const QStringList types = w.rows();
    QCOMPARE(types.size(), Figures::LargestGroups + 2);
    QCOMPARE(types.at(Figures::LargestGroups).section('|', 0, 0), QString("Autres"));
    QCOMPARE(w.row("Total"), compositionRow("Total", all));
    double shownBottles = 0;
    for (int r = 0; r < Figures::LargestGroups; ++r) {
        const QString type = types.at(r).section('|', 0, 0);
        QCOMPARE(types.at(r).split('|').mid(1),
                 compositionRow(type, viewTotals(cellar, CellarQuery::type(type))).mid(1));
        shownBottles += viewTotals(cellar, CellarQuery::type(type)).at(1).toDouble();
        if (r > 0) // largest first
            QVERIFY(QLocale().toDouble(types.at(r).section('|', 2, 2).remove(QChar(0x202f))) <=
                    QLocale().toDouble(types.at(r - 1).section('|', 2, 2).remove(QChar(0x202f))));
    }
    QCOMPARE(w.row("Autres").at(2), count(all.at(1).toDouble() - shownBottles));

    // Vintages: more than thirty years are shown by decade, each the sum of its years in the view.
    w.go(Qt::Key_C, "Par millésime");
    DbRow nineties(5, 0.0);
    for (int year = 1990; year < 2000; ++year) {
        const DbRow t = viewTotals(cellar, CellarQuery::year(year));
        for (size_t c = 0; c < 5; ++c)
            nineties[c] = nineties[c].toDouble() + t.at(c).toDouble();
    }
    QCOMPARE(w.row("1990–1999").mid(1), compositionRow("", nineties).mid(1));

    // À boire: this year's open windows are the view's « À boire », the priority its « À boire en priorité ».
    w.go(Qt::Key_B);
    const DbRow toDrink = viewTotals(cellar, CellarQuery::toDrink(Today.year(), true));
    QCOMPARE(w.row(QString::number(Today.year())).at(2), count(toDrink.at(1).toDouble()));
    QVERIFY(toDrink.at(1).toDouble() > 0);
    for (int year = Today.year(); year < Today.year() + 3; ++year)
        QCOMPARE(w.row(QString::number(year)).at(2),
                 count(viewTotals(cellar, CellarQuery::toDrink(year, true)).at(1).toDouble()));
    const DbRow first = viewTotals(cellar, CellarQuery::drinkFirst(Today.year(), true));
    QVERIFY(first.at(1).toDouble() > 0);
    QVERIFY2(w.page()->findChild<QLabel*>("Note")->text().contains(
                 QStringLiteral(": %1 bouteille").arg(count(first.at(1).toDouble()))),
             qPrintable(w.page()->findChild<QLabel*>("Note")->text()));

    // Consommation: each month is the history's totals for that month, undone operations left out.
    w.go(Qt::Key_O);
    DataLink link(cellar.databasePath());
    double drunk = 0;
    for (int back = 0; back < 13; ++back) {
        const QDate month = QDate(Today.year(), Today.month(), 1).addMonths(-back);
        HistoryQuery::Filter filter;
        filter.from = month;
        filter.until = month.addMonths(1).addDays(-1);
        const HistoryQuery::Statement s = HistoryQuery::totals(filter);
        const HistoryQuery::Moved h =
            HistoryQuery::Moved::fromSums(link.query(s.sql, s.params).rows.front(), 1);
        const QString label =
            QLocale(QLocale::French).standaloneMonthName(month.month(), QLocale::ShortFormat) + " " +
            QString::number(month.year());
        QCOMPARE(w.row(label), consumptionRow(label, h));
        drunk += static_cast<double>(h.drunk);
    }
    QVERIFY(drunk > 0);
    QCOMPARE(w.rows().size(), Figures::RecentMonths + 1);
    const HistoryQuery::Statement everything = HistoryQuery::totals({});
    QCOMPARE(w.row("Total"),
             consumptionRow("Total", HistoryQuery::Moved::fromSums(
                                         link.query(everything.sql, everything.params).rows.front(), 1)));
    QVERIFY(query(cellar, "SELECT COUNT(*) FROM MOUVEMENT WHERE ANNULE_PAR IS NOT NULL").at(0).toInt() > 0);

    // Valeur: the value at each month's end, rebuilt from the journal, is the value noted then.
    w.go(Qt::Key_V);
    const QStringList values = w.rows();
    QCOMPARE(values.size(), Figures::RecentMonths);
    for (const auto& [key, value] : lived.valueAtEnd) {
        const QDate month = QDate::fromString(key + "-01", Qt::ISODate);
        const QString label =
            QLocale(QLocale::French).standaloneMonthName(month.month(), QLocale::ShortFormat) + " " +
            QString::number(month.year());
        QCOMPARE(w.row(label).at(1), money(value));
    }
    // Before the first movement, the cellar held only what other tools wrote.
    QCOMPARE(values.first().section('|', 1, 1), money(0));
    // The most valuable lots, largest first, the first being the view's dearest.
    w.go(Qt::Key_V, "Lots les plus précieux");
    QCOMPARE(w.rows().size(), Figures::MostValuableLots);
    const DbRow dearest =
        query(cellar, "SELECT NOM, PRIXUNITAIRE * QUANTITE FROM ORNY WHERE QUANTITE >= 0 AND "
                      "typeof(QUANTITE) = 'integer' AND PRIXUNITAIRE >= 0 ORDER BY 2 DESC");
    QCOMPARE(w.rows().first().section('|', 0, 0), dearest.at(0).toString());
    QCOMPARE(w.rows().first().section('|', 6, 6), money(dearest.at(1).toDouble()));

    // The printout's grand total counts the same lots, bottles and value.
    QString error;
    const std::optional<ReportDefinition> definition =
        ReportDefinition::load(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), error);
    QVERIFY2(definition, qPrintable(error));
    const InventoryReport::Read printed = InventoryReport::read(*definition, link, Today);
    QVERIFY(!printed.error);
    w.go(Qt::Key_C);
    const QStringList total = w.row("Total");
    QCOMPARE(count(static_cast<double>(printed.plan.totals.lots)), total.at(1));
    QCOMPARE(count(static_cast<double>(printed.plan.totals.bottles)), total.at(2));
    QCOMPARE(money(printed.plan.totals.value), total.at(3));
    QCOMPARE(count(static_cast<double>(printed.plan.totals.withoutPrice)), total.at(4));
    QCOMPARE(count(static_cast<double>(printed.plan.totals.setApart)), total.at(5));
}

void TestStatistics::pagesAndTablesByKeys() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    Window w(cellar);
    QCOMPARE(w.stats.windowTitle(), QString("Statistiques de la orny"));
    QCOMPARE(w.tabs()->count(), 4);
    QStringList names;
    for (int t = 0; t < w.tabs()->count(); ++t)
        names << w.tabs()->tabText(t);
    QCOMPARE(names, QStringList({"&Composition", "À &boire", "C&onsommation", "&Valeur"}));
    // The figures have the focus: arrows move in the table, Ctrl+Tab to the next page.
    QCOMPARE(focusName(), QString("Tableau"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w.page()->tableView()->currentIndex().row(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.tabs()->currentIndex(), 1);
    for (const auto& [key, index] : std::vector<std::pair<Qt::Key, int>>{
             {Qt::Key_V, 3}, {Qt::Key_O, 2}, {Qt::Key_B, 1}, {Qt::Key_C, 0}}) {
        pressAccessKey(&w.stats, key);
        QCOMPARE(w.tabs()->currentIndex(), index);
    }
    // The title says what and when.
    QCOMPARE(w.page()->chartView()->chart()->title(), QString("Bouteilles par couleur au 15/06/2026"));
    w.go(Qt::Key_C, "Par type");
    QCOMPARE(w.page()->chartView()->chart()->title(),
             QString("Bouteilles par type (les 15 premiers) au 15/06/2026"));
    // Cells can be chosen and copied for another program.
    QTableView* table = w.page()->tableView();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(table, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("Bordeaux\t1\t12"));
    pressAccessKey(&w.stats, Qt::Key_Q);
    QTRY_VERIFY(!w.stats.isVisible());
}

void TestStatistics::emptyOrMissingCellar() {
    {
        // Nothing to count: the ways to fill the cellar, rather than pages of noughts.
        TestCellar cellar;
        Window w(cellar);
        QCOMPARE(cellar.messageCount(), 0);
        QVERIFY(!w.tabs()->isVisible());
        auto* empty = w.stats.findChild<QLabel*>("CaveVide");
        QVERIFY(empty && empty->isVisible());
        QVERIFY(empty->text().contains("« Saisie des achats »") &&
                empty->text().contains("« Importer un tableau… »"));
        QVERIFY(!w.stats.findChild<QWidget*>("ExporterPdf")->isEnabled());
    }
    TestCellar cellar;
    QFile::remove(cellar.databasePath());
    Window w(cellar);
    QCOMPARE(cellar.messageCount(), 1);
    QCOMPARE(w.tabs()->count(), 0);
    QVERIFY(!w.stats.findChild<QWidget*>("ExporterCsv")->isEnabled());
    QCOMPARE(focusName(), QString("Quitter"));
    QVERIFY(!QFile::exists(cellar.databasePath()));
}

void TestStatistics::largeTypeListsAndVintages() {
    // Sixteen types are all shown; a few years are shown one by one, the lots without a year apart.
    TestCellar cellar;
    for (int t = 0; t < 16; ++t)
        cellar.addLot("Vin", QStringLiteral("Type %1").arg(t, 2, 10, QChar('0')), 2000 + t % 3, "Rouge",
                      16 - t, 1.0);
    cellar.exec("INSERT INTO ORNY VALUES ('Sans année', 'Type 00', NULL, 'Rouge', 1, 1)");
    Window w(cellar);
    w.go(Qt::Key_C, "Par type");
    QCOMPARE(w.rows().size(), 17);
    QCOMPARE(w.rows().first(), QString("Type 00|2|17|17,00\u00A0€|0|0"));
    w.go(Qt::Key_C, "Par millésime");
    QCOMPARE(w.rows(), QStringList({"2000|6|51|51,00\u00A0€|0|0", "2001|5|45|45,00\u00A0€|0|0",
                                    "2002|5|40|40,00\u00A0€|0|0", "(sans millésime)|1|1|1,00\u00A0€|0|0",
                                    "Total|17|137|137,00\u00A0€|0|0"}));
    // Forty colours another tool wrote: the fifteen largest, the others together.
    for (int c = 0; c < 40; ++c)
        cellar.addLot("Vin", "Autre", 1990 + c, QStringLiteral("Teinte %1").arg(c, 2, 10, QChar('0')),
                      100 + c, 1.0);
    Window again(cellar);
    QCOMPARE(again.rows().size(), Figures::LargestGroups + 2);
    QCOMPARE(again.rows().first(), QString("Teinte 39|1|139|139,00\u00A0€|0|0"));
    // Red (137 bottles) comes third: the others are the teintes 0 to 25.
    QCOMPARE(again.rows().at(2).section('|', 0, 1), QString("Rouge|17"));
    QCOMPARE(again.row("Autres").mid(0, 3), QStringList({"Autres", "26", count(26 * 100 + 25 * 26 / 2)}));
}

void TestStatistics::frenchNumbers_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("bottles");
    QTest::addColumn<QString>("amount");
    QTest::newRow("small") << 7.0 << "7"
                           << "7,00\u00A0€";
    QTest::newRow("thousands") << 1234.25 << "1\u202f234"
                               << "1\u202f234,25\u00A0€";
    QTest::newRow("rounded") << 1234.5 << "1\u202f235"
                             << "1\u202f234,50\u00A0€";
    QTest::newRow("millions") << 2345678.125 << "2\u202f345\u202f678"
                              << "2\u202f345\u202f678,13\u00A0€";
    QTest::newRow("negative") << -1500.0 << "-1\u202f500"
                              << "-1\u202f500,00\u00A0€";
}

void TestStatistics::frenchNumbers() {
    QFETCH(double, value);
    QFETCH(QString, bottles);
    QFETCH(QString, amount);
    QCOMPARE(Figures::formatCount(value), bottles);
    QCOMPARE(Figures::formatMoney(value), amount);
}

void TestStatistics::exports() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 1200, 12.5);
    cellar.addLot("Chablis \"Vieilles vignes\"", "Bourgogne", 2010, "Blanc", 24);
    Window w(cellar);
    const QString csv = cellar.folder() + "composition.csv";
    cellar.services.inputs.queueText(csv);
    pressAccessKey(&w.stats, Qt::Key_S);
    QVERIFY(cellar.services.inputs.asked().last().prompt.endsWith(
        "/Statistiques Composition par couleur 2026-06-15.csv"));
    QCOMPARE(QString::fromUtf8(fileBytes(csv)),
             QString("\uFEFFCouleur;Lots;Bouteilles;Valeur;Lots sans prix;Lots hors normes\r\n"
                     "Rouge;1;1200;15000;0;0\r\nBlanc;1;24;0;1;0\r\nTotal;2;1224;15000;1;0\r\n"));

    const QString pdf = cellar.folder() + "composition.pdf";
    cellar.services.inputs.queueText(pdf);
    pressAccessKey(&w.stats, Qt::Key_D);
    const QByteArray document = fileBytes(pdf);
    QVERIFY(document.startsWith("%PDF"));
    // Drawn, not pictured: a vector chart holds no image.
    QVERIFY(!document.contains("/Subtype /Image"));
    // One sheet for each of the page's three tables.
    QCOMPARE(QString::fromLatin1(document).count(QRegularExpression("/Type\\s*/Page\\b(?!s)")), 3);

    const QString png = cellar.folder() + "composition.png";
    cellar.services.inputs.queueText(png);
    pressAccessKey(&w.stats, Qt::Key_P);
    QImage image;
    QVERIFY(image.load(png, "PNG"));
    QCOMPARE(image.size(), w.page()->chartView()->size() * 2);
    QCOMPARE(cellar.messageCount(), 0);
    // Giving up the file choice writes nothing.
    cellar.services.inputs.queueText(QString());
    pressAccessKey(&w.stats, Qt::Key_S);
    QCOMPARE(filesIn(cellar.folder()).size(), 4);
}

void TestStatistics::exportFailureKeepsTheEarlierFile() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    Window w(cellar);
    const QString nowhere = cellar.folder() + "absent/figures.csv";
    for (const Qt::Key key : {Qt::Key_S, Qt::Key_D, Qt::Key_P}) {
        cellar.services.inputs.queueText(nowhere);
        pressAccessKey(&w.stats, key);
        QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Critical);
        QVERIFY(cellar.lastMessage().text.contains("n'a pas pu être écrit"));
    }
    QCOMPARE(cellar.messageCount(), 3);
    QVERIFY(w.stats.isVisible());
}

void TestStatistics::printPreview() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    Window w(cellar);
    int sheets = 0;
    int drawn = 0;
    whenModal([&](QDialog* preview) {
        auto* apercu = qobject_cast<ApercuStatistiques*>(preview);
        sheets = apercu->sheets().pageCount();
        QTest::keyClick(apercu->pages(), Qt::Key_End);
        QTest::qWait(50);
        drawn = apercu->pages()->pagesDrawn();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageLayout(apercu->sheets().pageLayout());
        QVERIFY(FigureFiles::paintAll(apercu->sheets(), pdf));
        pressAccessKey(preview, Qt::Key_F);
    });
    pressAccessKey(&w.stats, Qt::Key_I);
    // Every table of every page, each on a sheet with its chart.
    QCOMPARE(w.stats.allTables().size(), 3 + 1 + 1 + 2);
    QVERIFY(sheets >= w.stats.allTables().size());
    QVERIFY(drawn >= 1);
    QVERIFY(w.stats.isVisible());
}

void TestStatistics::previewGoesFromSheetToSheetByKeys() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    Window w(cellar);
    bool done = false;
    whenModal([&](QDialog* preview) {
        auto* apercu = qobject_cast<ApercuStatistiques*>(preview);
        PageView* pages = apercu->pages();
        auto* where = preview->findChild<QLabel*>("PageCourante");
        const int count = apercu->sheets().pageCount();
        QVERIFY(count >= 5);
        QTest::keyClick(pages, Qt::Key_End);
        QCOMPARE(pages->currentPage(), count - 1);
        QCOMPARE(where->text(), QString("Page %1 / %1").arg(count));
        // The same keys wherever the focus is, but in the page number.
        auto* fermer = preview->findChild<QPushButton*>("Fermer");
        fermer->setFocus();
        QTest::keyClick(fermer, Qt::Key_Home);
        QCOMPARE(pages->currentPage(), 0);
        QTest::keyClick(fermer, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(pages->currentPage(), count - 1);
        QTest::keyClick(fermer, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(pages->currentPage(), 0);
        // Ctrl+G, a number and Enter go to that sheet and give the keys back to the pages.
        QTest::keyClick(preview, Qt::Key_G, Qt::ControlModifier);
        QWidget* number = QApplication::focusWidget();
        QVERIFY(number && number->objectName() == "AllerPage");
        QTest::keyClicks(number, "3");
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(pages->currentPage(), 2);
        QCOMPARE(where->text(), QString("Page 3 / %1").arg(count));
        QCOMPARE(QApplication::focusWidget(), pages);
        // The field follows the reader, and its access key reaches it.
        QTest::keyClick(pages, Qt::Key_PageDown);
        QCOMPARE(number->property("value").toInt(), 4);
        pressAccessKey(preview, Qt::Key_A);
        QCOMPARE(QApplication::focusWidget(), number);
        QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(number, QString::number(count));
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(pages->currentPage(), count - 1);
        // Every access key of the window is its own.
        QString keys;
        for (const QString& caption : captionsOf(preview))
            if (const qsizetype amp = caption.indexOf('&'); amp >= 0 && amp + 1 < caption.size())
                keys += caption.at(amp + 1).toLower();
        for (const QChar key : keys)
            QVERIFY2(keys.count(key) == 1, qPrintable(keys));
        QVERIFY(keys.contains('a'));
        done = true;
        pressAccessKey(preview, Qt::Key_F);
    });
    pressAccessKey(&w.stats, Qt::Key_I);
    QVERIFY(done);
    QVERIFY(w.stats.isVisible());
}

void TestStatistics::printedFiguresAreNeverCut_data() {
    QTest::addColumn<int>("bottles");
    QTest::addColumn<double>("price");
    QTest::addRow("ordinary") << 12 << 12.5;
    QTest::addRow("sixteen digits") << 2 << 1e15;
    QTest::addRow("many bottles, dear") << 999999 << 9.99e9;
}

void TestStatistics::printedFiguresAreNeverCut() {
    QFETCH(int, bottles);
    QFETCH(double, price);
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", bottles, price);
    cellar.addLot("Pétrus", "Bordeaux", 2005, "Rouge", 3, 37.5);
    cellar.addLot("Un nom de vin fort long qui ne tiendrait pas dans sa colonne sur le papier", "Alsace",
                  2019, "Blanc", 6);
    Window w(cellar);
    bool checked = false;
    whenModal([&](QDialog* preview) {
        const FigurePages& sheets = qobject_cast<ApercuStatistiques*>(preview)->sheets();
        const QFontMetricsF body(sheets.bodyFont()), bold(sheets.boldFont());
        const double page =
            sheets.pageLayout().paintRect(QPageLayout::Inch).width() * FigurePages::Resolution;
        const QList<Figures::Table> tables = w.stats.allTables();
        for (int t = 0; t < tables.size(); ++t) {
            const Figures::Table& table = tables.at(t);
            const std::vector<double>& widths = sheets.columnWidths(t);
            QCOMPARE(widths.size(), static_cast<size_t>(table.headers.size()));
            double used = 0;
            for (size_t c = 0; c < widths.size(); ++c) {
                const int column = static_cast<int>(c);
                used += widths[c];
                // Headings show whole, and so does every figure, the total's in bold.
                QVERIFY2(bold.horizontalAdvance(table.headers.at(column)) <= widths[c],
                         qPrintable(table.name + " / " + table.headers.at(column)));
                if (table.units.value(column) == Figures::Unit::Text)
                    continue;
                for (qsizetype r = 0; r < table.rows.size(); ++r) {
                    const QString value =
                        Figures::format(table.rows.at(r).value(column), table.units.value(column));
                    const bool total = table.totalRow && r == table.rows.size() - 1;
                    QVERIFY2((total ? bold : body).horizontalAdvance(value) <= widths[c],
                             qPrintable(table.name + " / " + value));
                }
            }
            QVERIFY2(used <= page, qPrintable(table.name));
        }
        checked = true;
        pressAccessKey(preview, Qt::Key_F);
    });
    pressAccessKey(&w.stats, Qt::Key_I);
    QVERIFY(checked);
}

void TestStatistics::chartsFollowThePaletteAndNeedNoColour() {
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 6, 8.0);
    Window w(cellar);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(200, 120, 140));
    w.stats.setPalette(dark);
    QVERIFY(w.page()->chartView()->isVisible());
    QVERIFY(!w.page()->findChild<QLabel*>("GraphiqueVide")->isVisible());
    QChart* chart = w.page()->chartView()->chart();
    QCOMPARE(chart->backgroundBrush().color(), QColor(30, 30, 30));
    QCOMPARE(chart->titleBrush().color(), QColor(230, 230, 230));
    // Every slice says what it is, and no two neighbouring ones share both colour and hatching.
    auto* pie = qobject_cast<QPieSeries*>(chart->series().first());
    QCOMPARE(pie->count(), 2);
    QCOMPARE(pie->slices().at(0)->label(), QString("Rouge : 12 (67\u00A0%)"));
    QVERIFY(pie->slices().at(0)->isLabelVisible());
    QSet<int> styles;
    for (int n = 0; n < 7; ++n)
        styles << Charts::seriesBrush(n, dark).style();
    QCOMPARE(styles.size(), 7);
    // Grouped bars tell their series apart by hatching too.
    w.go(Qt::Key_O);
    auto* bars = qobject_cast<QBarSeries*>(w.page()->chartView()->chart()->series().first());
    QCOMPARE(bars->count(), 2);
    QVERIFY(bars->barSets().at(0)->brush().style() != bars->barSets().at(1)->brush().style());
    QCOMPARE(bars->barSets().at(0)->label(), QString("Bues"));
}

void TestStatistics::eachWineColourHasItsOwn_data() {
    QTest::addColumn<QString>("colour");
    QTest::addColumn<QColor>("drawn");
    QTest::newRow("Rouge") << "Rouge" << QColor(0x8c, 0x1c, 0x2f);
    QTest::newRow("blanc, written small") << "blanc" << QColor(0xe9, 0xd9, 0x8b);
    QTest::newRow("ROSÉ, in capitals") << "ROSÉ" << QColor(0xee, 0x8f, 0xa6);
}

// A wine's colour is drawn in its own, first or last by its bottles, on the screen's palette as on paper.
void TestStatistics::eachWineColourHasItsOwn() {
    QFETCH(QString, colour);
    QFETCH(QColor, drawn);
    for (const int bottles : {1, 500}) {
        TestCellar cellar;
        cellar.addLot("Vin", "Type", 2000, colour, bottles, 1.0);
        cellar.addLot("Autre", "Type", 2000, "Jaune", 50, 1.0);
        cellar.addLot("Encore", "Type", 2000, "Rose", 20, 1.0);
        Window w(cellar);
        for (const QPalette& palette : {w.stats.palette(), Charts::paper()}) {
            std::unique_ptr<QChart> chart(Charts::build(w.page()->currentTable(), palette));
            const auto* pie = qobject_cast<QPieSeries*>(chart->series().first());
            QList<QColor> colours;
            for (const QPieSlice* slice : pie->slices())
                if (slice->label().startsWith(colour + " :"))
                    QCOMPARE(slice->brush().color(), drawn);
                else
                    colours << slice->brush().color();
            QVERIFY(!colours.contains(drawn));
        }
    }
}

void TestStatistics::namesAreNeverElided_data() {
    QTest::addColumn<QString>("table");
    QTest::newRow("sixteen long types") << "Par type";
    QTest::newRow("thirty vintages") << "Par millésime";
}

// However many names a chart has, each shows whole, or loses its middle and keeps its end: on the screen,
// in the window's picture and in the PDF.
void TestStatistics::namesAreNeverElided() {
    QFETCH(QString, table);
    TestCellar cellar;
    for (int t = 0; t < 30; ++t)
        cellar.addLot("Vin",
                      QStringLiteral("Côtes du Rhône Villages Plan de Dieu, vieilles vignes %1").arg(t),
                      1990 + t, "Rouge", 1000 + t, 10.0);
    Window w(cellar);
    w.go(Qt::Key_C, table);
    const auto shownWhole = [](QGraphicsScene* scene) {
        int labels = 0;
        for (QGraphicsItem* item : scene->items())
            if (const auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->isVisible()) {
                QVERIFY2(!text->toPlainText().contains("..."), qPrintable(text->toPlainText()));
                labels += text->toPlainText().contains(QRegularExpression("(29|2019)( — |$)")) ? 1 : 0;
            }
        QVERIFY(labels > 0);
    };
    QChartView* view = w.page()->chartView();
    view->grab();
    shownWhole(view->scene());
    const QString pdf = cellar.folder() + "page.pdf";
    QVERIFY(w.stats.exportPdf(pdf));
    QProcess tool;
    tool.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(tool.waitForFinished(60000));
    const QString text = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(!text.contains("..."), qPrintable(text));
}

void TestStatistics::largeCellarStoppedByKeys_data() {
    addCancelKeyRows();
}

// A large cellar's figures show their progress while they are worked out; a key on the progress stops them
// and the window does not open, with nothing half-shown and nothing to say. Left to run, every page shows.
void TestStatistics::largeCellarStoppedByKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    TestCellar cellar;
    cellar.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) INSERT INTO "
        "ORNY SELECT 'Vin ' || i, 'Type ' || (i % 700), 1990 + i % 30, 'Rouge', 1 + i % 12, 10 + i % 7 "
        "FROM n");
    cellar.services.progress.setScripted(false);
    cellar.services.progress.showAfter(0);
    QString shown;
    cancelProgressWhenShown(key, modifiers, shown);
    {
        Statistiques stats(cellar.globals, cellar.services, nullptr, Today);
        QCOMPARE(shown, QString("Calcul des statistiques…"));
        QVERIFY(stats.cancelled());
        QCOMPARE(stats.exec(), int(QDialog::Rejected));
        QVERIFY(!stats.isVisible());
        QCOMPARE(stats.findChild<QTabWidget*>("Pages")->count(), 0);
    }
    QVERIFY(cellar.services.messages.shown().isEmpty());
    cellar.services.progress.setScripted(true);
    Window w(cellar);
    QCOMPARE(w.tabs()->count(), int(Figures::PageCount));
    QCOMPARE(w.row("Total").at(1), QString("100\u202f000"));
}

// 1 234 567 bottles at 10^15 € and 3 at 12,10 €: the composition's total and the value at the month's end are
// the view's, to the cent.
void TestStatistics::largeAmountsAsInTheView() {
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Vin", "Bourgogne", 1996, "Rouge", 1234567, 1e15}));
        QVERIFY(!CellarQueries::addLot(link, {"Vin", "Bourgogne", 1997, "Rouge", 3, 12.1}));
    }
    const QString value = Numbers::grouped("1234567000000000000036,30") + "\u00A0€";
    {
        Visualisation visu(cellar.globals, cellar.services, nullptr, Today);
        visu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&visu));
        const QString totals = visu.findChild<QLabel*>("Totaux")->text();
        QVERIFY2(totals.contains("valeur " + value), qPrintable(totals));
    }
    Window w(cellar, QDate::currentDate());
    w.go(Qt::Key_C);
    QCOMPARE(w.row("Total").at(3), value);
    QCOMPARE(w.row("Rouge").at(3), value);
    w.go(Qt::Key_V);
    QCOMPARE(w.rows().last().section('|', 1, 1), value);
}

void TestStatistics::toDrinkAfterAnotherToolRenumbers_data() {
    QTest::addColumn<QString>("tool");
    // Bottles whose window closed before 2026, open in 2026, opening in 2030, closing in 2032.
    QTest::addColumn<QString>("figures");
    const QString rebuilt = "CREATE TABLE t AS SELECT * FROM ORNY ORDER BY rowid; DELETE FROM ORNY; "
                            "INSERT INTO ORNY SELECT * FROM t ORDER BY rowid %1; DROP TABLE t";
    QTest::newRow("nothing changed") << QString() << "1 6 2 2";
    QTest::newRow("rebuilt in reverse") << rebuilt.arg("DESC") << "1 6 2 2";
    QTest::newRow("first lot removed, rebuilt")
        << "DELETE FROM ORNY WHERE NOM = 'Passé'; " + rebuilt.arg("") << "0 6 2 2";
    QTest::newRow("VACUUM after a removal") << "DELETE FROM ORNY WHERE NOM = 'Passé'; VACUUM"
                                            << "0 6 2 2";
}

void TestStatistics::toDrinkAfterAnotherToolRenumbers() {
    QFETCH(QString, tool);
    QFETCH(QString, figures);
    TestCellar cellar;
    DataLink link(cellar.databasePath());
    for (const auto& [name, bottles, from, until] :
         {std::tuple{"Passé", 1, 2020, 2025}, {"Chablis", 6, 2026, 2028}, {"Volnay", 2, 2030, 2032}}) {
        LotDetails details;
        details.boireDes = from;
        details.boireJusqua = until;
        QVERIFY(!CellarQueries::addLot(link, {name, "Bourgogne", 2015, "Rouge", bottles, 20.0, details}));
    }
    link.close();
    if (!tool.isEmpty())
        cellar.exec(tool);
    const Figures::Read read = Figures::read(link, Today);
    QVERIFY(!read.error);
    std::map<QString, QVariantList> rows;
    for (const QVariantList& row : read.pages.at(Figures::ABoire).tables.front().rows)
        rows[row.front().toString()] = row;
    QCOMPARE(QStringList({Figures::formatCount(rows["Avant 2026 (passée)"].at(3).toDouble()),
                          Figures::formatCount(rows["2026"].at(2).toDouble()),
                          Figures::formatCount(rows["2030"].at(1).toDouble()),
                          Figures::formatCount(rows["2032"].at(3).toDouble())})
                 .join(' '),
             figures);
}

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"

void TestStatistics::thinSlicesHaveNoLabel() {
    // One colour dominates: the few bottles of the others would crowd their labels together.
    TestCellar cellar;
    cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 1000, 12.5);
    cellar.addLot("Chablis", "Bourgogne", 2010, "Blanc", 60, 8.0);
    for (const char* colour : {"Rosé", "Jaune", "Gris", "Orange", "Paille"})
        cellar.addLot("Petit", "Divers", 2015, colour, 2, 5.0);
    Window w(cellar);
    auto* pie = qobject_cast<QPieSeries*>(w.page()->chartView()->chart()->series().first());
    QCOMPARE(pie->count(), 7);
    QStringList labelled;
    for (const QPieSlice* slice : pie->slices())
        if (slice->isLabelVisible())
            labelled << slice->label();
    QCOMPARE(labelled.size(), 2);
    QVERIFY2(labelled.at(0).startsWith("Rouge : ") && labelled.at(0).endsWith(" (93\u00A0%)"),
             qPrintable(labelled.at(0)));
    QCOMPARE(labelled.at(1), QString("Blanc : 60 (6\u00A0%)"));
    // Their figures stay in the table.
    QCOMPARE(w.row("Rosé").value(2), QString("2"));
}
