// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/Journal.h"
#include "database/Lot.h"
#include "history/Historique.h"
#include "printing/InventoryReport.h"
#include "support/TestCellar.h"
#include "ui/Numbers.h"
#include "view/Visualisation.h"

#include <QBuffer>
#include <QDate>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

namespace {

const int ThisYear = QDate::currentDate().year();

DbRow six(const QVariant& nom, const QVariant& annee, const QVariant& quantite, const QVariant& prix) {
    return {nom, QStringLiteral("Bourgogne"), annee, QStringLiteral("Rouge"), quantite, prix};
}

// What a window shows in its label "Totaux", each figure taken back as a number.
struct Shown {
    qint64 lots = 0;
    QString bottles;
    double value = 0;
};

// The inventory's definition as delivered.
ReportDefinition delivered() {
    QString error;
    const std::optional<ReportDefinition> definition =
        ReportDefinition::load(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), error);
    if (!definition)
        qFatal("%s", qPrintable(error));
    return *definition;
}

double euros(QString text) {
    return text.remove(QChar(0x202F)).remove(u' ').replace(u',', u'.').toDouble();
}

} // namespace

Q_DECLARE_METATYPE(LotDetails)
Q_DECLARE_METATYPE(LotRules::Fault)

class TestLot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void mayBeRecorded_data();
    void mayBeRecorded();
    void countsAlikeInTheProgramAndInTheEngine_data();
    void countsAlikeInTheProgramAndInTheEngine();
    void viewPrintoutAndHistoryAgree();
    void textReportSaysWhyItWasNotWritten_data();
    void textReportSaysWhyItWasNotWritten();
};

void TestLot::mayBeRecorded_data() {
    QTest::addColumn<DbRow>("values");
    QTest::addColumn<LotDetails>("details");
    QTest::addColumn<LotRules::Fault>("fault");
    using F = LotRules::Fault;
    const DbRow good = six("Pommard", 1996, 6, 31.5);
    QTest::newRow("a plain purchase") << good << LotDetails{} << F::None;
    QTest::newRow("3 000 000 000 bottles")
        << six("Pommard", 1996, 3000000000LL, {}) << LotDetails{} << F::None;
    QTest::newRow("no name") << six(QString(), 1996, 6, 31.5) << LotDetails{} << F::Name;
    QTest::newRow("next year's vintage") << six("Pommard", ThisYear + 1, 6, 31.5) << LotDetails{} << F::Year;
    QTest::newRow("a vintage of three digits") << six("Pommard", 999, 6, 31.5) << LotDetails{} << F::Year;
    QTest::newRow("a vintage as text") << six("Pommard", "1996", 6, 31.5) << LotDetails{} << F::Year;
    QTest::newRow("no bottle") << six("Pommard", 1996, 0, 31.5) << LotDetails{} << F::Quantity;
    QTest::newRow("half a bottle") << six("Pommard", 1996, 2.5, 31.5) << LotDetails{} << F::Quantity;
    QTest::newRow("a negative price") << six("Pommard", 1996, 6, -1.0) << LotDetails{} << F::Price;
    QTest::newRow("an infinite price") << six("Pommard", 1996, 6, qInf()) << LotDetails{} << F::Price;
    QTest::newRow("a price as text") << six("Pommard", 1996, 6, "douze") << LotDetails{} << F::Price;
    QTest::newRow("a name too long") << six(QString(256, u'N'), 1996, 6, 31.5) << LotDetails{} << F::TooLong;
    QTest::newRow("drink from, no until") << good << LotDetails{2020, {}, {}, {}, {}} << F::None;
    QTest::newRow("drink until, no from") << good << LotDetails{{}, 2030, {}, {}, {}} << F::None;
    QTest::newRow("a window the wrong way")
        << good << LotDetails{2030, 2020, {}, {}, {}} << F::DrinkingWindow;
    QTest::newRow("until before the vintage")
        << good << LotDetails{{}, 1995, {}, {}, {}} << F::DrinkingWindow;
    QTest::newRow("a window of five digits")
        << good << LotDetails{10000, {}, {}, {}, {}} << F::DrinkingWindow;
    QTest::newRow("a place too long") << good << LotDetails{{}, {}, QString(101, u'x'), {}, {}} << F::Place;
    QTest::newRow("a note too long") << good << LotDetails{{}, {}, {}, QString(2001, u'x'), {}} << F::Note;
    QTest::newRow("six stars") << good << LotDetails{{}, {}, {}, {}, 6} << F::Rating;
}

void TestLot::mayBeRecorded() {
    QFETCH(DbRow, values);
    QFETCH(LotDetails, details);
    QFETCH(LotRules::Fault, fault);
    Lot lot(values, details.isEmpty() ? DbRow() : details.values());
    QCOMPARE(LotRules::check(lot, ThisYear), fault);
}

void TestLot::countsAlikeInTheProgramAndInTheEngine_data() {
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("counts");
    // As another tool would write them: SQL literals.
    QTest::newRow("whole, priced") << "6"
                                   << "12.5" << true;
    QTest::newRow("whole, no price") << "6"
                                     << "NULL" << true;
    QTest::newRow("none left") << "0"
                               << "12.5" << true;
    QTest::newRow("whole real") << "6.0"
                                << "12" << true;
    QTest::newRow("64-bit") << "9223372036854775807"
                            << "0" << true;
    QTest::newRow("whole real past 64 bits") << "9223372036854775808.0"
                                             << "1" << false;
    QTest::newRow("negative") << "-3"
                              << "12.5" << false;
    QTest::newRow("fraction") << "2.5"
                              << "12.5" << false;
    QTest::newRow("no quantity") << "NULL"
                                 << "12.5" << false;
    QTest::newRow("quantity as text") << "'douze'"
                                      << "12.5" << false;
    QTest::newRow("quantity as a blob") << "x'06'"
                                        << "12.5" << false;
    QTest::newRow("negative price") << "6"
                                    << "-4" << false;
    QTest::newRow("infinite price") << "6"
                                    << "9e999" << false;
    QTest::newRow("price as text") << "6"
                                   << "'douze'" << false;
    QTest::newRow("price as a blob") << "6"
                                     << "x'0c'" << false;
}

void TestLot::countsAlikeInTheProgramAndInTheEngine() {
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(bool, counts);
    TestCellar cellar;
    // In ORNY, whose columns convert what they can, and in a table of no type, as the journal's copies are.
    cellar.exec(QStringLiteral("INSERT INTO ORNY VALUES ('Vin', 'Loire', 2000, 'Blanc', %1, %2)")
                    .arg(quantity, price));
    cellar.exec(QStringLiteral("CREATE TABLE COPIE (Q, P)"));
    cellar.exec(QStringLiteral("INSERT INTO COPIE VALUES (%1, %2)").arg(quantity, price));
    for (const char* table : {"ORNY", "COPIE"}) {
        const bool orny = qstrcmp(table, "ORNY") == 0;
        const QString q = orny ? QStringLiteral("QUANTITE") : QStringLiteral("Q");
        const QString p = orny ? QStringLiteral("PRIXUNITAIRE") : QStringLiteral("P");
        const DbRow row = cellar
                              .rows(QStringLiteral("SELECT %1, %2, %3 FROM %4")
                                        .arg(q, p, LotRules::countsSql(q, p), QLatin1String(table)))
                              .front();
        QCOMPARE(LotRules::counts(row.at(0), row.at(1)), counts);
        QCOMPARE(row.at(2).toInt() == 1, counts);
    }
}

// A cellar lived in by the program (purchases, imports, bottles drunk, undos) and written to by another
// tool (lots no total may count, or counted without being in the history): the view, the printout and the
// history say the same.
void TestLot::viewPrintoutAndHistoryAgree() {
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5}));
        QVERIFY(!CellarQueries::addLot(link, {"Sans prix", "Loire", 2001, "Blanc", 4, {}}));
        QVERIFY(!CellarQueries::addLot(link, {"Offert", "Jura", 2005, "Jaune", 2, 0.0}));
        QVERIFY(!CellarQueries::addLot(link, {"Réserve", "Cave", 2000, "Rouge", 3000000000000LL, 2.25}));
        const auto import = [&link](int round) {
            return link.write([&](DataLink& l) {
                return CellarQueries::append(l, Journal::Kind::Import, [&](CellarQueries::Appender& a) {
                    for (int i = 0; i < 5; ++i)
                        if (Status s = a.add({QStringLiteral("Importé %1-%2").arg(round).arg(i), "Loire",
                                              1990 + i, "Blanc", 1 + i,
                                              i % 2 ? std::optional<double>(9.5 + i) : std::nullopt}))
                            return s;
                    return Status();
                });
            });
        };
        QVERIFY(!import(0));
        QCOMPARE(CellarQueries::consume(link, {"Pommard", "Bourgogne", 1996, "Rouge"}, 6, 2).outcome,
                 CellarQueries::Consumed::Lowered);
        QVERIFY(!import(1));
        QCOMPARE(CellarQueries::consume(link, {"Offert", "Jura", 2005, "Jaune"}, 2, 2).outcome,
                 CellarQueries::Consumed::Removed);
        // The last consumption, then the import before it, undone.
        for (const Journal::Kind kind : {Journal::Kind::Consumption, Journal::Kind::Import}) {
            std::optional<Journal::Undoable> last;
            QVERIFY(!Journal::lastUndoable(link, last));
            QCOMPARE(last->kind, kind);
            bool changed = false;
            QVERIFY(!link.write([&](DataLink& l) { return Journal::undo(l, last->group, changed); }));
            QVERIFY(!changed);
        }
    }
    // Another tool: lots that count in no total, and two that count without the history knowing them.
    for (const char* values : {"0, 8", "-3, 8", "NULL, 8", "'douze', 8", "x'06', 8", "2.5, 8", "6, 9e999",
                               "6, 'douze'", "6, x'0c'", "6, -4", "1e19, NULL"})
        cellar.exec(QStringLiteral("INSERT INTO ORNY VALUES ('Autre outil', 'Loire', 2000, 'Blanc', %1)")
                        .arg(QLatin1String(values)));
    cellar.exec("INSERT INTO ORNY VALUES ('Autre outil', 'Loire', 2000, 'Blanc', 5e18, NULL)");
    const WideInt otherToolBottles = 5000000000000000000LL; // and the lot of 0 bottles

    // The view, as its label shows it.
    Shown view;
    {
        Visualisation w(cellar.globals, cellar.services);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString text = w.findChild<QLabel*>("Totaux")->text().remove(QChar(Numbers::DigitGroup));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d+) lots?, (\\d+) bouteilles?, valeur ([\\d ,]+) €"))
                .match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        view = {m.captured(1).toLongLong(), m.captured(2), euros(m.captured(3))};
        QVERIFY2(text.contains(QStringLiteral("hors normes")), qPrintable(text));
    }
    // The printout, written as text.
    const ReportDefinition definition = delivered();
    DataLink link(cellar.databasePath());
    const InventoryReport::Read printed = InventoryReport::read(definition, link, QDate::currentDate());
    QVERIFY(!printed.error);
    QBuffer text;
    QVERIFY(text.open(QIODevice::WriteOnly));
    QVERIFY(!InventoryReport::writeText(definition, printed.plan, link, text));
    const QString report = QString::fromUtf8(text.data());
    const LotRules::Totals& p = printed.plan.totals;
    QCOMPARE(p.lots, view.lots);
    QCOMPARE(Numbers::digits(p.bottles), view.bottles);
    QVERIFY(std::abs(static_cast<double>(p.value) - view.value) <= 0.01 + 1e-12 * view.value);
    const qsizetype grand = report.indexOf(QStringLiteral("Total général"));
    QVERIFY(grand >= 0);
    const QString total = report.mid(grand).simplified();
    QVERIFY2(total.contains(Numbers::groupedDigits(p.bottles).simplified()), qPrintable(total));
    QVERIFY2(total.contains(InventoryReport::amount(p.value, QLocale()).simplified()), qPrintable(total));
    QVERIFY2(total.contains(Numbers::groupedDigits(p.lots) + QStringLiteral(" lots")), qPrintable(total));
    QCOMPARE(p.setApart, qint64(10)); // all but the lot of 0 bottles

    // The history: what came in less what was drunk is what the program left in the cellar.
    Historique h(cellar.globals, cellar.services);
    h.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h));
    const QString moved = h.findChild<QLabel*>("Totaux")->text().remove(QChar(0x202F)).remove(QChar(0xA0));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("importées : (\\d+) bouteilles?, ([\\d ,]+) € — bues : (\\d+) "
                                          "bouteilles?, ([\\d ,]+) €"))
            .match(moved);
    QVERIFY2(m.hasMatch(), qPrintable(moved));
    const WideInt net = static_cast<WideInt>(m.captured(1).toLongLong()) - m.captured(3).toLongLong();
    QCOMPARE(Numbers::digits(net + otherToolBottles), view.bottles);
    const double netValue = euros(m.captured(2)) - euros(m.captured(4));
    QVERIFY2(std::abs(netValue - view.value) <= 0.01 + 1e-12 * view.value,
             qPrintable(QStringLiteral("%1 / %2").arg(netValue, 0, 'f', 2).arg(view.value, 0, 'f', 2)));
}

void TestLot::textReportSaysWhyItWasNotWritten_data() {
    QTest::addColumn<bool>("cellarGone");
    QTest::addColumn<QString>("message");
    QTest::newRow("the device refuses") << false << "L'inventaire n'a pas pu être écrit.";
    QTest::newRow("the cellar is gone") << true << "La base de données";
}

void TestLot::textReportSaysWhyItWasNotWritten() {
    QFETCH(bool, cellarGone);
    QFETCH(QString, message);
    TestCellar cellar;
    cellar.addLot("Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5);
    const ReportDefinition definition = delivered();
    DataLink link(cellar.databasePath());
    const InventoryReport::Read printed = InventoryReport::read(definition, link, QDate::currentDate());
    QVERIFY(!printed.error);
    QByteArray bytes;
    QBuffer out(&bytes);
    QVERIFY(out.open(cellarGone ? QIODevice::WriteOnly : QIODevice::ReadOnly));
    if (cellarGone)
        QVERIFY(QFile::remove(cellar.databasePath()));
    const Status written = InventoryReport::writeText(definition, printed.plan, link, out);
    QVERIFY(written);
    QVERIFY2(written->message.startsWith(message), qPrintable(written->text()));
}

QTEST_MAIN(TestLot)
#include "tst_lot.moc"
