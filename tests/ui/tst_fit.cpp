// SPDX-License-Identifier: GPL-3.0-or-later
// Every window at the usual desktop font and at 14 points (and, run again by CTest, at 200 % scale), on a
// screen of 1366 × 768: every label's and button's text fits its rectangle, no control overlaps another,
// the window stays within the screen and centred on the main window whatever the cellar holds, its grids
// show all their columns, the focus shows wherever it is, and the texts read against their backgrounds in a
// light and a dark palette. A screenshot of each is kept in the build folder for whoever wants to look.
#include "about/Apropos.h"
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "consumption/Consommation.h"
#include "history/DetailsSansLot.h"
#include "history/Historique.h"
#include "legacy/ImportBase.h"
#include "purchases/Correction.h"
#include "purchases/Saisie.h"
#include "shell/Principale.h"
#include "spreadsheet/ImporterTableau.h"
#include "support/TestCellar.h"
#include "ui/Appearance.h"
#include "ui/InputBox.h"
#include "ui/WindowTools.h"
#include "view/GridLayout.h"
#include "view/Visualisation.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStyleFactory>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

QString plain(QString text) {
    return text.remove(QRegularExpression("&(?!&)"));
}

// What of the widget's own text does not fit it, or which sibling it overlaps; empty when all is well.
QStringList problems(QWidget* window) {
    QStringList found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() == 0)
            continue;
        const QFontMetrics metrics(w->font());
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && !label->text().isEmpty()) {
            for (const QString& line : plain(label->text()).split('\n'))
                if (metrics.horizontalAdvance(line) > label->contentsRect().width() + 1)
                    found << QString("label %1 « %2 » is cut").arg(label->objectName(), line);
            if (metrics.height() > label->contentsRect().height() + 1)
                found << QString("label %1 is too low").arg(label->objectName());
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
            if (button->width() < button->sizeHint().width() ||
                button->height() < button->sizeHint().height())
                found << QString("button %1 « %2 » is cut").arg(button->objectName(), plain(button->text()));
        if (auto* box = qobject_cast<QGroupBox*>(w))
            if (box->width() < box->minimumSizeHint().width())
                found << QString("frame %1 « %2 » is cut").arg(box->objectName(), plain(box->title()));
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabRect(i).width() < metrics.horizontalAdvance(plain(tabs->tabText(i))))
                    found << QString("tab « %1 » is cut").arg(tabs->tabText(i));
        // A grid shows all its columns side by side, each caption whole.
        if (auto* grid = qobject_cast<QTableView*>(w); grid && grid->model()) {
            int columns = 0;
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                if (grid->isColumnHidden(c))
                    continue;
                columns += grid->columnWidth(c);
                const QString caption = grid->model()->headerData(c, Qt::Horizontal).toString();
                if (QFontMetrics(grid->horizontalHeader()->font()).horizontalAdvance(caption) >
                    grid->columnWidth(c))
                    found << QString("grid %1: caption « %2 » is cut").arg(grid->objectName(), caption);
            }
            if (columns > grid->viewport()->width() + 1)
                found << QString("grid %1 hides columns: %2 px of columns in %3")
                             .arg(grid->objectName())
                             .arg(columns)
                             .arg(grid->viewport()->width());
        }
    }
    // Controls side by side in one layout never cover each other.
    QList<QWidget*> parents = window->findChildren<QWidget*>();
    parents << window;
    for (QWidget* parent : parents) {
        QList<QWidget*> controls;
        for (QObject* child : parent->children())
            if (auto* w = qobject_cast<QWidget*>(child);
                w && !w->isWindow() && w->isVisibleTo(window) &&
                (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                 w->focusPolicy() != Qt::NoFocus))
                controls << w;
        for (qsizetype i = 0; i < controls.size(); ++i)
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                if (controls.at(i)->geometry().intersects(controls.at(j)->geometry()))
                    found << QString("%1 overlaps %2")
                                 .arg(controls.at(i)->objectName(), controls.at(j)->objectName());
    }
    // Within the screen, centred on the main window.
    const QRect screen = window->screen()->availableGeometry();
    if (!screen.contains(window->frameGeometry()))
        found << QString("%1 × %2 at %3, %4 is past the screen's %5 × %6")
                     .arg(window->frameGeometry().width())
                     .arg(window->frameGeometry().height())
                     .arg(window->x())
                     .arg(window->y())
                     .arg(screen.width())
                     .arg(screen.height());
    if (QWidget* parent = window->parentWidget()) {
        const QPoint off = window->frameGeometry().center() - parent->window()->frameGeometry().center();
        const bool roomToCentre = window->frameGeometry().width() < screen.width() - 2 * std::abs(off.x()) &&
                                  window->frameGeometry().height() < screen.height() - 2 * std::abs(off.y());
        if (roomToCentre && off.manhattanLength() > 4)
            found << QString("off-centre by %1, %2").arg(off.x()).arg(off.y());
    }
    return found;
}

// Whether the focus shows on a button that took it without a key (as Enter moves it in the windows).
bool focusShows(QWidget* window) {
    QList<QPushButton*> buttons;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->isVisible() && b->isEnabled())
            buttons << b;
    if (buttons.size() < 2)
        return true;
    buttons.at(1)->setFocus(Qt::OtherFocusReason);
    const QImage without = buttons.at(0)->grab().toImage();
    buttons.at(0)->setFocus(Qt::OtherFocusReason);
    const QImage with = buttons.at(0)->grab().toImage();
    return with != without;
}

// The darkest and the lightest colours of a picture: its text and its background, or the reverse.
std::pair<QColor, QColor> extremes(const QImage& image) {
    QColor darkest = Qt::white, lightest = Qt::black;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() < darkest.lightness())
                darkest = c;
            if (c.lightness() > lightest.lightness())
                lightest = c;
        }
    return {darkest, lightest};
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2B));
    p.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    p.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x33));
    p.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(QPalette::ToolTipText, QColor(0xEE, 0xEE, 0xEE));
    // As a dark theme often leaves them: disabled texts hardly distinct from their background.
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x55, 0x55, 0x55));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x55, 0x55, 0x55));
    return p;
}

} // namespace

class TestFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // First: once a main window has closed, the application's event loops end, a dialog's included.
    void fileChoiceAndInputBoxInFrenchWithWholeTitles();
    void everyWindowFits_data();
    void everyWindowFits();
    void textsReadInEveryPalette_data();
    void textsReadInEveryPalette();
    void cellarGridFillsAndKeepsWhatTheUserSets();
    void spreadsheetPreviewShowsSeveralRows();
};

void TestFit::initTestCase() {
    useFrenchLocale();
    Appearance::install(*qApp);
}

void TestFit::everyWindowFits_data() {
    QTest::addColumn<double>("points");
    QTest::newRow("usual font") << 0.0;
    QTest::newRow("14 points") << 14.0;
}

void TestFit::everyWindowFits() {
    QFETCH(double, points);
    const QFont usual = QApplication::font();
    if (points > 0) {
        QFont large = usual;
        large.setPointSizeF(points);
        QApplication::setFont(large);
    }
    TestCellar cellar;
    cellar.addLot("Château Margaux", "Bordeaux supérieur", 1998, "Rouge", 12, 12.5);
    // What a cellar may hold: names and types of 255 characters.
    cellar.addLot(QString(255, u'N'), QString(255, u'T'), 2001, "Blanc", 3, 9.5);
    const QString shots = QStringLiteral(BROVANE_SCREENSHOTS);
    QDir().mkpath(shots);
    const QString scale = QString::number(
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() * 100 : 100);
    Principale main(cellar.globals, {});
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    WindowTools::placeOnScreen(&main);
    const auto check = [&](QWidget& window, const char* name) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(20);
        window.grab().save(
            QString("%1/%2-%3pt-%4.png")
                .arg(shots, name, QString::number(points > 0 ? points : usual.pointSizeF()), scale));
        const QStringList found = problems(&window);
        QVERIFY2(found.isEmpty(), qPrintable(QString(name) + ": " + found.join("; ")));
        QVERIFY2(focusShows(&window), name);
        window.close();
    };
    check(main, "Principale");
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    {
        Saisie window(cellar.globals, cellar.services, &main);
        check(window, "Saisie");
    }
    {
        Consommation window(cellar.globals, cellar.services, &main);
        check(window, "Consommation");
    }
    {
        Visualisation window(cellar.globals, cellar.services, &main);
        check(window, "Visualisation");
    }
    {
        Config window(cellar.globals, cellar.services, &main);
        check(window, "Config");
    }
    {
        RestaurerSauvegarde window(cellar.globals, cellar.services, &main);
        check(window, "RestaurerSauvegarde");
    }
    {
        Historique window(cellar.globals, cellar.services, &main);
        check(window, "Historique");
    }
    {
        DetailsSansLot window(cellar.databasePath(), cellar.services, &main);
        check(window, "DetailsSansLot");
    }
    {
        const qint64 lot = cellar.rows("SELECT MAX(rowid) FROM ORNY").front().front().toLongLong();
        Correction window(cellar.globals, cellar.services, lot, &main);
        check(window, "Correction");
    }
    {
        ImporterTableau window(cellar.globals, cellar.services);
        check(window, "ImporterTableau");
    }
    {
        ImportBase window(cellar.globals, cellar.services, &main);
        check(window, "ImportBase");
    }
    {
        Apropos window(cellar.globals, cellar.services, &main);
        auto* tabs = window.findChild<QTabWidget*>("Onglet");
        for (int tab = 0; tab < tabs->count(); ++tab) {
            if (tab > 0)
                QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), tab);
            check(window, qPrintable(QString("Apropos%1").arg(tab + 1)));
        }
    }
    QCOMPARE(cellar.messageCount(), 0);
    QApplication::setFont(usual);
}

void TestFit::textsReadInEveryPalette_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

void TestFit::textsReadInEveryPalette() {
    QFETCH(bool, dark);
    const QPalette usual = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    // Every text role on the background it is drawn on, enabled or not: 4.5 to 1 at least.
    const QPalette p = QApplication::palette();
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase}};
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (const auto& [text, background] : pairs)
            QVERIFY2(WindowTools::contrast(p.color(group, text), p.color(group, background)) >= 4.5,
                     qPrintable(QString("group %1, role %2").arg(group).arg(text)));
    TestCellar cellar;
    cellar.addLot("Château Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    {
        // The lot being consumed, chosen and so no longer to be chosen, still reads.
        Consommation window(cellar.globals, cellar.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseInList(&window, "ListeNom", "Château Margaux");
        auto* chosen = window.findChild<QComboBox*>("ListeNom");
        QVERIFY(!chosen->isEnabled());
        const auto [ink, paper] = extremes(chosen->grab().toImage());
        QVERIFY2(WindowTools::contrast(ink, paper) >= 4.5, qPrintable(ink.name() + " on " + paper.name()));
    }
    {
        // The grid: pale yellow on a light desktop, dark on a dark one; its text reads on it.
        Visualisation window(cellar.globals, cellar.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* grid = window.findChild<QTableView*>("Grille");
        const QRect firstRow =
            grid->visualRect(grid->model()->index(0, 0)).united(grid->visualRect(grid->model()->index(0, 1)));
        const QImage cells = grid->viewport()->grab(firstRow.adjusted(2, 2, -2, -2)).toImage();
        const QColor background =
            grid->viewport()
                ->grab(QRect(grid->viewport()->width() - 4, grid->viewport()->height() - 4, 2, 2))
                .toImage()
                .pixelColor(0, 0);
        QCOMPARE(background.lightnessF() < 0.5, dark);
        if (!dark)
            QCOMPARE(background, QColor(0xFF, 0xFF, 0xC0));
        const auto [ink, paper] = extremes(cells);
        QVERIFY2(WindowTools::contrast(ink, paper) >= 4.5, qPrintable(ink.name() + " on " + paper.name()));
    }
    {
        // The tool bar's icons stand out on it: the strokes that draw them (their most contrasted tenth)
        // at 3 to 1 at least.
        Principale main(cellar.globals, {});
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QColor bar = main.palette().color(QPalette::Window);
        int icons = 0;
        for (QToolButton* button : main.findChildren<QToolButton*>()) {
            if (button->icon().isNull() || !button->isVisible())
                continue;
            const QImage picture = button->icon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32);
            QList<double> ratios;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (const QColor c = picture.pixelColor(x, y); c.alpha() >= 128)
                        ratios << WindowTools::contrast(QColor(c.red(), c.green(), c.blue()), bar);
            std::sort(ratios.begin(), ratios.end(), std::greater<>());
            QVERIFY2(
                !ratios.isEmpty() && ratios.at(ratios.size() / 10) >= 3,
                qPrintable(button->objectName() + QString(": %1").arg(ratios.value(ratios.size() / 10))));
            ++icons;
        }
        QVERIFY(icons >= 9);
    }
    QApplication::setPalette(usual);
}

void TestFit::cellarGridFillsAndKeepsWhatTheUserSets() {
    TestCellar cellar;
    cellar.addLot("Château Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    cellar.addLot("Tavel", "Rhône", 2019, "Rosé", 6, 8.75);
    QRect place;
    int nameWidth = 0;
    {
        Visualisation window(cellar.globals, cellar.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* grid = window.findChild<QTableView*>("Grille");
        // As the window grows, the seven columns fill the grid side by side, in proportion to their widths.
        for (const int width : {window.width(), window.width() + 250, window.width() + 500}) {
            window.resize(width, window.height() + 40);
            QTRY_COMPARE(grid->width() > 0, true);
            QApplication::processEvents();
            int sum = 0;
            for (int c = 0; c < 7; ++c)
                sum += grid->columnWidth(c);
            QVERIFY2(std::abs(sum - grid->viewport()->width()) <= 1,
                     qPrintable(QString("%1 of %2").arg(sum).arg(grid->viewport()->width())));
            // Nom (2300) against Type (2000) and Couleur (800): their proportions, within a pixel or two.
            QVERIFY(std::abs(grid->columnWidth(0) * 2000 - grid->columnWidth(1) * 2300) <= 2 * 2300);
            QVERIFY(std::abs(grid->columnWidth(0) * 800 - grid->columnWidth(3) * 2300) <= 2 * 2300);
            QVERIFY(!grid->horizontalScrollBar()->isVisible());
        }
        // The user widens the names with the mouse, on the border of their heading.
        QHeaderView* header = grid->horizontalHeader();
        const int border = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
        const int before = header->sectionSize(0);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, header->height() / 2));
        QTest::mouseMove(header->viewport(), QPoint(border + 40, header->height() / 2));
        QTest::mouseMove(header->viewport(), QPoint(border + 80, header->height() / 2));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {},
                            QPoint(border + 80, header->height() / 2));
        nameWidth = header->sectionSize(0);
        QVERIFY2(nameWidth >= before + 60, qPrintable(QString("%1 → %2").arg(before).arg(nameWidth)));
        // A filter keeps it; the other columns still fill the rest.
        pressAccessKey(&window, Qt::Key_R);
        QCOMPARE(header->sectionSize(0), nameWidth);
        int sum = 0;
        for (int c = 0; c < 7; ++c)
            sum += grid->columnWidth(c);
        QVERIFY(std::abs(sum - grid->viewport()->width()) <= 1);
        // Left where the user put it, as large as he made it.
        window.setGeometry(40, 30, 1100, 460);
        QApplication::processEvents();
        place = window.geometry();
        window.close();
    }
    {
        // The next opening: the same place and size, the same width of names.
        Visualisation window(cellar.globals, cellar.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), place.size());
        // Within the window manager's frame of where it was.
        QVERIFY2((window.pos() - place.topLeft()).manhattanLength() <= 8,
                 qPrintable(QString("%1,%2").arg(window.x()).arg(window.y())));
        auto* grid = window.findChild<QTableView*>("Grille");
        QCOMPARE(grid->columnWidth(0), nameWidth);
        // Asked from the grid's menu, the columns take their shares again.
        grid->findChild<QAction*>("LargeursOrigine")->trigger();
        QVERIFY(std::abs(grid->columnWidth(0) * 2000 - grid->columnWidth(1) * 2300) <= 2 * 2300);
        window.close();
    }
    Visualisation again(cellar.globals, cellar.services);
    auto* grid = again.findChild<QTableView*>("Grille");
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY(std::abs(grid->columnWidth(0) * 2000 - grid->columnWidth(1) * 2300) <= 2 * 2300);
}

void TestFit::spreadsheetPreviewShowsSeveralRows() {
    TestCellar cellar;
    const QString path = cellar.folder() + "cave.csv";
    QByteArray content = "Nom;Type;Année;Couleur;Quantité;Prix\n";
    for (int i = 0; i < 10; ++i)
        content += "Vin " + QByteArray::number(i) + ";Bordeaux;2010;Rouge;6;12,5\n";
    writeFile(path, content);
    ImporterTableau window(cellar.globals, cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* field = window.findChild<QLineEdit*>("CheminTableau");
    typeOver(field, path);
    QTest::keyClick(field, Qt::Key_Return);
    auto* preview = window.findChild<QTableView*>("Apercu");
    QCOMPARE(preview->model()->rowCount(), 10);
    const auto wholeRows = [preview] {
        int rows = 0;
        while (rows < preview->model()->rowCount() &&
               preview->rowViewportPosition(rows) + preview->rowHeight(rows) <= preview->viewport()->height())
            ++rows;
        return rows;
    };
    // On a screen 768 high, ten rows read whole, and still do once the review has listed its findings.
    QVERIFY2(wholeRows() >= 10, qPrintable(QString::number(wholeRows())));
    pressAccessKey(&window, Qt::Key_V);
    QVERIFY2(window.findChild<QLabel*>("Bilan")->text().startsWith("10 lots seront ajoutés"),
             qPrintable(window.findChild<QLabel*>("Bilan")->text()));
    QVERIFY2(wholeRows() >= 10, qPrintable(QString::number(wholeRows())));
    // The window within the screen.
    QVERIFY(window.screen()->availableGeometry().contains(window.geometry()));
}

void TestFit::fileChoiceAndInputBoxInFrenchWithWholeTitles() {
    TestCellar cellar;
    const QString folder = cellar.folder() + "choix";
    QVERIFY(QDir().mkpath(folder + "/Sous-dossier"));
    writeFile(folder + "/cave.csv", QByteArray(3500, 'x'));
    {
        QFile file(folder + "/cave.csv");
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(
            file.setFileTime(QDateTime(QDate(2026, 3, 5), QTime(14, 7)), QFileDevice::FileModificationTime));
    }
    // On a system that speaks English, with the dialogs as the user meets them.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard(useFrenchLocale);
    InputBox inputs;
    QStringList rows;
    QStringList cut;
    int width = 0;
    int titleWidth = 0;
    whenModal([&](QDialog* dialog) {
        // Closed whatever is found, so that a failure cannot leave the test waiting on the dialog.
        const auto close = qScopeGuard([dialog] { dialog->reject(); });
        auto* files = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(files);
        files->setDirectory(folder);
        auto* list = dialog->findChild<QTreeView*>("treeView");
        QVERIFY(list);
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2);
        for (int row = 0; row < 2; ++row) {
            QStringList cells;
            for (int column = 0; column < 4; ++column)
                cells << list->model()->index(row, column, list->rootIndex()).data().toString();
            rows << cells.join('|');
        }
        for (int column = 0; column < 4; ++column)
            if (list->header()->sectionSize(column) < list->header()->sectionSizeHint(column))
                cut << list->model()->headerData(column, Qt::Horizontal).toString();
        width = dialog->width();
        titleWidth = WindowTools::widthForTitle(dialog);
    });
    QCOMPARE(inputs.openFile(nullptr, "Importer un tableau", "Tableaux (*.csv)"), QString());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).section('|', 0, 2), QString("Sous-dossier||Dossier"));
    QCOMPARE(rows.at(1).section('|', 0, 1), QString("cave.csv|3,42 Kio"));
    QCOMPARE(rows.at(1).section('|', 3), QString("05/03/2026 14:07"));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    QVERIFY(width >= titleWidth);
    // The input box as wide as its title.
    whenModal([&](QDialog* dialog) {
        width = dialog->width();
        titleWidth = WindowTools::widthForTitle(dialog);
        dialog->reject();
    });
    QCOMPARE(inputs.ask(nullptr, "Recherche par année", "Entrez l'année (en 4 chiffres)"), QString());
    QVERIFY2(width >= titleWidth, qPrintable(QString("%1 < %2").arg(width).arg(titleWidth)));
}

QTEST_MAIN(TestFit)
#include "tst_fit.moc"
