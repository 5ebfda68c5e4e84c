// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "printing/ApercuInventaire.h"
#include "printing/Impression.h"
#include "printing/InventoryReport.h"
#include "printing/ReportDefinition.h"
#include "support/TestCellar.h"
#include "ui/Numbers.h"

#include "printing/CellText.h"
#include "printing/PageView.h"
#include "printing/ReportLayout.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

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

// A figure as the report writes it: "_" stands for the narrow no-break space between groups of digits.
QString fr(QString figure) {
    return figure.replace(u'_', QChar(0x202F));
}

void copyDefinition(const TestCellar& cellar, const QByteArray& content = {}) {
    QFile::remove(cellar.folder() + "Orny01.dat");
    writeFile(cellar.folder() + "Orny01.dat", content.isEmpty() ? fileBytes(Delivered) : content);
}

// The text export of the cellar, as a list of lines.
QStringList textOf(TestCellar& cellar, const ReportDefinition& definition = delivered()) {
    DataLink link(cellar.databasePath());
    const auto read = InventoryReport::read(definition, link, QDate(2026, 12, 6));
    if (read.error)
        qFatal("%s", qPrintable(read.error->text()));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (InventoryReport::writeText(definition, read.plan, link, out))
        qFatal("text export failed");
    return QString::fromUtf8(out.data()).split('\n');
}

// The text of each page of a PDF, as pdftotext lays it out.
QStringList pdfPages(const QString& pdf) {
    QProcess tool;
    tool.start("pdftotext", {"-layout", pdf, "-"});
    tool.waitForFinished(60000);
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// A word of a PDF page and where it stands, in points from the page's top left corner.
struct Word {
    QString text;
    QRectF box;
};
using Line = QList<Word>;

// The words of each page, in lines from top to bottom, as pdftotext finds them.
QList<QList<Line>> pdfLines(const QString& pdf) {
    QProcess tool;
    tool.start("pdftotext", {"-bbox", pdf, "-"});
    tool.waitForFinished(120000);
    QList<QList<Line>> pages;
    static const QRegularExpression page("<page "),
        word("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
             "yMax=\"([\\d.]+)\">([^<]*)</word>");
    for (const QString& text : QString::fromUtf8(tool.readAllStandardOutput()).split(page).mid(1)) {
        // pdftotext gives the words in its own reading order: they are put back in lines by their height.
        QList<Word> words;
        for (const QRegularExpressionMatch& m : word.globalMatch(text))
            // Ligatures as the letters they join.
            words.append({m.captured(5)
                              .replace("&quot;", "\"")
                              .replace("&amp;", "&")
                              .normalized(QString::NormalizationForm_KC),
                          QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                 QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
        std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
            return std::abs(a.box.center().y() - b.box.center().y()) > 2
                       ? a.box.center().y() < b.box.center().y()
                       : a.box.left() < b.box.left();
        });
        QList<Line> lines;
        for (const Word& w : words) {
            if (lines.isEmpty() || std::abs(lines.last().first().box.center().y() - w.box.center().y()) > 2)
                lines.append(Line());
            lines.last().append(w);
        }
        pages << lines;
    }
    return pages;
}

QString joined(const Line& line) {
    QStringList words;
    for (const Word& w : line)
        words << w.text;
    return words.join(' ');
}

const Word* wordOf(const Line& line, const QString& text) {
    for (const Word& w : line)
        if (w.text == text)
            return &w;
    return nullptr;
}

// The sections of the outline the PDF offers its reader: title and page (from 1).
QList<QPair<QString, int>> pdfOutline(const QString& pdf) {
    QProcess tool;
    tool.start("pdftohtml", {"-xml", "-stdout", "-i", "-q", pdf});
    tool.waitForFinished(120000);
    QList<QPair<QString, int>> items;
    static const QRegularExpression item("<item page=\"(\\d+)\">([^<]*)</item>");
    for (const QRegularExpressionMatch& m : item.globalMatch(QString::fromUtf8(tool.readAllStandardOutput())))
        items.append({m.captured(2), m.captured(1).toInt()});
    return items;
}

// The words of a total of the text export, from its first line to the blank one after it: what is left of
// the figures' columns, or the whole line when the words have it to themselves.
QString totalWords(const QStringList& lines, qsizetype at) {
    const qsizetype room = lines.at(3).indexOf("Année") + 6;
    static const QRegularExpression letter("[a-z]");
    QStringList words;
    for (; at < lines.size() && !lines.at(at).isEmpty(); ++at)
        words << (lines.at(at).mid(room).contains(letter) ? lines.at(at) : lines.at(at).left(room))
                     .simplified();
    return words.join(' ').simplified();
}

// 41 lots: every colour section, a name with quotes, accents, lots without price.
void fillFortyOne(TestCellar& cellar) {
    fillCellar(cellar);
    for (int i = 1; i <= 34; ++i)
        cellar.addLot(QString("Cuvée %1").arg(i, 2, 10, QChar('0')), i % 2 ? "Bordeaux" : "Loire", 1990 + i,
                      i % 3 == 0   ? "Blanc"
                      : i % 3 == 1 ? "Rouge"
                                   : "Rosé",
                      i, i % 5 == 0 ? QVariant() : QVariant(i + 0.5));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void definitions_data();
    void definitions();
    void sectionTitlesStayShortWhateverTheValue();
    void memoryBoundedWhateverTheDefinition_data();
    void memoryBoundedWhateverTheDefinition();
    void titleCarriesTodaysDateWithFourDigitYear();
    void frenchWhateverTheSystemLocale_data();
    void frenchWhateverTheSystemLocale();
    void textOfAKnownCellar();
    void lotsWithoutColourHaveTheirSection();
    void controlCharactersPrintAsSpaces();
    void locationPrintedWhenTheDefinitionAsks();
    void pdfHoldsEveryLotInItsSection();
    void oneLayoutForScreenPrinterAndPdf();
    void headingsNeverEndAPage();
    void pagesReadAsAPrintedInventory_data();
    void pagesReadAsAPrintedInventory();
    void hostileValuesStayInTheirColumns();
    void longTextsWrapWithinTheirColumn_data();
    void longTextsWrapWithinTheirColumn();
    void cellsAlignCutAndKeepToOneLine();
    void totalsNeverOverflow();
    void previewByKeyboardAndDrawnLazily();
    void exportsWriteFilesWhereTheUserCan();
    void emptyCellar();
    void readsTheDatabaseWhereItNowIs();
    void failuresAreReported();
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
    QTest::newRow("bad rows") << QByteArray(R"({"lignes": "zebre", "colonnes": [{"champ": "NOM"}]})")
                              << "alternees";
    QByteArray many = R"({"colonnes": [)";
    for (int i = 0; i < 33000; ++i)
        many += QByteArray(i ? "," : "") + R"({"champ": "NOM"})";
    QTest::newRow("33,000 columns") << many + "]}"
                                    << "33000 colonnes, plus que les 32";
    QTest::newRow("sort by location")
        << QByteArray(R"({"tri": ["EMPLACEMENT"], "colonnes": [{"champ": "NOM"}]})")
        << "le tri ne peut porter sur EMPLACEMENT";
    QTest::newRow("minimal") << QByteArray(R"({"colonnes": [{"champ": "NOM"}]})") << "";
    // Every text has a ceiling, and the message says which text is too long.
    const auto grouped = [](const QByteArray& group) {
        return R"({"groupe": {"champ": "COULEUR", )" + group + R"(}, "colonnes": [{"champ": "NOM"}]})";
    };
    QTest::newRow("huge heading") << grouped(R"("entete": ")" + QByteArray(201, 'x') + '"')
                                  << "l'en-tête des sections a 201 caractères, au plus 200";
    QTest::newRow("120,000 placeholders")
        << grouped(R"("entete": ")" + QByteArray("{valeur}").repeated(120000) + '"')
        << "l'en-tête des sections a 960000 caractères, au plus 200";
    QTest::newRow("four placeholders") << grouped(R"("entete": ")" + QByteArray("{valeur}").repeated(4) + '"')
                                       << "l'en-tête des sections contient 4 fois {valeur}, au plus 3";
    QByteArray order = R"("ordre": [)";
    for (int i = 0; i < 33; ++i)
        order += (i ? ", \"" : "\"") + QByteArray::number(i) + '"';
    QTest::newRow("33 named sections") << grouped(order + ']') << "plus de 32 groupes nommés";
    QTest::newRow("long section title")
        << grouped(R"("titres": {"Rouge": ")" + QByteArray(300, 'r') + R"("})")
        << "le titre de la section « Rouge » a 300 caractères, au plus 200";
    QTest::newRow("long section value") << grouped(R"("ordre": [")" + QByteArray(201, 'r') + R"("])")
                                        << "une valeur de l'ordre des sections a 201 caractères";
    QTest::newRow("long caption") << QByteArray(R"({"colonnes": [{"champ": "NOM", "titre": ")" +
                                                QByteArray(5000, 'n') + R"("}]})")
                                  << "le titre de la colonne NOM a 5000 caractères, au plus 200";
    QTest::newRow("long font") << QByteArray(R"({"police": {"famille": ")" + QByteArray(201, 'f') +
                                             R"("}, "colonnes": [{"champ": "NOM"}]})")
                               << "la famille de police a 201 caractères";
    // A crafted name is quoted in the message only by its beginning.
    QTest::newRow("megabyte field name")
        << QByteArray(R"({"colonnes": [{"champ": ")" + QByteArray(1000000, 'Z') + R"("}]})")
        << "champ « " + QString(40, 'Z') + " […] » inconnu";
    QTest::newRow("binary junk") << QByteArray::fromRawData("\x00\xff\xfe{\x01\x80\"", 7)
                                 << "JSON invalide à la position";
    // A huge line the program does not read is no harm within the file's ceiling.
    QTest::newRow("huge line") << QByteArray(R"({"documentation": [")" + QByteArray(900000, 'd') +
                                             R"("], "colonnes": [{"champ": "NOM"}]})")
                               << "";
}

void TestPrinting::definitions() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QString why;
    const auto d = ReportDefinition::parse(json, why);
    QCOMPARE(d.has_value(), error.isEmpty());
    QVERIFY2(why.contains(error), qPrintable(why));
    QVERIFY2(why.size() < 200, qPrintable(why.left(300)));
    const ReportDefinition full = delivered();
    QCOMPARE(full.columns.size(), 7);
    QCOMPARE(full.groupField, std::optional(ReportField::Couleur));
    QCOMPARE(full.groupTitle("Rosé"), QString("Vins rosés"));
    QCOMPARE(full.groupTitle("Jaune"), QString("Jaune"));
    QCOMPARE(full.pageSize, QPageSize::A4);
}

void TestPrinting::sectionTitlesStayShortWhateverTheValue() {
    QString why;
    const auto d = ReportDefinition::parse(
        R"({"groupe": {"champ": "TYPE", "entete": "{valeur}, encore {valeur} et {valeur}"},
            "colonnes": [{"champ": "NOM"}]})",
        why);
    QVERIFY2(d, qPrintable(why));
    QCOMPARE(d->groupTitle("Loire"), QString("Loire, encore Loire et Loire"));
    // A value another program stored a megabyte long shows its beginning, marked as cut.
    const QString title = d->groupTitle(QString(1000000, u'é'));
    QCOMPARE(title, QString(100, u'é') + " […], encore " + QString(100, u'é') + " […] et " +
                        QString(100, u'é') + " […]");
}

void TestPrinting::memoryBoundedWhateverTheDefinition_data() {
    QTest::addColumn<QByteArray>("heading");
    QTest::addColumn<QString>("output");
    QTest::newRow("heading of 120,000 placeholders")
        << QByteArray("{valeur}").repeated(120000)
        << "n'est pas valable : l'en-tête des sections a 960000 caractères, au plus 200.";
    QTest::newRow("every ceiling reached")
        << QByteArray("{valeur} {valeur} {valeur} ") + QByteArray(200 - 27, 'h') << "pages";
}

void TestPrinting::memoryBoundedWhateverTheDefinition() {
    // Forty sections, one of them named by a megabyte-long colour another program stored, printed by a
    // process allowed 96 MB more than it uses before reading the definition: each section's heading
    // repeated in full would not fit.
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer reserves far more address space than any ceiling: checked in the plain build");
#endif
    QFETCH(QByteArray, heading);
    QFETCH(QString, output);
    TestCellar cellar;
    for (int i = 0; i < 39; ++i)
        cellar.addLot("Cuvée", "Bordeaux", 2000, QString("Couleur %1 ").arg(i) + QString(50, u'x'), 2, 5.0);
    cellar.addLot("Cuvée", "Bordeaux", 2000, QString(1000000, u'c'), 2, 5.0);
    copyDefinition(cellar, R"({"groupe": {"champ": "COULEUR", "entete": ")" + heading +
                               R"("}, "colonnes": [{"champ": "NOM"}, {"champ": "QUANTITE"}]})");
    QProcess worker;
    worker.start(QCoreApplication::applicationDirPath() + "/report_worker",
                 {cellar.folder() + "Orny01.dat", cellar.databasePath(), "96"});
    QVERIFY(worker.waitForFinished(120000));
    QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
    const QString said = QString::fromUtf8(worker.readAllStandardOutput());
    QVERIFY2(said.contains(output), qPrintable(said + worker.readAllStandardError()));
    if (worker.exitCode() != 0)
        QVERIFY(said.contains(QDir::toNativeSeparators(cellar.folder() + "Orny01.dat")));
}

void TestPrinting::titleCarriesTodaysDateWithFourDigitYear() {
    QCOMPARE(InventoryReport::title(QDate(2026, 12, 6)), QString("Inventaire de ma orny le 06/12/2026"));
}

void TestPrinting::frenchWhateverTheSystemLocale_data() {
    QTest::addColumn<QLocale>("system");
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("anglais") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("allemand") << QLocale(QLocale::German, QLocale::Germany);
}

void TestPrinting::frenchWhateverTheSystemLocale() {
    QFETCH(QLocale, system);
    TestCellar cellar;
    copyDefinition(cellar);
    fillCellar(cellar);
    cellar.addLot("Cuvée des millions", "Loire", 2001, "Blanc", 2, 1e15);
    QLocale::setDefault(system);
    const auto restore = qScopeGuard(useFrenchLocale);
    // The text export, dates and amounts as the rest of the program writes them.
    const QStringList lines = textOf(cellar);
    QCOMPARE(lines.at(0), QString("Inventaire de ma orny le 06/12/2026"));
    const QString text = lines.join('\n');
    for (const char* figure : {"1_234,57\u00A0€", "3_703,70\u00A0€", "1_000_000_000_000_000,00\u00A0€",
                               "2_000_000_000_000_000,00\u00A0€"})
        QVERIFY2(text.contains(fr(figure)), figure);
    QVERIFY(!text.contains(QRegularExpression("\\d\\.\\d\\d\u00A0€")));
    // The preview: its title, and its first page as printed.
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString today = QDate::currentDate().toString("dd/MM/yyyy");
    QCOMPARE(preview->windowTitle(), "Inventaire de ma orny le " + today);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QString page = pdfPages(pdf).value(0);
    QVERIFY2(page.contains("Inventaire du " + today), qPrintable(page));
    for (const char* figure : {"1 234,57 €", "3 703,70 €", "2 000 000 000 000 000,00 €"})
        QVERIFY2(page.contains(figure), qPrintable(page));
}

void TestPrinting::textOfAKnownCellar() {
    TestCellar cellar;
    fillCellar(cellar);
    const QStringList lines = textOf(cellar);
    QCOMPARE(lines.at(0), QString("Inventaire de ma orny le 06/12/2026"));
    QStringList headings, names, totals;
    bool inLots = false;
    for (const QString& line : lines) {
        if (line.startsWith("Vins ") || line == "Jaune")
            headings << line;
        else if (line.startsWith("Sous-total") || line.startsWith("Total général"))
            totals << line;
        if (line.startsWith("-"))
            inLots = true;
        else if (line.isEmpty() || line.startsWith("Sous-total"))
            inLots = false;
        else if (inLots)
            names << line.left(30).trimmed();
    }
    // Red, white and rosé first, then any other colour by its label.
    QCOMPARE(headings, QStringList({"Vins rouges", "Vins blancs", "Vins rosés", "Jaune"}));
    QCOMPARE(names, QStringList({"Château Margaux", "Château Margaux", "Échézeaux", "Clos \"Les Perrières\"",
                                 "Pouilly-Fumé", "Tavel", "L'Étoile"}));
    // The colour heads its section: no column repeats it.
    const QString header = lines.at(3);
    QVERIFY(!header.contains("Couleur"));
    // Totals: words in the first columns, then on the next line when they do not fit; bottles and value
    // under their columns, their last digit under the caption's last letter.
    const auto under = [&header](const QString& line, const QString& caption, const QString& figure) {
        const qsizetype end = header.indexOf(caption) + caption.size();
        return line.mid(0, end).endsWith(figure) && (line.size() == end || line.at(end) == u' ');
    };
    QVERIFY(totals.at(0).startsWith("Sous-total Vins rouges : 3 lots "));
    QVERIFY2(under(totals.at(0), "Bouteilles", "21") && under(totals.at(0), "Valeur", fr("3_937,70\u00A0€")),
             qPrintable(totals.at(0)));
    QCOMPARE(totalWords(lines, lines.indexOf(totals.at(1))),
             QString("Sous-total Vins blancs : 2 lots (dont 1 lot sans prix, non valorisé)"));
    // Words too long to stand beside the figures have their line, the figures the next.
    const QString figures = lines.at(lines.indexOf(totals.at(1)) + 1);
    QVERIFY(under(figures, "Bouteilles", "7") && under(figures, "Valeur", "45,00\u00A0€"));
    QVERIFY(totals.last().startsWith("Total général : 7 lots (dont 2 lots sans prix, non valorisés)"));
    QVERIFY(under(totals.last(), "Bouteilles", "41") &&
            under(totals.last(), "Valeur", fr("4_087,70\u00A0€")));
    // Columns line up: every value ends where its caption does; no price is shown as a dash.
    QVERIFY(under(lines.filter("Échézeaux").first(), "Prix unitaire", fr("1_234,57\u00A0€")));
    QVERIFY(under(lines.filter("Échézeaux").first(), "Valeur", fr("3_703,70\u00A0€")));
    QVERIFY(under(lines.filter("Pouilly-Fumé").first(), "Valeur", "—"));
    QVERIFY(under(lines.filter("Pouilly-Fumé").first(), "Bouteilles", "6"));
}

// A lot another program stored without a colour (missing, empty or blanks) is printed in a section of its
// own, after the colours, with its sub-total; a section none of whose lots has a price shows no value, as
// such a lot shows none, on the pages as in the text export.
void TestPrinting::lotsWithoutColourHaveTheirSection() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.exec("INSERT INTO ORNY VALUES ('Couleur nulle', 'Alsace', 2001, NULL, 2, 3)");
    cellar.exec("INSERT INTO ORNY VALUES ('Couleur vide', 'Alsace', 2002, '', 1, 4)");
    cellar.exec("INSERT INTO ORNY VALUES ('Couleur en blanc', 'Alsace', 2003, '  ', 1, NULL)");
    const QStringList lines = textOf(cellar);
    QStringList headings;
    for (const QString& line : lines)
        if (line.startsWith("Vins ") || line == "Jaune" || line.startsWith("Sans "))
            headings << line;
    QCOMPARE(headings, QStringList({"Vins rouges", "Vins blancs", "Vins rosés", "Jaune", "Sans couleur"}));
    const qsizetype without = lines.indexOf("Sans couleur");
    QCOMPARE(lines.mid(without + 3, 3).join('|').count("Couleur "), 3);
    const qsizetype subtotal = lines.indexOf(QRegularExpression("^Sous-total Sans couleur.*"));
    QCOMPARE(subtotal, without + 6);
    QCOMPARE(totalWords(lines, subtotal),
             QString("Sous-total Sans couleur : 3 lots (dont 1 lot sans prix, non valorisé)"));
    QVERIFY2(lines.at(subtotal + 1).contains(QRegularExpression("^\\s+4\\s+10,00\u00A0€$")),
             qPrintable(lines.at(subtotal + 1)));
    const QString jaune = lines.filter(QRegularExpression("^Sous-total Jaune")).join('|');
    QVERIFY2(jaune.contains(QRegularExpression("\\s1\\s+—$")), qPrintable(jaune));
    const QString all = lines.at(lines.indexOf(QRegularExpression("^Total général.*")) + 1);
    QVERIFY2(all.contains(QRegularExpression("\\s45\\s+" + fr("4_097,70\u00A0€") + "$")), qPrintable(all));

    copyDefinition(cellar);
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QStringList page = pdfPages(pdf).join('\n').split('\n');
    QCOMPARE(page.filter(QRegularExpression("^\\s*Sans couleur\\s*$")).size(), 1);
    QCOMPARE(page.filter(QRegularExpression("^\\s*Sous-total ")).size(), 5);
    const QString pageJaune = page.at(page.indexOf(QRegularExpression("^\\s*Sous-total Jaune.*")) + 1);
    QVERIFY2(pageJaune.contains(QRegularExpression("^\\s+1\\s+—\\s*$")), qPrintable(pageJaune));
}

// Texts another program stored with tabs, line breaks or escapes: the text export keeps one lot a line and
// writes them as spaces, as the pages do, so that a spreadsheet or a search reads the file's rows whole.
void TestPrinting::controlCharactersPrintAsSpaces() {
    TestCellar cellar;
    fillCellar(cellar);
    cellar.exec(
        "INSERT INTO ORNY VALUES ('Tab' || char(9) || 'et ligne' || char(10) || 'nouvelle' || char(13) || "
        "char(27) || '[31m', 'Als' || char(8232) || 'ace' || char(133), 2018, 'Blanc', 3, 7)");
    const QStringList lines = textOf(cellar);
    const QString all = lines.join('\n');
    for (const QChar c : all)
        QVERIFY2(c == u'\n' || (c.category() != QChar::Other_Control && c != QChar::LineSeparator),
                 qPrintable(QString::number(c.unicode(), 16)));
    const QStringList row = lines.filter("Tab et ligne nouvelle");
    QCOMPARE(row.size(), 1);
    QVERIFY2(row.front().contains(QRegularExpression(
                 "^Tab et ligne nouvelle  \\[31m +Als ace +2018 +3 +7,00\u00A0€ +21,00\u00A0€$")),
             qPrintable(row.front()));

    copyDefinition(cellar);
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QStringList page = pdfPages(pdf).join('\n').split('\n').filter("Tab et ligne");
    QCOMPARE(page.size(), 1);
    QVERIFY2(page.front().contains("2018"), qPrintable(page.front()));
}

void TestPrinting::locationPrintedWhenTheDefinitionAsks() {
    TestCellar cellar;
    QString why;
    const auto definition = ReportDefinition::parse(
        R"({"colonnes": [{"champ": "NOM", "largeur": 12}, {"champ": "EMPLACEMENT", "titre": "Emplacement", "largeur": 20}]})",
        why);
    QVERIFY2(definition, qPrintable(why));
    // A cellar no version with details has written to yet: the column is there, empty.
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 3, 12.1);
    QCOMPARE(textOf(cellar, *definition).filter("Tavel").first().simplified(), QString("Tavel —"));
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Margaux", "Bordeaux", 1998, "Rouge", 6, 80.0,
                                              LotDetails{{}, {}, "Casier 3, rangée B", {}, {}}}));
    }
    QCOMPARE(textOf(cellar, *definition).filter("Margaux").first().simplified(),
             QString("Margaux Casier 3, rangée B"));
}

void TestPrinting::pdfHoldsEveryLotInItsSection() {
    TestCellar cellar;
    copyDefinition(cellar);
    fillFortyOne(cellar);
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QString text = pdfPages(pdf).join('\n');
    // Every lot with its values on one line: name, type, vintage, bottles, price and value.
    for (const DbRow& lot :
         cellar.rows("SELECT NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE FROM ORNY")) {
        LotRules::ExactSum one;
        one.add(lot.at(5).toDouble(), 1);
        QString price = lot.at(5).isNull() ? QString("—") : InventoryReport::amount(one, Numbers::french());
        // The narrow no-break space between digits reads as a space.
        const QString line = text.split('\n').filter(lot.at(0).toString() + " ").join('|');
        price.replace(QChar(0x202F), u' ').replace(QChar(0xA0), u' ');
        QVERIFY2(line.contains(lot.at(1).toString()) && line.contains(lot.at(2).toString()) &&
                     line.contains(price) &&
                     line.contains(QRegularExpression("\\s" + lot.at(4).toString() + "(\\s|$)")),
                 qPrintable(lot.at(0).toString() + " → " + line));
    }
    // One section a colour, in order, each with its subtotal.
    QCOMPARE(text.split('\n').filter(QRegularExpression("^\\s*Vins rouges\\s*$")).size(), 1);
    QVERIFY(text.indexOf("Vins rouges") < text.indexOf("Vins blancs"));
    QVERIFY(text.indexOf("Vins blancs") < text.indexOf("Vins rosés"));
    QVERIFY(text.indexOf("Vins rosés") < text.indexOf("Jaune"));
    QCOMPARE(text.count("Sous-total"), 4);
    // The white wines: Clos (1 at 45 €), Pouilly-Fumé (6, no price) and the Cuvées 3, 6 … 33 (i bottles at
    // i,50 €, 15 and 30 without price), worked out by hand.
    const QStringList lines = text.split('\n');
    const qsizetype at = lines.indexOf(QRegularExpression("^Sous-total Vins blancs.*"));
    QVERIFY(at > 0);
    const QRegularExpression figures("\\s+205\\s+3 550,50 €$");
    QVERIFY2(lines.at(at + 1).contains(figures), qPrintable(lines.at(at + 1)));
    QCOMPARE(lines.at(at).simplified(),
             QString("Sous-total Vins blancs : 13 lots (dont 3 lots sans prix, non valorisés)"));
    // Nothing cut: no name, no figure, no total.
    QVERIFY(!text.contains("…"));
    QVERIFY(text.contains("Inventaire du " + QDate::currentDate().toString("dd/MM/yyyy")));
    QVERIFY(text.contains("Total général"));
    // The pages, as pictures, for whoever reads this test's output folder.
    QProcess::execute("pdftoppm", {"-r", "60", "-png", pdf, cellar.folder() + "page"});
    QVERIFY(QFile::exists(cellar.folder() + "page-1.png"));
}

void TestPrinting::oneLayoutForScreenPrinterAndPdf() {
    TestCellar cellar;
    copyDefinition(cellar);
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                "INSERT INTO ORNY SELECT 'Vin ' || substr('000' || i, -3), 'Type', 2000, "
                "CASE WHEN i < 150 THEN 'Rouge' ELSE 'Blanc' END, 1, 2.5 FROM n");
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QStringList pages = pdfPages(pdf);
    const ReportLayout& layout = preview->layout();
    QCOMPARE(pages.size(), layout.pageCount());
    QVERIFY(layout.pageCount() >= 6);
    for (int page = 0; page < layout.pageCount(); ++page) {
        const QString& text = pages.at(page);
        // Each page repeats the title and the headings, and ends with its number.
        QVERIFY2(text.contains("Inventaire de ma orny le") && text.contains("Prix unitaire"),
                 qPrintable(text));
        QVERIFY(text.contains(QString("Page %1 / %2").arg(page + 1).arg(layout.pageCount())));
        // The first lot the layout puts on the page is the first one the PDF shows.
        const auto [first, count] = layout.lotsOf(page);
        if (count == 0)
            continue;
        const QString name = QString("Vin %1").arg(first + 1, 3, 10, QChar('0'));
        const QString firstLot =
            text.split('\n').filter(QRegularExpression("^\\s*Vin \\d{3}")).value(0).trimmed();
        QVERIFY2(firstLot.startsWith(name),
                 qPrintable(QString("page %1: %2, expected %3").arg(page + 1).arg(firstLot, name)));
    }
    // A section that goes on over a page says so.
    QVERIFY(pages.join('\n').contains("Vins rouges (suite)"));
}

void TestPrinting::headingsNeverEndAPage() {
    // Sections that begin at every place near the end of a page: a heading always has its first lot below it.
    for (int reds = 40; reds <= 64; ++reds) {
        TestCellar cellar;
        copyDefinition(cellar);
        cellar.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                            "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000, 'Rouge', 1, 2.5 FROM n; "
                            "INSERT INTO ORNY VALUES ('Seul', 'Type', 2000, 'Blanc', 1, 2.5);")
                        .arg(reds));
        const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
        QVERIFY(preview->exportPdf(cellar.folder() + "x.pdf"));
        for (const QString& page : pdfPages(cellar.folder() + "x.pdf")) {
            QStringList lines;
            for (const QString& line : page.split('\n'))
                if (!line.trimmed().isEmpty() && !line.contains("Inventaire du"))
                    lines << line.trimmed();
            QVERIFY2(!lines.last().startsWith("Vins blancs"), qPrintable(QString::number(reds)));
            // A section going on over a page brings at least one of its lots, never its subtotal alone.
            const qsizetype suite = lines.indexOf(QRegularExpression(".*\\(suite\\)$"));
            if (suite >= 0)
                QVERIFY2(lines.value(suite + 1).startsWith("Vin "), qPrintable(QString::number(reds)));
            if (page.contains("Vins blancs") && !page.contains("Vins blancs (suite)"))
                QVERIFY(page.contains("Seul"));
        }
    }
}

void TestPrinting::pagesReadAsAPrintedInventory_data() {
    QTest::addColumn<int>("lots");
    QTest::newRow("12 lots") << 12;
    QTest::newRow("300 lots") << 300;
}

// Checked on the PDF as a reader sees it: its words, where they stand, its pictures and its outline.
void TestPrinting::pagesReadAsAPrintedInventory() {
    QFETCH(int, lots);
    TestCellar cellar;
    copyDefinition(cellar);
    // Sections of every size, a colour no title names, dear lots, lots without a price.
    cellar.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                        "INSERT INTO ORNY SELECT 'Vin ' || substr('000' || i, -3), 'Type ' || (i % 7), "
                        "1990 + i % 30, CASE WHEN i <= %1 / 2 THEN 'Rouge' WHEN i <= %1 - 4 THEN 'Blanc' "
                        "WHEN i <= %1 - 2 THEN 'Rosé' WHEN i = %1 - 1 THEN 'Effervescent' ELSE 'Jaune' END, "
                        "i * 37, CASE WHEN i % 9 = 0 THEN NULL ELSE i * 1234.5 END FROM n")
                    .arg(lots));
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    const QList<QList<Line>> pages = pdfLines(pdf);
    QFile::remove("/tmp/p12.pdf");
    QFile::copy(pdf, "/tmp/p12.pdf");
    QCOMPARE(pages.size(), preview->layout().pageCount());
    const QStringList sections{"Vins rouges", "Vins blancs", "Vins rosés", "Effervescent", "Jaune"};
    QList<QPair<QString, int>> starts;
    QString previous;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const QList<Line>& page = pages.at(p);
        // Title, captions, then the body down to the footer.
        qsizetype header = 0;
        while (header < page.size() && !wordOf(page.at(header), "Valeur"))
            ++header;
        QVERIFY(header < page.size());
        const Word valeur = *wordOf(page.at(header), "Valeur");
        const Word bouteilles = *wordOf(page.at(header), "Bouteilles");
        QVERIFY(!wordOf(page.at(header), "Couleur"));
        QList<Line> body = page.mid(header + 1);
        QVERIFY(joined(body.last()).startsWith("Inventaire du"));
        const double footer = body.takeLast().first().box.top();
        const auto isHeading = [&](const Line& line) {
            return sections.contains(joined(line).remove(" (suite)"));
        };
        const auto isLot = [](const Line& line) { return line.first().text == "Vin"; };
        for (qsizetype l = 0; l < body.size(); ++l) {
            const QString text = joined(body.at(l));
            QVERIFY2(!text.contains("…"), qPrintable(text));
            if (isHeading(body.at(l))) {
                // A heading never ends a page; a section opens with two lots (or its only one), a page
                // going on with one never opens on its subtotal.
                QVERIFY2(l + 1 < body.size() && isLot(body.at(l + 1)),
                         qPrintable(QString("page %1").arg(p + 1)));
                if (!text.endsWith("(suite)")) {
                    starts.append({text, static_cast<int>(p + 1)});
                    QVERIFY(l + 2 < body.size());
                    QVERIFY(isLot(body.at(l + 2)) || joined(body.at(l + 2)).startsWith("Sous-total"));
                } else {
                    QCOMPARE(text, previous + " (suite)");
                }
                previous = QString(text).remove(" (suite)");
            }
            if (text.startsWith("Sous-total") || text.startsWith("Total général")) {
                // The figures under their columns, flush with their captions, never cut; on the line below
                // words too long to stand beside them, never broken for want of room.
                const bool apart = !text.endsWith("€");
                QVERIFY2(!apart || (l + 1 < body.size() && joined(body.at(l + 1)).endsWith("€")),
                         qPrintable(text));
                const Line& line = body.at(apart ? l + 1 : l);
                QVERIFY2(std::abs(line.last().box.right() - valeur.box.right()) < 1 &&
                             line.last().text == "€",
                         qPrintable(text));
                const auto bottles = std::find_if(line.crbegin(), line.crend(), [&](const Word& w) {
                    return w.box.left() > bouteilles.box.left() - 30 &&
                           w.box.right() <= bouteilles.box.right() + 1;
                });
                QVERIFY2(bottles != line.crend() &&
                             std::abs(bottles->box.right() - bouteilles.box.right()) < 1,
                         qPrintable(text));
            }
            if (isLot(body.at(l)) && !wordOf(body.at(l), "—"))
                QVERIFY2(std::abs(body.at(l).last().box.right() - valeur.box.right()) < 1, qPrintable(text));
        }
        // Shading and rules stop at the last column; each section starts unshaded.
        const QString picture = cellar.folder() + QString("page-%1").arg(p + 1);
        QProcess::execute("pdftoppm", {"-r", "72", "-f", QString::number(p + 1), "-l", QString::number(p + 1),
                                       "-singlefile", "-png", pdf, picture});
        const QImage image(picture + ".png");
        QVERIFY(!image.isNull());
        for (int y = static_cast<int>(valeur.box.bottom()) + 1; y < footer - 1; ++y)
            for (int x = static_cast<int>(valeur.box.right()) + 2; x < image.width(); ++x)
                QVERIFY2(qGray(image.pixel(x, y)) > 250,
                         qPrintable(QString("ink at %1,%2 page %3").arg(x).arg(y).arg(p + 1)));
        const Word type = *wordOf(page.at(header), "Type");
        const auto shade = [&](const Line& line) {
            return qGray(image.pixel(static_cast<int>(type.box.left()) - 3,
                                     static_cast<int>(line.first().box.center().y())));
        };
        for (qsizetype l = 0; l + 2 < body.size(); ++l)
            if (isHeading(body.at(l)) && !joined(body.at(l)).endsWith("(suite)") && isLot(body.at(l + 2))) {
                QVERIFY(shade(body.at(l + 1)) > 250);
                QVERIFY(shade(body.at(l + 2)) < 248);
            }
    }
    QCOMPARE(starts.size(), sections.size());
    // The outline leads to each section where it starts, then to the grand total on the last page.
    QList<QPair<QString, int>> expected = starts;
    expected.append({"Total général", static_cast<int>(pages.size())});
    QCOMPARE(pdfOutline(pdf), expected);
}

void TestPrinting::hostileValuesStayInTheirColumns() {
    TestCellar cellar;
    copyDefinition(cellar);
    const QString longType(32767, u't');
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 101) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000, 'Rouge', 1, 2.5 FROM n");
    cellar.exec("UPDATE ORNY SET TYPE = ?1 WHERE NOM = 'Vin 1'", {longType});
    cellar.exec("UPDATE ORNY SET NOM = ?1 WHERE NOM = 'Vin 2'", {QString(10 * 1024 * 1024, u'n')});
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    QCOMPARE(preview->layout().pageCount(), 3);
    const QStringList lines = textOf(cellar);
    const int width = static_cast<int>(lines.at(3).size());
    for (const QString& line : lines.mid(4))
        QVERIFY(line.size() <= width);
    // Past the few lines a lot may take, a text no one would type ends in "…".
    QCOMPARE(lines.filter("tttt").size(), InventoryReport::MostLines);
    QVERIFY(lines.filter("tttt").last().contains("ttt…"));
    QCOMPARE(lines.filter("nnnn").size(), InventoryReport::MostLines);
    QCOMPARE(lines.filter("nnnnn…").size(), 1);
}

void TestPrinting::longTextsWrapWithinTheirColumn_data() {
    QTest::addColumn<double>("price");
    QTest::newRow("usual prices") << 25.0;
    QTest::newRow("a lot at 1e308 €") << 1e308;
}

// Names alike but for their end stay two wines, on the pages and in the text export: a text longer than its
// column goes on the lot's next lines. An absurd price another program wrote takes more lines of its own
// column, not the room of the others.
void TestPrinting::longTextsWrapWithinTheirColumn() {
    QFETCH(double, price);
    TestCellar cellar;
    copyDefinition(cellar);
    const QString stem = "Domaine de la Romanée des Coteaux du Vieux Moulin, Cuvée ";
    const QString type = "Bourgogne Hautes-Côtes de Nuits Villages";
    cellar.addLot(stem + "Spéciale", type, 2015, "Rouge", 6, 25.0);
    cellar.addLot(stem + "Prestige", type, 2015, "Rouge", 6, price);
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    for (const QString& text : {textOf(cellar).join('\n'), pdfPages(pdf).join('\n')}) {
        QVERIFY2(!text.contains("…"), qPrintable(text));
        QCOMPARE(text.count("Spéciale"), 1);
        QCOMPARE(text.count("Prestige"), 1);
        QCOMPARE(text.count("Nuits"), 2);
        QVERIFY2(text.contains("Domaine de la Romanée des") && text.contains(" Hautes-Côtes de"),
                 qPrintable(text));
        QVERIFY(text.contains("Total général : 2 lots"));
    }
}

namespace {

// The columns and rows of an image that hold ink: left, right, top, bottom; all -1 on a blank image.
QList<int> inkBounds(const QImage& image) {
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QList<int>{-1, -1, -1, -1} : QList<int>{left, right, top, bottom};
}

QList<int> drawnCell(CellText& cells, const QFont& font, Qt::Alignment alignment, const QString& text) {
    QImage image(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    cells.draw(painter, font, QRectF(50, 10, 300, 40), alignment, text);
    painter.end();
    return inkBounds(image);
}

} // namespace

void TestPrinting::cellsAlignCutAndKeepToOneLine() {
    QFont font;
    font.setPixelSize(20);
    CellText cells;
    const QList<int> left = drawnCell(cells, font, Qt::AlignLeft, "1998");
    const QList<int> right = drawnCell(cells, font, Qt::AlignRight, "1998");
    const QList<int> centre = drawnCell(cells, font, Qt::AlignHCenter, "1998");
    // Inside the box, against the side asked, centred between them; the same twice (kept or not).
    QVERIFY(left[0] >= 50 && left[0] < 56);
    QVERIFY(right[1] <= 350 && right[1] > 343);
    QVERIFY(std::abs((centre[0] + centre[1]) - 400) <= 3);
    QCOMPARE(drawnCell(cells, font, Qt::AlignRight, "1998"), right);
    // Centred in the box's height.
    QVERIFY(std::abs((left[2] + left[3]) - 60) <= 6);
    // Too long: cut to the box, its end drawn as "…"; a line break is a space, never a second line.
    const QList<int> cut = drawnCell(cells, font, Qt::AlignLeft, QString(200, u'M'));
    QVERIFY(cut[0] >= 50 && cut[1] <= 350 && cut[1] > 300);
    const QList<int> broken = drawnCell(cells, font, Qt::AlignLeft, "Clos\nVougeot\tGrand cru");
    QVERIFY(broken[3] - broken[2] < 30);
    QVERIFY(broken[1] > drawnCell(cells, font, Qt::AlignLeft, "Clos")[1] + 60);
    QCOMPARE(drawnCell(cells, font, Qt::AlignLeft, ""), QList<int>({-1, -1, -1, -1}));
}

void TestPrinting::totalsNeverOverflow() {
    TestCellar cellar;
    cellar.exec("INSERT INTO ORNY VALUES ('Énorme', 'Type', 2000, 'Rouge', 9223372036854775807, NULL)");
    cellar.exec("INSERT INTO ORNY VALUES ('Énorme', 'Type', 2000, 'Rouge', 9223372036854775807, NULL)");
    cellar.exec("INSERT INTO ORNY VALUES ('Négatif', 'Type', 2000, 'Rouge', -5, 2)");
    cellar.exec("INSERT INTO ORNY VALUES ('Demi', 'Type', 2000, 'Rouge', 2.5, 2)");
    cellar.exec("INSERT INTO ORNY VALUES ('Cher', 'Type', 2000, 'Rouge', 9223372036854775807, 1e15)");
    cellar.exec("INSERT INTO ORNY VALUES ('Cher', 'Type', 2000, 'Rouge', 9223372036854775807, 1e15)");
    const QStringList lines = textOf(cellar);
    const qsizetype at = lines.indexOf(lines.filter("Total général").first());
    // The words on lines of their own, then the figures in full under their columns, grouped by three,
    // their digits going on over the next lines rather than widening every line of the inventory.
    QCOMPARE(
        totalWords(lines, at),
        QString("Total général : 6 lots (dont 2 lots sans prix, non valorisés) (et 2 lots dont la quantité "
                "ou le prix est hors normes, non comptés)"));
    QList<std::pair<qsizetype, qsizetype>> columns;
    for (const QRegularExpressionMatch& m : QRegularExpression("-+").globalMatch(lines.at(4)))
        columns.append({m.capturedStart(), m.capturedLength()});
    QCOMPARE(columns.size(), 6);
    QStringList bottles, value;
    for (qsizetype l = at; l < lines.size() && !lines.at(l).isEmpty(); ++l) {
        QVERIFY(lines.at(l).size() <= lines.at(4).size());
        if (lines.at(l).startsWith(' ')) {
            bottles << lines.at(l).mid(columns.at(3).first, columns.at(3).second).trimmed();
            value << lines.at(l).mid(columns.at(5).first, columns.at(5).second).trimmed();
        }
    }
    bottles.removeAll({});
    QCOMPARE(bottles.join(QChar(0x202F)), fr("36_893_488_147_419_103_228"));
    QCOMPARE(value.join(QChar(0x202F)), fr("18_446_744_073_709_551_614_000_000_000_000_000,00\u00A0€"));
    // Those lots are shown as they stand.
    QVERIFY(lines.filter("Demi").first().contains("2,5"));
    QVERIFY(lines.filter("Négatif").first().contains("-5"));
}

void TestPrinting::previewByKeyboardAndDrawnLazily() {
    TestCellar cellar;
    copyDefinition(cellar);
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000, 'Rouge', 1, 2.5 FROM n");
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    preview->show();
    QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
    PageView* pages = preview->pages();
    QVERIFY(preview->layout().pageCount() > 80);
    // Only what is on screen was drawn.
    QTRY_VERIFY(pages->pagesDrawn() > 0);
    QVERIFY(pages->pagesDrawn() <= 3);
    auto* where = preview->findChild<QLabel*>("PageCourante");
    QCOMPARE(where->text(), QString("Page 1 / %1").arg(preview->layout().pageCount()));
    const int count = preview->layout().pageCount();
    pages->setFocus();
    QTest::keyClick(pages, Qt::Key_PageDown);
    QTest::keyClick(pages, Qt::Key_PageDown);
    QCOMPARE(where->text(), QString("Page 3 / %1").arg(count));
    QTest::keyClick(pages, Qt::Key_End);
    QCOMPARE(pages->currentPage(), count - 1);
    QVERIFY(pages->pagesDrawn() <= 8);
    // The same keys wherever the focus is, but in the page number; Ctrl+G then a number goes there.
    auto* fermer = preview->findChild<QPushButton*>("Fermer");
    fermer->setFocus();
    QTest::keyClick(fermer, Qt::Key_Home);
    QCOMPARE(pages->currentPage(), 0);
    QTest::keyClick(fermer, Qt::Key_PageDown);
    QCOMPARE(pages->currentPage(), 1);
    QTest::keyClick(fermer, Qt::Key_PageUp);
    QTest::keyClick(fermer, Qt::Key_PageUp);
    QCOMPARE(pages->currentPage(), 0);
    QTest::keyClick(preview.get(), Qt::Key_G, Qt::ControlModifier);
    QWidget* number = QApplication::focusWidget();
    QVERIFY(number && number->objectName() == "AllerPage");
    QTest::keyClicks(number, "40");
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(pages->currentPage(), 39);
    QCOMPARE(where->text(), QString("Page 40 / %1").arg(count));
    QCOMPARE(QApplication::focusWidget(), pages);
    QTest::keyClick(pages, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(pages->currentPage(), count - 1);
    pressAccessKey(preview.get(), Qt::Key_A);
    QCOMPARE(QApplication::focusWidget(), number);
    QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(number, "77");
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(pages->currentPage(), 76);
    // « Page entière » shows a page whole, within the screen.
    pressAccessKey(preview.get(), Qt::Key_E);
    QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(preview->frameGeometry()));
    QTest::keyClick(pages, Qt::Key_Home);
    const QImage shown = pages->viewport()->grab().toImage();
    const QList<int> ink = inkBounds(shown);
    QVERIFY2(ink[3] < shown.height() - 4, "the foot of the page is cut");
    QVERIFY(ink[0] > 4 && ink[2] > 4);
    // Every button takes the Tab key and its access letter.
    QStringList chain;
    QWidget* w = pages;
    for (int i = 0; i < 8; ++i) {
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
            w = w->nextInFocusChain();
        chain << w->objectName();
    }
    for (const char* name :
         {"Imprimer", "ExporterPdf", "ExporterTexte", "PageEntiere", "LargeurPage", "Fermer"})
        QVERIFY2(chain.contains(name), qPrintable(chain.join(',')));
    cellar.services.inputs.queueText(cellar.folder() + "clavier.txt");
    pressAccessKey(preview.get(), Qt::Key_T);
    QVERIFY(QFile::exists(cellar.folder() + "clavier.txt"));
    pressAccessKey(preview.get(), Qt::Key_P);
    QCOMPARE(cellar.services.inputs.asked().size(), 2);
    QVERIFY(preview->isVisible());
    QTest::keyClick(preview.get(), Qt::Key_Escape);
    QVERIFY(!preview->isVisible());
}

void TestPrinting::exportsWriteFilesWhereTheUserCan() {
    TestCellar cellar;
    copyDefinition(cellar);
    cellar.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type', 2000, 'Rouge', 1, 2.5 FROM n");
    const auto preview = Impression::prepare(cellar.globals, cellar.services, nullptr);
    QVERIFY(preview);
    // Proposed in the documents folder, under the inventory's own name; then where the user last saved.
    cellar.services.inputs.queueText(cellar.folder() + "Inventaire de ma orny.txt");
    preview->ExporterTexte_Click();
    QCOMPARE(cellar.services.inputs.asked().last().prompt,
             QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                 .filePath("Inventaire de ma orny.txt"));
    // The PDF's name carries its day, as the print dialog's.
    preview->ExporterPdf_Click();
    QCOMPARE(cellar.services.inputs.asked().last().prompt, cellar.folder() + "Inventaire de ma orny " +
                                                               QDate::currentDate().toString(Qt::ISODate) +
                                                               ".pdf");
    QCOMPARE(fileBytes(cellar.folder() + "Inventaire de ma orny.txt").split('\n').first(),
             InventoryReport::title(QDate::currentDate()).toUtf8());
    const QString pdf = cellar.folder() + "inventaire.pdf";
    QVERIFY(preview->exportPdf(pdf));
    QVERIFY(fileBytes(pdf).startsWith("%PDF"));
    QCOMPARE(pdfPages(pdf).size(), preview->layout().pageCount());
    // Failures and a cancel leave no file and say so.
    QVERIFY(!preview->exportText("/proc/Inventaire de ma orny.txt"));
    QVERIFY(cellar.lastMessage().text.contains("n'a pas pu être écrit"));
    QVERIFY(!preview->exportPdf("/proc/inventaire.pdf"));
    cellar.services.progress.cancelAfter(1);
    QVERIFY(!preview->exportPdf(cellar.folder() + "annule.pdf"));
    QVERIFY(!QFile::exists(cellar.folder() + "annule.pdf"));
    QCOMPARE(cellar.lastMessage().text, QString("L'export a été annulé : aucun fichier n'a été écrit."));
}

void TestPrinting::emptyCellar() {
    TestCellar cellar;
    const QString text = textOf(cellar).join('\n');
    QVERIFY(text.contains("La cave est vide."));
    QVERIFY(text.contains(QRegularExpression("Total général : 0 lot +0 +0,00\u00A0€")));
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
    QVERIFY(preview->exportText(cellar.folder() + "inventaire.txt"));
    QVERIFY(fileBytes(cellar.folder() + "inventaire.txt").contains("Seulement ici"));
    QCOMPARE(preview->windowTitle(), InventoryReport::title(QDate::currentDate()));
    QCOMPARE(preview->pos(), QPoint(0, 0));
    QVERIFY(preview->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(preview->windowFlags() & Qt::WindowMinimizeButtonHint));
}

void TestPrinting::failuresAreReported() {
    TestCellar cellar;
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("introuvable"));
    // A pipe in the definition's place is refused at once, never waited on.
    QVERIFY(mkfifo(QFile::encodeName(cellar.folder() + "Orny01.dat").constData(), 0600) == 0);
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("introuvable ou illisible"));
    copyDefinition(cellar, "{ pas du JSON");
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("n'est pas valable"));
    // Columns wider, in all, than the page.
    copyDefinition(cellar,
                   R"({"colonnes": [{"champ": "NOM", "largeur": 200}, {"champ": "TYPE", "largeur": 200}]})");
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY2(cellar.lastMessage().text.contains("plus que les"), qPrintable(cellar.lastMessage().text));
    copyDefinition(cellar);
    QFile::remove(cellar.databasePath());
    QVERIFY(!Impression::prepare(cellar.globals, cellar.services, nullptr));
    QVERIFY(cellar.lastMessage().text.contains("La base de données"));
    QCOMPARE(cellar.messageCount(), 5);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
