// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarSchema.h"
#include "database/Journal.h"
#include "shell/Principale.h"
#include "spreadsheet/CsvSheet.h"
#include "spreadsheet/FrenchValues.h"
#include "spreadsheet/ImporterTableau.h"
#include "spreadsheet/SheetImport.h"
#include "spreadsheet/XlsxSheet.h"
#include "support/TestCellar.h"
#include "view/Visualisation.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QtEndian>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <sys/stat.h>

using LotReading::Field;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(BROVANE_TEST_DATA "/spreadsheet/") + QString::fromUtf8(name);
}

// A zip of the given parts, as a spreadsheet archive holds them.
void writeZip(const QString& path, const QList<std::pair<QString, std::function<void(QIODevice&)>>>& parts) {
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto& [name, write] : parts) {
        QuaZipFile part(&zip);
        QVERIFY(part.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        write(part);
        part.close();
    }
    zip.close();
}

std::function<void(QIODevice&)> bytes(const QByteArray& content) {
    return [content](QIODevice& out) { out.write(content); };
}

const QByteArray OdsStart = "<?xml version=\"1.0\"?><office:document-content "
                            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                            "<office:spreadsheet><table:table table:name=\"Cave\">";
const QByteArray OdsEnd = "</table:table></office:spreadsheet></office:body></office:document-content>";

// A workbook of one sheet « Cave » holding these rows.
void writeXlsx(const QString& path, const QByteArray& rows) {
    writeZip(
        path,
        {{"xl/workbook.xml",
          bytes("<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<sheets><sheet name=\"Cave\" r:id=\"rId1\"/></sheets></workbook>")},
         {"xl/_rels/workbook.xml.rels",
          bytes("<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                "</Relationships>")},
         {"xl/worksheets/sheet1.xml", bytes("<worksheet><sheetData>" + rows + "</sheetData></worksheet>")}});
}

// The file's reader, or null with why in `problem`.
std::unique_ptr<SheetReader> opened(const QString& path, QString& problem) {
    OpenedSheet sheet = openSheet(path);
    if (!sheet.ok())
        problem = sheet.failure().message;
    return sheet.ok() && sheet.value() ? std::move(*sheet.value()) : nullptr;
}

// An .ods of one table « Cave » holding these rows.
void writeOds(const QString& path, const QByteArray& rows) {
    writeZip(path, {{"content.xml", bytes(OdsStart + rows + OdsEnd)}});
}

// Each row the file's first sheet hands over, with where the reading then stood in thousandths.
struct ReadRow {
    QVariantList cells;
    qint64 thousandths = 0;
};
QList<ReadRow> rowsOf(const QString& path) {
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(path, problem);
    QList<ReadRow> rows; // none when the file cannot be read
    if (reader && reader->read(0, [&rows](qint64, const QVariantList& cells, qint64 done, qint64 total) {
            rows.append({cells, done * 1000 / std::max<qint64>(total, 1)});
            return true;
        }))
        return {};
    return rows;
}

// The first rows of a sheet; none when it cannot be read.
SheetImport::Sample sampleOf(SheetReader& reader, int sheet, int rows) {
    const Result<Cancellable<SheetImport::Sample>> sample = SheetImport::sample(reader, sheet, true, rows);
    return sample.ok() && sample.value() ? *sample.value() : SheetImport::Sample();
}

// The review of a whole sheet; empty, with why in `problem`, when it cannot be read.
SheetImport::Review reviewOf(SheetReader& reader, const SheetImport::Settings& settings, QString& problem) {
    const Result<Cancellable<SheetImport::Review>> review = SheetImport::review(reader, settings);
    if (!review.ok())
        problem = review.failure().message;
    return review.ok() && review.value() ? *review.value() : SheetImport::Review();
}

// The lots an import added; -1 when it wrote nothing.
qint64 added(const Result<Cancellable<qint64>, SheetImport::Unwritten>& run) {
    return run.ok() && run.value() ? *run.value() : -1;
}

SheetImport::Settings proposed(SheetReader& reader, int sheet = 0) {
    SheetImport::Settings settings;
    settings.sheet = sheet;
    settings.mapping = LotReading::propose(sampleOf(reader, sheet, 5).headings);
    settings.currentYear = 2026;
    for (const QString& written : {QStringLiteral("Sparkling")})
        settings.colours.insert(written, LotReading::proposeColour(written, CellarSchema::DefaultColours));
    return settings;
}

// The details of every lot, "LOT|BOIRE_DES|BOIRE_JUSQUA|EMPLACEMENT|NOTE|APPRECIATION".
QStringList details(TestCellar& cellar) {
    QStringList out;
    for (const DbRow& row :
         cellar.rows("SELECT o.NOM, BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION "
                     "FROM DETAIL d JOIN ORNY o ON o.rowid = d.LOT ORDER BY d.LOT")) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << fields.join(u'|');
    }
    return out;
}

qint64 statusKb(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<int>(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

ImporterTableau* openedWith(std::unique_ptr<ImporterTableau>& window, TestCellar& cellar,
                            const QString& path) {
    window = std::make_unique<ImporterTableau>(cellar.globals, cellar.services);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the import window did not become active");
    auto* field = window->findChild<QLineEdit*>("CheminTableau");
    typeOver(field, path);
    QTest::keyClick(field, Qt::Key_Return);
    return window.get();
}

// Chooses in a list by keys. The offscreen platform sometimes leaves the closed list's popup active, where
// a desktop gives the activation back to the window: the window's access keys must reach it again.
void choose(QWidget* window, QComboBox* list, const QString& entry) {
    chooseInList(list, entry);
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
}

// A text table holding `content`, as the reader finds and reads it.
struct CsvRead {
    QByteArray encoding;
    QChar separator;
    QList<QVariantList> rows;
    QString problem;
};
CsvRead readCsv(const QByteArray& content) {
    CsvRead read;
    QTemporaryDir dir;
    const QString path = dir.filePath("tableau.csv");
    writeFile(path, content);
    const Result<std::unique_ptr<CsvSheet>> sheet = CsvSheet::open(path);
    if (!sheet.ok()) {
        read.problem = sheet.failure().message;
        return read;
    }
    read.encoding = sheet.value()->encoding();
    read.separator = sheet.value()->separator();
    if (const Status failed =
            sheet.value()->read(0, [&read](qint64, const QVariantList& cells, qint64, qint64) {
                read.rows << cells;
                return true;
            }))
        read.problem = failed->message;
    return read;
}

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void valuesAsAFrenchUserMeansThem_data();
    void valuesAsAFrenchUserMeansThem();
    void drinkingWindows_data();
    void drinkingWindows();
    void excelDateFormats_data();
    void excelDateFormats();
    void datesInTheDrinkingWindow_data();
    void datesInTheDrinkingWindow();
    void excelDatesFromEitherDay_data();
    void excelDatesFromEitherDay();
    void encodingsAndSeparators_data();
    void encodingsAndSeparators();
    void cellsAsSpreadsheetsQuoteThem_data();
    void cellsAsSpreadsheetsQuoteThem();
    void mappingFromHeadings_data();
    void mappingFromHeadings();
    void coloursIntoTheCellars();
    void filesMadeByLibreOffice_data();
    void filesMadeByLibreOffice();
    void craftedFilesRefused_data();
    void craftedFilesRefused();
    void repeatedEmptyCellsCostNothing();
    void repeatedRowsMoveTheProgress();
    void lettersOfAWindowsTextReadAsLatin1();
    void windowByKeys();
    void cancelledOrChangedFileLeavesCellarUnchanged();
    void refusedRowsExported();
    void roundTripFromTheViewsExport();
    void menuEntryHasItsOwnAccessLetter();
    void memoryBoundedOnAHundredThousandRows();
    void largeWorkbookListedWithACancel();
};

void TestSpreadsheet::valuesAsAFrenchUserMeansThem_data() {
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("value");
    const int read = int(FrenchValues::State::Read), bad = int(FrenchValues::State::Unreadable),
              empty = int(FrenchValues::State::Empty);
    QTest::newRow("comma") << QVariant("12,50") << read << 12.5;
    QTest::newRow("euro") << QVariant("12,50 €") << read << 12.5;
    QTest::newRow("EUR") << QVariant("12,50 EUR") << read << 12.5;
    QTest::newRow("grouped by a space") << QVariant("1 234,50") << read << 1234.5;
    QTest::newRow("grouped by a no-break space")
        << QVariant(QString("1\u00A0234,50\u202F€")) << read << 1234.5;
    QTest::newRow("point") << QVariant("12.5") << read << 12.5;
    QTest::newRow("grouped by points") << QVariant("1.234,50") << read << 1234.5;
    QTest::newRow("English grouping") << QVariant("1,234.50") << read << 1234.5;
    QTest::newRow("number cell") << QVariant(45.5) << read << 45.5;
    QTest::newRow("empty") << QVariant("") << empty << 0.0;
    QTest::newRow("blanks only") << QVariant("  ") << bad << 0.0;
    QTest::newRow("words") << QVariant("douze") << bad << 0.0;
    QTest::newRow("two commas") << QVariant("1,2,3") << bad << 0.0;
    QTest::newRow("exponent") << QVariant("1e3") << bad << 0.0;
    QTest::newRow("plus sign") << QVariant("+12") << read << 12.0;
    QTest::newRow("negative") << QVariant("-3,5") << read << -3.5;
    QTest::newRow("point without decimals") << QVariant("12.") << bad << 0.0;
    QTest::newRow("sign alone") << QVariant("-") << bad << 0.0;
    QTest::newRow("euro alone") << QVariant("€") << bad << 0.0;
    QTest::newRow("Arabic-Indic digits") << QVariant(QString("\u0661\u0662")) << bad << 0.0;
    QTest::newRow("past any double") << QVariant(QString(400, u'9')) << bad << 0.0;
}

void TestSpreadsheet::valuesAsAFrenchUserMeansThem() {
    QFETCH(QVariant, cell);
    QFETCH(int, state);
    QFETCH(double, value);
    const FrenchValues::Number n = FrenchValues::number(cell);
    QCOMPARE(int(n.state), state);
    if (n.state == FrenchValues::State::Read)
        QCOMPARE(n.value, value);
    // Whole numbers and vintages read the same way, fractions and « NV » apart.
    QCOMPARE(int(FrenchValues::whole("6,0").state), int(FrenchValues::State::Read));
    QCOMPARE(int(FrenchValues::whole("2,5").state), int(FrenchValues::State::Unreadable));
    QVERIFY(FrenchValues::vintage("NV").nonVintage);
    QVERIFY(FrenchValues::vintage("non millésimé").nonVintage);
    QCOMPARE(FrenchValues::vintage(2015.0).year, 2015);
    QCOMPARE(FrenchValues::text("'=SOMME(A1)"), QString("=SOMME(A1)"));
    QCOMPARE(FrenchValues::text("l'=autre"), QString("l'=autre"));
}

void TestSpreadsheet::drinkingWindows_data() {
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("until");
    QTest::newRow("two years") << QVariant("2026 2034") << true << 2026 << 2034;
    QTest::newRow("hyphen") << QVariant("2026-2034") << true << 2026 << 2034;
    QTest::newRow("as the view exports it") << QVariant("2026 – 2034") << true << 2026 << 2034;
    QTest::newRow("only until") << QVariant(" – 2034") << true << 0 << 2034;
    QTest::newRow("only from") << QVariant("2026 – ") << true << 2026 << 0;
    QTest::newRow("one year") << QVariant("2026") << true << 2026 << 0;
    QTest::newRow("number cell") << QVariant(2030.0) << true << 2030 << 0;
    QTest::newRow("words") << QVariant("bientôt") << false << 0 << 0;
    QTest::newRow("three years") << QVariant("2026 2030 2034") << false << 0 << 0;
    QTest::newRow("French date") << QVariant("15/03/2028") << true << 2028 << 0;
    QTest::newRow("date with points") << QVariant("15.03.2028") << true << 2028 << 0;
    QTest::newRow("date and time") << QVariant("15/03/2028 18:30") << true << 2028 << 0;
    QTest::newRow("month and year") << QVariant("03/2028") << true << 2028 << 0;
    QTest::newRow("ISO date") << QVariant("2028-03-15") << true << 2028 << 0;
    QTest::newRow("no such day") << QVariant("31/02/2029") << false << 0 << 0;
    QTest::newRow("no such month") << QVariant("15/13/2029") << false << 0 << 0;
    QTest::newRow("two-digit year") << QVariant("15/03/28") << false << 0 << 0;
    QTest::newRow("date cell") << QVariant(QDate(2031, 6, 30)) << true << 2031 << 0;
    QTest::newRow("date and time cell")
        << QVariant(QDateTime(QDate(2028, 3, 15), QTime(18, 30))) << true << 2028 << 0;
}

void TestSpreadsheet::drinkingWindows() {
    QFETCH(QVariant, cell);
    QFETCH(bool, readable);
    QFETCH(int, from);
    QFETCH(int, until);
    const FrenchValues::Window w = FrenchValues::drinkingWindow(cell);
    QCOMPARE(w.state == FrenchValues::State::Read, readable);
    if (readable) {
        QCOMPARE(w.from.value_or(0), from);
        QCOMPARE(w.until.value_or(0), until);
    }
}

void TestSpreadsheet::excelDateFormats_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("date");
    QTest::newRow("Excel's short date") << 14 << "" << true;
    QTest::newRow("Excel's date and time") << 22 << "" << true;
    QTest::newRow("Excel's time") << 21 << "" << false;
    QTest::newRow("Excel's minutes and seconds") << 45 << "" << false;
    QTest::newRow("Excel's number") << 2 << "" << false;
    QTest::newRow("as LibreOffice writes a French date") << 165 << "dd/mm/yyyy" << true;
    QTest::newRow("with a locale") << 166 << "[$-40C]d mmmm yyyy" << true;
    QTest::newRow("time of day") << 167 << "hh:mm" << false;
    QTest::newRow("General") << 164 << "General" << false;
    QTest::newRow("quoted days") << 168 << "0\" days\"" << false;
    QTest::newRow("escaped d") << 169 << "0\\d" << false;
    QTest::newRow("colour") << 170 << "[Red]0.00" << false;
}

void TestSpreadsheet::excelDateFormats() {
    QFETCH(int, id);
    QFETCH(QString, code);
    QFETCH(bool, date);
    QCOMPARE(XlsxSheet::isDateFormat(id, code), date);
}

void TestSpreadsheet::datesInTheDrinkingWindow_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("ods") << fixture("dates.ods");
    QTest::newRow("xlsx") << fixture("dates.xlsx");
    QTest::newRow("csv") << fixture("dates.csv");
}

void TestSpreadsheet::datesInTheDrinkingWindow() {
    QFETCH(QString, file);
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(file, problem);
    QVERIFY2(reader, qPrintable(problem));
    // A date with its time keeps it as text.
    QCOMPARE(FrenchValues::text(sampleOf(*reader, 0, 2).rows.at(1).second.at(5)),
             QString("15/03/2028 18:30"));
    const SheetImport::Settings settings = proposed(*reader);
    const SheetImport::Review review = reviewOf(*reader, settings, problem);
    QCOMPARE(problem, QString());
    QCOMPARE(review.valid, 4);
    // Drunk before it may be, and a day that never was.
    QCOMPARE(review.refused[size_t(LotReading::Fault::DrinkingWindow)], 2);
    // Refused rows show their dates the French way, whatever the file stores.
    QCOMPARE(review.shown.back().cells.at(5), QString("31/02/2029"));
    QCOMPARE(review.shown.front().cells.mid(5, 2), QStringList({"01/01/2036", "01/01/2030"}));
    TestCellar cellar;
    QCOMPARE(added(SheetImport::run(*reader, settings, review, cellar.databasePath())), 4);
    QCOMPARE(details(cellar), QStringList({"Château Lafleur|2025|2035|<null>|<null>|<null>",
                                           "Clos Rougeard|2028|2040|<null>|<null>|<null>",
                                           "Domaine Leflaive|2026|2030|<null>|<null>|<null>",
                                           "Dauvissat|<null>|2031|<null>|<null>|<null>"}));
}

void TestSpreadsheet::excelDatesFromEitherDay_data() {
    QTest::addColumn<QByteArray>("workbookPr");
    QTest::addColumn<QString>("stored");
    // Day 46827 with a date format: the 15th of March 2028 counted from 1900, 2032 from 1904.
    QTest::newRow("1900") << QByteArray("<workbookPr/>") << "Vin|2028|2040|<null>|15/03/2028 18:00|<null>";
    QTest::newRow("1904") << QByteArray("<workbookPr date1904=\"1\"/>")
                          << "Vin|2032|2040|<null>|16/03/2032 18:00|<null>";
}

void TestSpreadsheet::excelDatesFromEitherDay() {
    QFETCH(QByteArray, workbookPr);
    QFETCH(QString, stored);
    const auto text = [](const char* ref, const char* t) {
        return QByteArray("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    };
    QByteArray sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
        "<row r=\"1\">" +
        text("A1", "Nom") + text("B1", "Type") + text("C1", "Année") + text("D1", "Couleur") +
        text("E1", "Quantité") + text("F1", "À boire de") + text("G1", "Jusqu'à") + text("H1", "Note") +
        "</row><row r=\"2\">" + text("A2", "Vin") + text("B2", "Chinon") + "<c r=\"C2\"><v>2020</v></c>" +
        text("D2", "Rouge") +
        // A number format of two decimals is no date; one of the file's own is.
        "<c r=\"E2\" s=\"3\"><v>6</v></c><c r=\"F2\" s=\"1\"><v>46827</v></c>"
        "<c r=\"G2\" t=\"d\"><v>2040-06-30T00:00:00</v></c>"
        "<c r=\"H2\" s=\"2\"><v>46827.75</v></c></row></sheetData></worksheet>";
    QTemporaryDir dir;
    const QString path = dir.filePath("dates.xlsx");
    writeZip(
        path,
        {{"xl/workbook.xml",
          bytes("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
                workbookPr +
                "<sheets><sheet name=\"Cave\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")},
         {"xl/_rels/workbook.xml.rels",
          bytes(
              "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>")},
         {"xl/styles.xml",
          bytes("<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/></numFmts>"
                "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"22\"/>"
                "<xf numFmtId=\"2\"/></cellXfs></styleSheet>")},
         {"xl/worksheets/sheet1.xml", bytes(sheet)}});
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(path, problem);
    QVERIFY2(reader, qPrintable(problem));
    const SheetImport::Settings settings = proposed(*reader);
    const SheetImport::Review review = reviewOf(*reader, settings, problem);
    QCOMPARE(review.refusedTotal(), 0);
    TestCellar cellar;
    QCOMPARE(added(SheetImport::run(*reader, settings, review, cellar.databasePath())), 1);
    QCOMPARE(details(cellar), QStringList({stored}));
    QCOMPARE(cellar.lots(), QStringList({"Vin|Chinon|2020|Rouge|6|<null>"}));
}

void TestSpreadsheet::encodingsAndSeparators_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QString>("separator");
    const QString french =
        QStringLiteral("Nom;Année;Couleur\r\nChâteau Pétrus;2015;Rosé\r\nCôte rôtie;2018;Rouge\r\n");
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + french.toUtf8() << QByteArray("UTF-8") << ";";
    QTest::newRow("UTF-8") << french.toUtf8() << QByteArray("UTF-8") << ";";
    QTest::newRow("Windows-1252 of a French Excel")
        << QByteArray("Nom;Ann\xE9"
                      "e;Prix\r\nCh\xE2teau P\xE9trus;2015;12,50 \x80\r\nC\xF4te r\xF4tie;2018;9\r\n")
        << QByteArray("WINDOWS-1252") << ";";
    QTest::newRow("Windows-1252 whose only Windows letter is Œ")
        << QByteArray("Nom;Ann\xE9"
                      "e;Couleur\r\nCh\xE2teau P\xE9trus;2015;Ros\xE9\r\nC\xF4te-R\xF4tie "
                      "\x8Cnologie;2018;Rouge\r\n")
        << QByteArray("WINDOWS-1252") << ";";
    QByteArray wide("\xFF\xFE");
    const QString tabbed = QString(french).replace(u';', u'\t');
    wide.append(reinterpret_cast<const char*>(tabbed.utf16()), tabbed.size() * 2);
    QTest::newRow("UTF-16 with tabs") << wide << QByteArray("UTF-16LE") << "\t";
    QTest::newRow("UTF-16 without a mark")
        << QByteArray(reinterpret_cast<const char*>(tabbed.utf16()), tabbed.size() * 2)
        << QByteArray("UTF-16LE") << "\t";
    QTest::newRow("commas, decimals quoted")
        << QByteArray("Wine,Vintage,Price\n\"Pomerol, Pensées\",2015,\"12,50\"\nSaint-Joseph,2018,9\n")
        << QByteArray("UTF-8") << ",";
}

void TestSpreadsheet::encodingsAndSeparators() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, encoding);
    QFETCH(QString, separator);
    const CsvRead read = readCsv(content);
    QCOMPARE(read.problem, QString());
    QCOMPARE(read.encoding.toUpper(), encoding);
    QCOMPARE(QString(read.separator), separator);
    const QList<QVariantList>& rows = read.rows;
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).size(), 3);
    // Accents read back whole, whatever the encoding; a quoted separator stays in its cell.
    QVERIFY(rows.at(1).at(0).toString() == QStringLiteral("Château Pétrus") ||
            rows.at(1).at(0).toString() == QStringLiteral("Pomerol, Pensées"));
    // No letter read as an invisible control.
    for (const QVariantList& row : rows)
        for (const QVariant& cell : row)
            for (const QChar c : cell.toString())
                QVERIFY2(c.category() != QChar::Other_Control || c == u'\r' || c == u'\n',
                         qPrintable(cell.toString()));
}

void TestSpreadsheet::cellsAsSpreadsheetsQuoteThem_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("rows"); // cells joined by "|", rows by "/"
    QTest::newRow("plain, last line without its end") << QByteArray("a;b\nc;d") << "a|b/c|d";
    QTest::newRow("empty cells") << QByteArray("a;;c\n;b;\n") << "a||c/|b|";
    QTest::newRow("CRLF and lone CR") << QByteArray("a;b\r\nc;d\re;f\r\n") << "a|b/c|d/e|f";
    QTest::newRow("doubled quotes") << QByteArray("\"dit \"\"clos\"\"\";b\n") << "dit \"clos\"|b";
    QTest::newRow("separator and line end quoted") << QByteArray("\"a;b\nc\";d\n") << "a;b\nc|d";
    QTest::newRow("text after the closing quote") << QByteArray("\"a\"b;c\n") << "ab|c";
    QTest::newRow("quote inside a cell") << QByteArray("l\"a;b\n") << "l\"a|b";
    QTest::newRow("empty quoted cell") << QByteArray("\"\";b\n") << "|b";
    QTest::newRow("blank lines skipped") << QByteArray("a;b\n\n;\nc;d\n") << "a|b/c|d";
}

void TestSpreadsheet::cellsAsSpreadsheetsQuoteThem() {
    QFETCH(QByteArray, content);
    QFETCH(QString, rows);
    const CsvRead read = readCsv(content);
    QCOMPARE(read.problem, QString());
    QStringList lines;
    for (const QVariantList& cells : read.rows) {
        QStringList texts;
        for (const QVariant& cell : cells)
            texts << cell.toString();
        lines << texts.join(u'|');
    }
    QCOMPARE(lines.join(u'/'), rows);
}

void TestSpreadsheet::mappingFromHeadings_data() {
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<QList<int>>("firsts"); // one per field, then the second columns of Nom and Emplacement
    QTest::newRow("French spreadsheet")
        << QStringList{"Domaine", "Vin",         "Appellation", "Millésime", "Couleur", "Qté",
                       "Prix",    "Emplacement", "Casier",      "À boire",   "Note"}
        << QList<int>{0, 2, 3, 4, 5, 6, 9, -1, 7, 10, -1, 1, 8};
    QTest::newRow("the reference web service")
        << QStringList{"Wine",     "Producer", "Vintage",  "Color", "Appellation",  "Region",
                       "Quantity", "Price",    "Location", "Bin",   "BeginConsume", "EndConsume"}
        << QList<int>{1, 4, 2, 3, 6, 7, 10, 11, 8, -1, -1, 0, 9};
    QTest::newRow("the phone app") << QStringList{"Winery",    "Wine name",       "Vintage",      "Region",
                                                  "Wine type", "Drinking Window", "Personal Note"}
                                   << QList<int>{0, 3, 2, 4, -1, -1, 5, -1, -1, 6, -1, 1, -1};
    QTest::newRow("Brovane's own export")
        << QStringList{"Nom",        "Type",       "Année",       "Couleur", "Qté",
                       "Prix Unit.", "Prix total", "Emplacement", "À boire"}
        << QList<int>{0, 1, 2, 3, 4, 5, 8, -1, 7, -1, -1, -1, -1};
    QTest::newRow("other words") << QStringList{"Cuvée",   "Région",        "Année",
                                                "Nb",      "Prix unitaire", "Apogée",
                                                "Jusqu'à", "Appréciation",  "Commentaire"}
                                 << QList<int>{0, 1, 2, -1, 3, 4, 5, 6, -1, 8, 7, -1, -1};
}

void TestSpreadsheet::mappingFromHeadings() {
    QFETCH(QStringList, headings);
    QFETCH(QList<int>, firsts);
    const LotReading::Mapping mapping = LotReading::propose(headings);
    QList<int> got;
    for (const LotReading::Source& source : mapping.sources)
        got << source.first;
    got << mapping[Field::Nom].second << mapping[Field::Emplacement].second;
    QCOMPARE(got, firsts);
}

void TestSpreadsheet::coloursIntoTheCellars() {
    const QStringList cellar = CellarSchema::DefaultColours;
    QCOMPARE(LotReading::proposeColour("Red", cellar), QString("Rouge"));
    QCOMPARE(LotReading::proposeColour("White wine", cellar), QString("Blanc"));
    QCOMPARE(LotReading::proposeColour("rosé", cellar), QString("Rosé"));
    QCOMPARE(LotReading::proposeColour("Rose", cellar), QString("Rosé"));
    QCOMPARE(LotReading::proposeColour("Sparkling", cellar), QString("Blanc"));
    QCOMPARE(LotReading::proposeColour("ROUGE", cellar), QString("Rouge"));
    // What names no colour of the cellar is kept as written; so is a colour the cellar lacks.
    QCOMPARE(LotReading::proposeColour("Orange", cellar), QString("Orange"));
    QCOMPARE(LotReading::proposeColour("Red", {"Blanc"}), QString("Red"));
}

void TestSpreadsheet::filesMadeByLibreOffice_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("leflaivePrice");
    QTest::addColumn<QString>("bollingerNote");
    QTest::newRow("ods") << fixture("cave.ods") << "classeur OpenDocument"
                         << "62"
                         << "Pour Noël";
    QTest::newRow("xlsx") << fixture("cave.xlsx") << "classeur Excel"
                          << "62"
                          << "Pour Noël";
    QTest::newRow("UTF-16 text with tabs")
        << fixture("cave-tabulations-utf16.txt") << "texte UTF-16LE, séparateur tabulation"
        << "62"
        << "Pour Noël";
    QTest::newRow("French Excel CSV") << fixture("cave-excel.csv") << "texte Windows-1252, séparateur « ; »"
                                      << "1062"
                                      << "Pour Noël; en magnum";
}

void TestSpreadsheet::filesMadeByLibreOffice() {
    QFETCH(QString, file);
    QFETCH(QString, format);
    QFETCH(QString, leflaivePrice);
    QFETCH(QString, bollingerNote);
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(file, problem);
    QVERIFY2(reader, qPrintable(problem));
    QCOMPARE(reader->description(), format);
    const SheetImport::Settings settings = proposed(*reader);
    const SheetImport::Review review = reviewOf(*reader, settings, problem);
    QCOMPARE(problem, QString());
    QCOMPARE(review.valid, 4);
    QCOMPARE(review.refused[size_t(LotReading::Fault::NonVintage)], 1);
    QCOMPARE(review.refused[size_t(LotReading::Fault::Quantity)], 1);
    QCOMPARE(review.refusedTotal(), 2);
    QCOMPARE(review.shown.front().row, 4);
    QCOMPARE(review.shown.back().row, 8);

    TestCellar cellar;
    const auto result = SheetImport::run(*reader, settings, review, cellar.databasePath());
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.failure().failure.text()));
    QCOMPARE(added(result), 4);
    QCOMPARE(cellar.lots(),
             QStringList({"Château Lafleur Pensées|Pomerol|2015|Rouge|6|45.5",
                          "Domaine Leflaive Clavoillon|Puligny-Montrachet|2018|Blanc|3|" + leflaivePrice,
                          "Clos Cibonne Tentations|Côtes de Provence|2022|Rosé|12|11.9",
                          "Bollinger Special Cuvée|Champagne|2016|Blanc|1|<null>"}));
    QCOMPARE(details(cellar),
             QStringList({"Château Lafleur Pensées|2025|2035|Cave, A3|Très beau|<null>",
                          "Domaine Leflaive Clavoillon|2022|2030|Cave, B1|<null>|<null>",
                          "Clos Cibonne Tentations|<null>|<null>|Garage|<null>|<null>",
                          "Bollinger Special Cuvée|<null>|<null>|<null>|" + bollingerNote + "|<null>"}));
    // One operation: one group in the journal, which one undo takes back whole.
    DataLink link(cellar.databasePath());
    QVERIFY(!link.open());
    std::optional<Journal::Undoable> last;
    QVERIFY(!Journal::lastUndoable(link, last));
    QVERIFY(last);
    QCOMPARE(last->kind, Journal::Kind::Import);
    QCOMPARE(last->movements, 4);
    bool changed = false;
    QVERIFY(!link.write([&](DataLink& l) { return Journal::undo(l, last->group, changed); }));
    QVERIFY(!changed);
    QCOMPARE(cellar.lotCount(), 0);
}

void TestSpreadsheet::craftedFilesRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("zip bomb") << "bomb"
                              << "dépasse 128 Mo une fois décompressée";
    QTest::newRow("entities") << "entities"
                              << "déclarations d'entités XML";
    QTest::newRow("a million columns") << "columns"
                                       << "plus de 1024 colonnes";
    QTest::newRow("huge cell in a sheet") << "odsCell"
                                          << "dépasse 32767 caractères";
    QTest::newRow("huge cell in a text") << "csvCell"
                                         << "dépasse 32767 caractères";
    QTest::newRow("wide text") << "csvColumns"
                               << "plus de 1024 colonnes";
    QTest::newRow("old Excel") << "xls"
                               << "ancien format (.xls)";
    QTest::newRow("binary") << "binary"
                            << "ni un tableau en texte";
    QTest::newRow("open quote") << "quote"
                                << "jamais fermé";
    QTest::newRow("not a spreadsheet archive") << "zip"
                                               << "ni un classeur";
    QTest::newRow("a pipe that nothing writes") << "pipe"
                                                << "ce n'est pas un fichier ordinaire";
    QTest::newRow("a folder") << "folder"
                              << "c'est un dossier";
    // Repeats near 2^63 once wrapped the counts: the ceilings were never reached, or passed unseen.
    QTest::newRow("rows repeated until the count wraps") << "rowsWrapped"
                                                         << "plus de 1048576 lignes";
    QTest::newRow("two million rows after a wrap") << "rowsAfterWrap"
                                                   << "plus de 1048576 lignes";
    QTest::newRow("cells repeated until the column wraps") << "columnsWrapped"
                                                           << "plus de 1024 colonnes";
    QTest::newRow("an Excel row numbered past 2^62") << "xlsxRow"
                                                     << "plus de 1048576 lignes";
    // 121 kB nested this deep once took 3 GB.
    QTest::newRow("Excel elements nested 100000 deep") << "xlsxDeep"
                                                       << "imbrique ses éléments sur plus de 256 niveaux";
    QTest::newRow("a cell's text nested 100000 deep") << "odsDeep"
                                                      << "imbrique ses éléments sur plus de 256 niveaux";
    QTest::newRow("XML cut short") << "xlsxCut"
                                   << "n'est pas du XML valable (ligne 1, colonne";
    QTest::newRow("a workbook saved with a password") << "encrypted"
                                                      << "protégé par un mot de passe";
    QTest::newRow("a zip of an encrypted package") << "encryptedZip"
                                                   << "protégé par un mot de passe";
    QTest::newRow("a nul past the first megabyte") << "csvNul"
                                                   << "ligne 70002, colonne A contient le caractère U+0000";
    QTest::newRow("half a UTF-16 pair") << "utf16Half"
                                        << "ligne 2, colonne B contient le caractère U+D800";
    QTest::newRow("a C1 control Windows-1252 has no letter for")
        << "odsC1"
        << "ligne 2, colonne B de la feuille « Cave » contient le caractère U+0081";
}

void TestSpreadsheet::craftedFilesRefused() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("piège");
    const QByteArray row = "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Nom"
                           "</text:p></table:table-cell></table:table-row>";
    const auto repeatedRow = [](const char* times, const QByteArray& cell) {
        return "<table:table-row table:number-rows-repeated=\"" + QByteArray(times) + "\">" + cell +
               "</table:table-row>";
    };
    const QByteArray empty = "<table:table-cell/>";
    const QByteArray margaux = "<table:table-cell office:value-type=\"string\"><text:p>Margaux</text:p>"
                               "</table:table-cell>";
    const QMap<QString, QByteArray> odsRows{
        {"rowsWrapped",
         repeatedRow("9223372036854775807", empty) + repeatedRow("9223372036854775807", margaux)},
        {"rowsAfterWrap", repeatedRow("9223372036854775807", empty) +
                              repeatedRow("9223372036853775808", empty) + repeatedRow("2000000", margaux)},
        {"odsDeep", "<table:table-row><table:table-cell>" + QByteArray("<text:span>").repeated(100000) +
                        "</table:table-cell></table:table-row>"},
        {"odsC1", "<table:table-row>" + margaux + "<table:table-cell><text:p>Saint-\xC2\x81milion</text:p>" +
                      "</table:table-cell></table:table-row>"},
        {"columnsWrapped", "<table:table-row>" + margaux +
                               "<table:table-cell table:number-columns-repeated=\"9223372036854775807\"/>" +
                               margaux + "</table:table-row>"}};
    const QMap<QString, QByteArray> xlsxRows{
        {"xlsxRow", "<row r=\"4611686018427387904\"><c t=\"inlineStr\"><is><t>Margaux</t></is></c></row>"},
        {"xlsxDeep", "<row r=\"2\">" + QByteArray("<c>").repeated(100000) + "</row>"},
        {"xlsxCut", "<row r=\"2\"><c t=\"inlineStr\"><is><t>Margaux</is></c></row>"}};
    if (odsRows.contains(kind))
        writeOds(path, row + odsRows[kind]);
    else if (xlsxRows.contains(kind))
        writeXlsx(path, "<row r=\"1\"><c t=\"inlineStr\"><is><t>Nom</t></is></c></row>" + xlsxRows[kind]);
    else if (kind == "encrypted") {
        // An OLE compound file whose directory runs over two sectors, the second naming the encryption.
        QByteArray file(2048, '\0');
        const auto put = [&file](qsizetype at, quint32 value) { qToLittleEndian(value, file.data() + at); };
        file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
        for (const auto& [at, value] : {std::pair<int, quint32>{0x1E, 9},
                                        {0x2C, 1},
                                        {0x30, 1},
                                        {512, 0xFFFFFFFD},
                                        {516, 2},
                                        {520, 0xFFFFFFFE},
                                        {1536 + 128 + 0x40, 30}})
            put(at, value);
        std::memcpy(file.data() + 1536 + 128, u"EncryptionInfo", 28);
        writeFile(path, file);
    } else if (kind == "encryptedZip")
        writeZip(path, {{"EncryptionInfo", bytes("\x04\x00\x04\x00")}, {"EncryptedPackage", bytes("x")}});
    else if (kind == "csvNul")
        writeFile(path, "Nom;Type\n" + QByteArray("Margaux;Bordeaux\n").repeated(70000) +
                            QByteArray("Ch\0teau;Bordeaux\n", 17));
    else if (kind == "utf16Half")
        writeFile(path, QByteArray("\xFF\xFEN\0o\0m\0;\0T\0\n\0a\0;\0\x00\xD8\n\0", 22));
    else if (kind == "bomb")
        writeZip(path, {{"content.xml", [](QIODevice& out) {
                             const QByteArray zeros(1 << 20, ' ');
                             out.write(OdsStart);
                             for (int i = 0; i < 140; ++i)
                                 out.write(zeros);
                         }}});
    else if (kind == "entities")
        writeZip(path,
                 {{"xl/workbook.xml", bytes("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">"
                                            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                                            "<workbook><sheets><sheet name=\"&b;\"/></sheets></workbook>")}});
    else if (kind == "columns")
        writeZip(path,
                 {{"content.xml", bytes(OdsStart + row +
                                        "<table:table-row><table:table-cell table:number-columns-repeated="
                                        "\"1000000\" office:value-type=\"string\"><text:p>x</text:p>"
                                        "</table:table-cell></table:table-row>" +
                                        OdsEnd)}});
    else if (kind == "odsCell")
        writeZip(path, {{"content.xml", bytes(OdsStart + row + "<table:table-row><table:table-cell><text:p>" +
                                              QByteArray(40000, 'x') +
                                              "</text:p></table:table-cell></table:table-row>" + OdsEnd)}});
    else if (kind == "csvCell")
        writeFile(path, "Nom;Type\n" + QByteArray(40000, 'x') + ";Bordeaux\n");
    else if (kind == "csvColumns")
        writeFile(path, "Nom;Type\n" + QByteArray(2000, ';') + "\n");
    else if (kind == "xls")
        writeFile(path, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(512, '\0'));
    else if (kind == "binary")
        writeFile(path, QByteArray("Nom;Type\n\0\0\0\x01\x02\x03\0\0\xFF\xFE\0\0\x01\0\0\0", 26));
    else if (kind == "quote")
        writeFile(path, "Nom;Type\n\"Pomerol;Bordeaux\nMargaux;Bordeaux\n");
    else if (kind == "zip")
        writeZip(path, {{"mimetype", bytes("application/zip")}});
    else if (kind == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir().mkdir(path));

    TestCellar cellar;
    cellar.addLot("Déjà là", "Bordeaux", 2010, "Rouge", 3);
    const QStringList before = cellar.lots();
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(path, problem);
    if (reader) {
        SheetImport::Settings settings = proposed(*reader);
        settings.mapping[Field::Nom].first = 0;
        const SheetImport::Review review = reviewOf(*reader, settings, problem);
        const auto result = SheetImport::run(*reader, settings, review, cellar.databasePath());
        QVERIFY(!result.ok());
        QVERIFY(result.failure().by == SheetImport::Unwritten::By::Table);
        QVERIFY(!result.failure().failure.message.isEmpty());
    }
    QVERIFY2(problem.contains(reason), qPrintable(problem));
    QCOMPARE(cellar.lots(), before);

    // The window says it in French and stays usable; a file refused on opening leaves nothing of the table
    // opened before it on show under its name.
    std::unique_ptr<ImporterTableau> window;
    openedWith(window, cellar, fixture("cave.ods"));
    QVERIFY(window->findChild<QComboBox*>("ColonneNom")->count() > 1);
    const int messages = cellar.messageCount();
    auto* field = window->findChild<QLineEdit*>("CheminTableau");
    typeOver(field, path);
    QTest::keyClick(field, Qt::Key_Return);
    if (cellar.messageCount() > messages) {
        // At most « (aucune) »: no heading of the earlier table.
        QVERIFY(window->findChild<QComboBox*>("ColonneNom")->count() <= 1);
        QCOMPARE(window->findChild<QTableView*>("Apercu")->model()->rowCount(), 0);
    } else {
        QTest::mouseClick(window->findChild<QPushButton*>("Verifier"), Qt::LeftButton);
    }
    QVERIFY(cellar.lastMessage().text.startsWith(
        QString("Le fichier « %1 » ne peut pas être importé : ").arg(path)));
    QVERIFY(cellar.lastMessage().text.endsWith("La cave n'a pas été modifiée."));
    QVERIFY(!window->findChild<QPushButton*>("Importer")->isEnabled());
    QCOMPARE(cellar.lots(), before);
}

void TestSpreadsheet::repeatedEmptyCellsCostNothing() {
    // A spreadsheet writes the rest of each row and of the sheet as repeated empty cells and rows.
    QTemporaryDir dir;
    const QString path = dir.filePath("cave.ods");
    writeZip(path,
             {{"content.xml",
               bytes(OdsStart +
                     "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Nom</text:p>"
                     "</table:table-cell><table:table-cell table:number-columns-repeated=\"16383\"/>"
                     "</table:table-row><table:table-row table:number-rows-repeated=\"3\">"
                     "<table:table-cell office:value-type=\"string\"><text:p>Pomerol</text:p>"
                     "<office:annotation><text:p>commentaire</text:p></office:annotation>"
                     "</table:table-cell><table:table-cell table:number-columns-repeated=\"16383\"/>"
                     "</table:table-row><table:table-row table:number-rows-repeated=\"1048572\">"
                     "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>" +
                     OdsEnd)}});
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(path, problem);
    QVERIFY2(reader, qPrintable(problem));
    QList<std::pair<qint64, QVariantList>> rows;
    QVERIFY(!reader->read(0, [&](qint64 n, const QVariantList& cells, qint64, qint64) {
        rows.append({n, cells});
        return true;
    }));
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(3).first, 4);
    QCOMPARE(rows.at(3).second, QVariantList{"Pomerol"});
}

void TestSpreadsheet::repeatedRowsMoveTheProgress() {
    // One row of 1019 cells repeated a million times once kept the bar still, and the window deaf, a minute.
    QTemporaryDir dir;
    const QString path = dir.filePath("repete.ods");
    writeOds(path, "<table:table-row table:number-rows-repeated=\"20000\"><table:table-cell "
                   "table:number-columns-repeated=\"1019\" office:value-type=\"string\"><text:p>Margaux"
                   "</text:p></table:table-cell></table:table-row>");
    const QList<ReadRow> rows = rowsOf(path);
    QCOMPARE(rows.size(), 20000);
    QCOMPARE(rows.last().cells.size(), 1019);
    QSet<qint64> thousandths;
    for (const ReadRow& row : rows)
        thousandths.insert(row.thousandths);
    QVERIFY2(thousandths.size() >= 999, qPrintable(QString::number(thousandths.size())));
}

void TestSpreadsheet::lettersOfAWindowsTextReadAsLatin1() {
    // U+008C where « Œ » was, U+0092 for « ’ », U+0080 for « € ».
    const QByteArray misread = "\xC2\x8Cnologie \xC2\x92 12 \xC2\x80";
    QTemporaryDir dir;
    writeOds(dir.filePath("cave.ods"),
             "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" + misread +
                 "</text:p></table:table-cell></table:table-row>");
    writeXlsx(dir.filePath("cave.xlsx"),
              "<row r=\"1\"><c t=\"inlineStr\"><is><t>" + misread + "</t></is></c></row>");
    for (const char* name : {"cave.ods", "cave.xlsx"}) {
        const QList<ReadRow> rows = rowsOf(dir.filePath(name));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().cells, QVariantList{QStringLiteral("Œnologie ’ 12 €")});
    }
}

void TestSpreadsheet::windowByKeys() {
    TestCellar cellar;
    std::unique_ptr<ImporterTableau> holder;
    ImporterTableau* window = openedWith(holder, cellar, fixture("cave.ods"));
    QCOMPARE(cellar.messageCount(), 0);
    QCOMPARE(window->findChild<QLabel*>("Format")->text(), QString("classeur OpenDocument"));
    QCOMPARE(itemsOf(window->findChild<QComboBox*>("ListeFeuilles")), QStringList({"Cave", "Achats 2025"}));
    QCOMPARE(window->columnList(Field::Nom)->currentText(), QString("Domaine"));
    QCOMPARE(window->columnList(Field::Nom, true)->currentText(), QString("Vin"));
    QCOMPARE(window->columnList(Field::Emplacement, true)->currentText(), QString("Casier"));
    auto* preview = window->findChild<QTableView*>("Apercu");
    QCOMPARE(modelRows(preview->model()).first(),
             QString("|Château Lafleur Pensées|Pomerol|2015|Rouge|6|45,50 €|2025|2035|Cave, A3|Très beau|"));
    // Every field's list has its letter, the appreciation's too; the heading line keeps one of its own.
    pressAccessKey(window, Qt::Key_T);
    QCOMPARE(focusName(), QString("ColonneAppreciation"));
    auto* headings = window->findChild<QCheckBox*>("LigneTitres");
    pressAccessKey(window, Qt::Key_L);
    QVERIFY(!headings->isChecked());
    pressAccessKey(window, Qt::Key_L);
    QVERIFY(headings->isChecked());
    QCOMPARE(window->columnList(Field::Nom, true)->currentText(), QString("Vin"));
    // The user leaves the producer out of the name and the note out: the preview follows.
    chooseInList(window->columnList(Field::Nom), "Vin");
    chooseInList(window->columnList(Field::Nom, true), "(aucune)");
    chooseInList(window->columnList(Field::Note), "(aucune)");
    QCOMPARE(modelRows(preview->model()).first(),
             QString("|Pensées|Pomerol|2015|Rouge|6|45,50 €|2025|2035|Cave, A3||"));
    QVERIFY(modelRows(preview->model()).at(2).startsWith("sans millésime|"));

    // Nothing is written before the review, and the review writes nothing.
    QVERIFY(!window->findChild<QPushButton*>("Importer")->isEnabled());
    pressAccessKey(window, Qt::Key_V);
    QCOMPARE(cellar.lotCount(), 0);
    const QString bilan = window->findChild<QLabel*>("Bilan")->text();
    QVERIFY2(bilan.startsWith("4 lots seront ajoutés à la cave.\n2 lignes sont refusées"), qPrintable(bilan));
    QVERIFY(bilan.contains("1 : sans millésime"));
    QCOMPARE(modelRows(window->findChild<QTableView*>("LignesRefusees")->model()).size(), 2);
    // The sparkling wine goes to the rosés rather than the whites proposed.
    auto* colours = window->findChild<QTableWidget*>("Couleurs");
    QStringList listed;
    for (int row = 0; row < colours->rowCount(); ++row)
        listed << colours->item(row, 0)->text() + " → " + colours->item(row, 2)->text();
    QCOMPARE(listed, QStringList({"Blanc → Blanc", "Rosé → Rosé", "Rouge → Rouge", "Sparkling → Blanc"}));
    colours->setFocus();
    QTest::keyClick(colours, Qt::Key_End, Qt::ControlModifier);
    auto* becomes = window->findChild<QComboBox*>("Devient");
    QCOMPARE(becomes->currentText(), QString("Blanc"));
    choose(window, becomes, "Rosé");
    QCOMPARE(colours->item(3, 2)->text(), QString("Rosé"));

    pressAccessKey(window, Qt::Key_I);
    QCOMPARE(
        cellar.lastMessage().text,
        QString("L'import est terminé : 4 lots ont été ajoutés à la cave.\n2 lignes refusées n'ont pas été "
                "importées.\nÉdition › Annuler retire cet import d'un coup."));
    QCOMPARE(cellar.lots(), QStringList({"Pensées|Pomerol|2015|Rouge|6|45.5",
                                         "Clavoillon|Puligny-Montrachet|2018|Blanc|3|62",
                                         "Tentations|Côtes de Provence|2022|Rosé|12|11.9",
                                         "Special Cuvée|Champagne|2016|Rosé|1|<null>"}));
    // A second press needs a new review: no import twice by a double press.
    QVERIFY(!window->findChild<QPushButton*>("Importer")->isEnabled());

    // The second sheet, picked by the user.
    choose(window, window->findChild<QComboBox*>("ListeFeuilles"), "Achats 2025");
    QCOMPARE(window->columnList(Field::Nom)->currentText(), QString("Nom"));
    pressAccessKey(window, Qt::Key_V);
    pressAccessKey(window, Qt::Key_I);
    QCOMPARE(cellar.lotCount(), 5);
    QCOMPARE(cellar.lots().last(), QString("Achat salon|Chinon|2020|Rouge|6|9.5"));
}

void TestSpreadsheet::cancelledOrChangedFileLeavesCellarUnchanged() {
    QTemporaryDir dir;
    const QString path = dir.filePath("cave.csv");
    QByteArray content = "Nom;Type;Année;Couleur;Quantité\n";
    for (int i = 0; i < 3000; ++i)
        content += "Vin " + QByteArray::number(i) + ";Bordeaux;2010;Rouge;6\n";
    writeFile(path, content);
    TestCellar cellar;
    std::unique_ptr<ImporterTableau> holder;
    ImporterTableau* window = openedWith(holder, cellar, path);
    pressAccessKey(window, Qt::Key_V);
    cellar.services.progress.cancelAfter(2);
    pressAccessKey(window, Qt::Key_I);
    QCOMPARE(cellar.lastMessage().text, QString("L'import a été annulé : la cave n'a pas été modifiée."));
    QCOMPARE(cellar.lotCount(), 0);
    cellar.services.progress.cancelAfter(-1);

    // The file changed after the review: one row more.
    writeFile(path, content + "Vin de plus;Bordeaux;2010;Rouge;6\n");
    pressAccessKey(window, Qt::Key_I);
    QVERIFY2(cellar.lastMessage().text.contains("il a changé depuis la vérification"),
             qPrintable(cellar.lastMessage().text));
    QCOMPARE(cellar.lotCount(), 0);
    pressAccessKey(window, Qt::Key_V);
    pressAccessKey(window, Qt::Key_I);
    QCOMPARE(cellar.lotCount(), 3001);
}

void TestSpreadsheet::refusedRowsExported() {
    QTemporaryDir dir;
    const QString path = dir.filePath("cave.csv");
    QByteArray content = "Nom;Type;Année;Couleur;Quantité;Prix\n";
    for (int i = 0; i < 1500; ++i)
        content += "Vin " + QByteArray::number(i) + ";Bordeaux;3000;Rouge;6;\n";
    content += ";Bordeaux;2010;Rouge;6;\nBon;Bordeaux;2010;Rouge;6;douze\nBon;Bordeaux;2010;Rouge;6;12\n";
    for (int i = 0; i < 1200; ++i)
        content += "Blanc " + QByteArray::number(i) + ";Loire;2020;Blanc;6;\n";
    writeFile(path, content);
    TestCellar cellar;
    // Counts are written the French way on a system that speaks another language.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard(useFrenchLocale);
    std::unique_ptr<ImporterTableau> holder;
    ImporterTableau* window = openedWith(holder, cellar, path);
    pressAccessKey(window, Qt::Key_V);
    const QString bilan = window->findChild<QLabel*>("Bilan")->text();
    QVERIFY2(bilan.startsWith("1\u202F201 lots seront ajoutés à la cave.\n1\u202F502 lignes sont refusées"),
             qPrintable(bilan));
    QVERIFY2(bilan.contains("  1\u202F500 : année absente"), qPrintable(bilan));
    QVERIFY(
        bilan.contains("Les 1\u202F000 premières sont montrées ; « Exporter les refus… » les écrit toutes."));
    const auto* colours = window->findChild<QTableWidget*>("Couleurs");
    QCOMPARE(colours->item(0, 0)->text(), QString("Blanc"));
    QCOMPARE(colours->item(0, 1)->text(), QString("1\u202F200"));
    QCOMPARE(modelRows(window->findChild<QTableView*>("LignesRefusees")->model()).size(), 1000);
    const QString exported = dir.filePath("refus.csv");
    cellar.services.inputs.queueText(exported);
    pressAccessKey(window, Qt::Key_R);
    const QStringList lines = QString::fromUtf8(fileBytes(exported)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1503);
    // The table's own columns, mended and imported again as they are, then the reason.
    QCOMPARE(lines.at(0), QString("Nom;Type;Année;Couleur;Quantité;Prix;Motif du refus"));
    QCOMPARE(
        lines.at(1),
        QString("Vin 0;Bordeaux;3000;Rouge;6;;année absente, illisible ou hors de 1000 à l'année en cours"));
    QCOMPARE(lines.at(1501), QString(";Bordeaux;2010;Rouge;6;;sans nom"));
    QCOMPARE(lines.at(1502), QString("Bon;Bordeaux;2010;Rouge;6;douze;prix négatif, illisible ou au-delà de "
                                     "1\u202f000\u202f000\u202f000\u202f000\u202f000\u00a0€"));
}

void TestSpreadsheet::roundTripFromTheViewsExport() {
    TestCellar source;
    DataLink link(source.databasePath());
    QVERIFY(!link.open());
    QVERIFY(!CellarQueries::addLot(link, {"=Pensées; « grand »", "Pomerol", 2015, "Rouge", 6, 45.5,
                                          LotDetails{2025, 2035, "Cave, A3", {}, {}}}));
    QVERIFY(!CellarQueries::addLot(link, {" Espace devant",
                                          "Chinon \"vieilles vignes\"",
                                          2020,
                                          "Rosé",
                                          12,
                                          {},
                                          LotDetails{{}, 2030, {}, {}, {}}}));
    QVERIFY(!CellarQueries::addLot(
        link, {"Clavoillon", "Puligny", 2018, "Blanc", 3, 1062.125, LotDetails{2022, {}, {}, {}, {}}}));
    link.close();
    const QString exported = QDir(source.folder()).filePath("Cave.csv");
    {
        Visualisation view(source.globals, source.services);
        view.findChild<QAction*>("ColonneEmplacement")->trigger();
        view.findChild<QAction*>("ColonneABoire")->trigger();
        QVERIFY(view.exportCsv(exported));
    }
    TestCellar target;
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(exported, problem);
    QVERIFY2(reader, qPrintable(problem));
    const SheetImport::Settings settings = proposed(*reader);
    const SheetImport::Review review = reviewOf(*reader, settings, problem);
    QCOMPARE(review.valid, 3);
    QVERIFY(SheetImport::run(*reader, settings, review, target.databasePath()).ok());
    QStringList sourceLots = source.lots(), targetLots = target.lots();
    sourceLots.sort();
    targetLots.sort();
    QCOMPARE(targetLots, sourceLots);
    QStringList sourceDetails = details(source), targetDetails = details(target);
    sourceDetails.sort();
    targetDetails.sort();
    QCOMPARE(targetDetails, sourceDetails);
}

void TestSpreadsheet::menuEntryHasItsOwnAccessLetter() {
    TestCellar cellar;
    bool opened = false;
    MenuActions actions;
    actions.importTableau = [&](QWidget* parent) {
        ImporterTableau window(cellar.globals, cellar.services, parent);
        whenModal([&](QDialog* shown) {
            opened = shown->windowTitle() == "Importer un tableau";
            pressAccessKey(shown, Qt::Key_Q);
        });
        window.exec();
    };
    Principale main(cellar.globals, actions);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto* fichier = main.findChild<QMenu*>("MenuFichier");
    auto* entry = main.findChild<QAction*>("MenuImportTableau");
    QVERIFY(entry && fichier->actions().contains(entry));
    const auto letterOf = [](const QAction* action) {
        const qsizetype amp = action->text().indexOf(u'&');
        return amp >= 0 ? action->text().at(amp + 1).toLower() : QChar();
    };
    const QChar letter = letterOf(entry);
    QVERIFY(letter.isLetter());
    for (QAction* action : fichier->actions())
        QVERIFY2(action == entry || letterOf(action) != letter, qPrintable(action->text()));
    // Alt+F, then its letter, opens the window.
    QTest::keyClick(&main, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(fichier->isVisible());
    QTest::keyClick(fichier, Qt::Key(letter.toUpper().unicode()));
    QTRY_VERIFY(opened);
}

void TestSpreadsheet::memoryBoundedOnAHundredThousandRows() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer reserves far more address space than any ceiling: checked in the plain build");
#endif
    QTemporaryDir dir;
    const QString path = dir.filePath("cave.csv");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Domaine;Vin;Appellation;Millésime;Couleur;Qté;Prix;Emplacement;À boire;Note\r\n");
        for (int i = 0; i < 100000; ++i)
            file.write("Domaine numéro " + QByteArray::number(i) +
                       ";Cuvée des vieilles vignes;Saint-Émilion grand "
                       "cru;2015;Rouge;6;12,50 €;Cave, casier " +
                       QByteArray::number(i % 500) + ";2025 2035;Acheté au salon, à boire avec un gigot\r\n");
    }
    TestCellar cellar;
    QString problem;
    std::unique_ptr<SheetReader> reader = opened(path, problem);
    QVERIFY(reader);
    const SheetImport::Settings settings = proposed(*reader);
    // Peak resident memory counted from here.
    QFile refs("/proc/self/clear_refs");
    if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
        QSKIP("this kernel cannot reset the peak of resident memory");
    refs.close();
    const qint64 before = statusKb("VmRSS:");
    const SheetImport::Review review = reviewOf(*reader, settings, problem);
    QCOMPARE(review.valid, 100000);
    QCOMPARE(added(SheetImport::run(*reader, settings, review, cellar.databasePath())), 100000);
    const qint64 growth = statusKb("VmHWM:") - before;
    QVERIFY2(growth < 30 * 1024, qPrintable(QString("%1 kB").arg(growth)));
    QCOMPARE(cellar.lotCount(), 100000);
}

void TestSpreadsheet::largeWorkbookListedWithACancel() {
    // Two tables, the second after some megabytes of the first: its name is known only once read through.
    QTemporaryDir dir;
    const QString path = dir.filePath("grande.ods");
    writeZip(path, {{"content.xml", [](QIODevice& out) {
                         out.write(OdsStart);
                         const QByteArray row =
                             "<table:table-row><table:table-cell office:value-type=\"string\">"
                             "<text:p>Domaine de la Romanée</text:p></table:table-cell>"
                             "</table:table-row>";
                         for (int i = 0; i < 40000; ++i)
                             out.write(row);
                         out.write("</table:table><table:table table:name=\"Réserve\"><table:table-row>"
                                   "<table:table-cell office:value-type=\"string\"><text:p>Nom</text:p>"
                                   "</table:table-cell></table:table-row>");
                         out.write(OdsEnd);
                     }}});
    TestCellar cellar;
    cellar.services.progress.cancelAfter(1);
    std::unique_ptr<ImporterTableau> holder;
    ImporterTableau* window = openedWith(holder, cellar, path);
    QVERIFY(cellar.services.progress.shown().contains("Lecture des feuilles du classeur…"));
    QCOMPARE(cellar.lastMessage().text, QString("L'ouverture du tableau a été annulée."));
    auto* sheets = window->findChild<QComboBox*>("ListeFeuilles");
    QCOMPARE(sheets->count(), 0);

    cellar.services.progress.cancelAfter(-1);
    auto* field = window->findChild<QLineEdit*>("CheminTableau");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(itemsOf(sheets), QStringList({"Cave", "Réserve"}));
    QCOMPARE(cellar.messageCount(), 1);

    // Reaching the second table reads through the first: cancelled, the window is left without a table.
    cellar.services.progress.cancelAfter(1);
    sheets->setFocus();
    QTest::keyClick(sheets, Qt::Key_Down);
    QCOMPARE(cellar.lastMessage().text, QString("La lecture du tableau a été annulée."));
    QCOMPARE(sheets->count(), 0);
    pressAccessKey(window, Qt::Key_V);
    QCOMPARE(cellar.lastMessage().text, QString("Choisissez d'abord le tableau à importer !!"));
    QCOMPARE(cellar.lotCount(), 0);
}

QTEST_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
