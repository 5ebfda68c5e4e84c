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
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const int ThisYear = QDate::currentDate().year();

DbRow six(const QVariant& nom, const QVariant& annee, const QVariant& quantite, const QVariant& prix) {
    return {nom, QStringLiteral("Bourgogne"), annee, QStringLiteral("Rouge"), quantite, prix};
}

// What a window shows in its label "Totaux", each figure taken back as a number.
struct Shown {
    qint64 lots = 0;
    QString bottles;
    long double value = 0;
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

long double euros(QString text) {
    return std::strtold(text.remove(QChar(0x202F)).remove(u' ').replace(u',', u'.').toLatin1().constData(),
                        nullptr);
}

// The value the view's label shows, as written.
QString viewValue(TestCellar& cellar) {
    Visualisation w(cellar.globals, cellar.services);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return {};
    const QString text = w.findChild<QLabel*>("Totaux")->text();
    return QRegularExpression(QStringLiteral("valeur (.+)\u00A0€")).match(text).captured(1);
}

// The printout's grand total as its text export writes it, and the plan it was written from.
QString printedValue(TestCellar& cellar, InventoryReport::Read* read = nullptr) {
    const ReportDefinition definition = delivered();
    DataLink link(cellar.databasePath());
    const InventoryReport::Read printed = InventoryReport::read(definition, link, QDate::currentDate());
    QBuffer text;
    if (printed.error || !text.open(QIODevice::WriteOnly) ||
        InventoryReport::writeText(definition, printed.plan, link, text))
        return {};
    if (read)
        *read = printed;
    // The value under its column, from the total's line on: a figure wider than any plausible amount goes on
    // over the next lines.
    const QStringList lines = QString::fromUtf8(text.data()).split(u'\n');
    const QRegularExpressionMatch column =
        QRegularExpression(QStringLiteral("-+$"))
            .match(lines.filter(QRegularExpression(QStringLiteral("^-"))).value(0));
    QStringList pieces;
    for (qsizetype l = lines.indexOf(QRegularExpression(QStringLiteral("^Total général.*")));
         l >= 0 && l < lines.size() && !lines.at(l).isEmpty(); ++l)
        pieces << lines.at(l).mid(column.capturedStart(), column.capturedLength()).trimmed();
    pieces = pieces.filter(QRegularExpression(QStringLiteral("^[\\d\u202F,\u00A0€]+$")));
    return pieces.join(QChar(0x202F)).remove(QStringLiteral("\u00A0€"));
}

// The history's totals: bottles and value bought or imported, then drunk, as written.
QStringList historyTotals(TestCellar& cellar) {
    Historique h(cellar.globals, cellar.services);
    h.show();
    if (!QTest::qWaitForWindowExposed(&h))
        return {};
    return QRegularExpression(
               QStringLiteral("importées : ([\\d\u202F]+) bouteilles?, (.+)\u00A0€ — bues : ([\\d\u202F]+) "
                              "bouteilles?, (.+)\u00A0€"))
        .match(h.findChild<QLabel*>("Totaux")->text())
        .capturedTexts()
        .mid(1);
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
    void viewPrintoutAndHistoryAgree_data();
    void viewPrintoutAndHistoryAgree();
    void amountsReadAsTyped_data();
    void amountsReadAsTyped();
    void exactSumsInAnyOrder();
    void exactSumToTheCent_data();
    void exactSumToTheCent();
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
void TestLot::viewPrintoutAndHistoryAgree_data() {
    QTest::addColumn<qint64>("bottles");
    QTest::addColumn<double>("price");
    QTest::addColumn<qint64>("apart"); // lots shown, not counted
    QTest::newRow("an ordinary cellar") << qint64(0) << 0.0 << qint64(11);
    QTest::newRow("and a lot of 10^21 €") << qint64(1234567) << 1e15 << qint64(11);
    QTest::newRow("and a lot of 3·10^19 €") << qint64(3000000000000000000) << 12.1 << qint64(11);
    QTest::newRow("and a lot past the ceiling") << qint64(3) << 1e308 << qint64(12);
}

void TestLot::viewPrintoutAndHistoryAgree() {
    QFETCH(qint64, bottles);
    QFETCH(double, price);
    QFETCH(qint64, apart);
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Pommard", "Bourgogne", 1996, "Rouge", 6, 31.5}));
        if (bottles > 0)
            QVERIFY(
                !CellarQueries::addLot(link, {"Hors de prix", "Bourgogne", 1990, "Rouge", bottles, price}));
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
                               "6, 'douze'", "6, x'0c'", "6, -4", "6, 2e15", "1e19, NULL"})
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
            QRegularExpression(QStringLiteral("^(\\d+) lots?, (\\d+) bouteilles?, valeur ([\\d ,]+)\u00A0€"))
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
    // Written alike to the cent, however large.
    QCOMPARE(printedValue(cellar), viewValue(cellar));
    const qsizetype grand = report.indexOf(QStringLiteral("Total général"));
    QVERIFY(grand >= 0);
    const QString total = report.mid(grand).simplified();
    QVERIFY2(total.contains(Numbers::groupedDigits(p.bottles).simplified()), qPrintable(total));
    QVERIFY2(total.contains(InventoryReport::amount(p.value, QLocale()).simplified()), qPrintable(total));
    QVERIFY2(total.contains(Numbers::groupedDigits(p.lots) + QStringLiteral(" lots")), qPrintable(total));
    QCOMPARE(p.setApart, apart); // all but the lot of 0 bottles

    // The history: what came in less what was drunk is what the program left in the cellar.
    Historique h(cellar.globals, cellar.services);
    h.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h));
    const QString moved = h.findChild<QLabel*>("Totaux")->text().remove(QChar(0x202F)).remove(QChar(0xA0));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("importées : (\\d+) bouteilles?, ([\\d ,]+)€ — bues : (\\d+) "
                                          "bouteilles?, ([\\d ,]+)€"))
            .match(moved);
    QVERIFY2(m.hasMatch(), qPrintable(moved));
    const WideInt net = static_cast<WideInt>(m.captured(1).toLongLong()) - m.captured(3).toLongLong();
    QCOMPARE(Numbers::digits(net + otherToolBottles), view.bottles);
    const long double netValue = euros(m.captured(2)) - euros(m.captured(4));
    // Two sums rounded apart may differ in their last significant digit, never more.
    QVERIFY2(std::abs(netValue - view.value) <= 0.01L + 1e-15L * view.value,
             qPrintable(QStringLiteral("%1 / %2").arg(m.captured(2), m.captured(4))));
}

// One lot bought: the view, the printout and the history write its value as it was typed, the digits of the
// price times the bottles, never the binary expansion of a double.
void TestLot::amountsReadAsTyped_data() {
    QTest::addColumn<qint64>("bottles");
    QTest::addColumn<double>("price");
    QTest::addColumn<QString>("value");
    QTest::newRow("36,30") << qint64(3) << 12.1 << "36,30";
    QTest::newRow("an eighth rounds up") << qint64(1) << 0.125 << "0,13";
    QTest::newRow("10^21") << qint64(1234567) << 1e15 << "1 234 567 000 000 000 000 000,00";
    QTest::newRow("3·10^19 at 12,10")
        << qint64(3000000000000000000) << 12.1 << "36 300 000 000 000 000 000,00";
    QTest::newRow("2^63 bottles less one at 0,01")
        << std::numeric_limits<qint64>::max() << 0.01 << "92 233 720 368 547 758,07";
    QTest::newRow("2^53 + 1 bottles at 1 €") << qint64(9007199254740993) << 1.0 << "9 007 199 254 740 993,00";
    QTest::newRow("at the ceiling") << qint64(3) << 1e15 << "3 000 000 000 000 000,00";
}

void TestLot::amountsReadAsTyped() {
    QFETCH(qint64, bottles);
    QFETCH(double, price);
    QFETCH(QString, value);
    TestCellar cellar;
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Vin", "Bourgogne", 1996, "Rouge", bottles, price}));
    }
    const QString grouped = Numbers::grouped(value.remove(u' '));
    QCOMPARE(viewValue(cellar), grouped);
    QCOMPARE(printedValue(cellar), grouped);
    const QStringList history = historyTotals(cellar);
    QCOMPARE(history.value(0), Numbers::groupedDigits(bottles));
    QCOMPARE(history.value(1), grouped);
}

// Large and small products added in every order give the same sum, to the last bit, and taking a sum away
// again leaves exactly what was there.
void TestLot::exactSumsInAnyOrder() {
    const std::vector<std::pair<double, qint64>> terms = {
        {1e15, 1234567}, {0.1, 3},  {12.1, 3000000000000000000},
        {1e-30, 7},      {2.5, -4}, {1e300, 2},
        {1e300, -2},     {0.3, 1},  {1e308, 1}};
    std::vector<size_t> order(terms.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::optional<QByteArray> first;
    do {
        LotRules::ExactSum sum;
        for (const size_t i : order)
            sum.add(terms[i].first, terms[i].second);
        if (!first)
            first = sum.bytes();
        else if (sum.bytes() != *first)
            QFAIL("the order of the terms changed the sum");
    } while (std::next_permutation(order.begin(), order.begin() + 6));
    LotRules::ExactSum a, b;
    a.add(12.1, 3);
    b.add(1e15, 1234567);
    LotRules::ExactSum c = a;
    c += b;
    c -= b;
    QCOMPARE(c.bytes(), a.bytes());
    QCOMPARE(a.toDouble(), 36.3);
    // What a file holds that is no sum reads as nought.
    QCOMPARE(LotRules::ExactSum::fromBytes("douze").toDouble(), 0.0);
}

void TestLot::exactSumToTheCent_data() {
    QTest::addColumn<double>("price");
    QTest::addColumn<qint64>("bottles");
    QTest::addColumn<QString>("cents");
    QTest::newRow("a tenth, three times") << 0.1 << qint64(3) << "0.30";
    QTest::newRow("taken away") << -2.5 << qint64(4) << "-10.00";
    QTest::newRow("half a cent rounds away from nought") << 0.005 << qint64(1) << "0.01";
    QTest::newRow("and below it") << -0.005 << qint64(1) << "-0.01";
    QTest::newRow("a millionth's half") << 0.0000005 << qint64(10000) << "0.01";
    QTest::newRow("far below a cent") << 1e-30 << qint64(7) << "0.00";
    QTest::newRow("the least double") << 4.9e-324 << qint64(1) << "0.00";
    QTest::newRow("cents of a hundred thousand billions")
        << 123456789012345.67 << qint64(1) << "123456789012345.67";
    QTest::newRow("past 2^64 bottles' worth") << 9.2e18 << qint64(5) << "46000000000000000000.00";
    QTest::newRow("10^29 €") << 1e29 << qint64(2) << "200000000000000000000000000000.00";
    QTest::newRow("10^31 €: apart") << 1e31 << qint64(1) << "";
}

// The sum to the cent as typed, whatever the size of the price: text the windows write digit for digit.
void TestLot::exactSumToTheCent() {
    QFETCH(double, price);
    QFETCH(qint64, bottles);
    QFETCH(QString, cents);
    LotRules::ExactSum sum;
    sum.add(price, bottles);
    QCOMPARE(QString::fromLatin1(sum.centsText()), cents);
    // Back from the engine's aggregate, the same.
    QCOMPARE(LotRules::ExactSum::fromBytes(sum.bytes()).centsText(), sum.centsText());
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
