// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelpService.h"
#include "shell/Preparation.h"
#include "shell/Principale.h"
#include "shell/SingleCopy.h"
#include "support/TestCellar.h"
#include "ui/WindowTools.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void startUpPreparesTheGlobals();
    void installedProgramKeepsToTheUsersFolders();
    void startUpFinishesAnInterruptedMove();
    void lockIsTheSameInEverySession();
    void secondCopyIsRefused();
    void crashedCopyDoesNotBlock();
    void toolBarDispatch_data();
    void toolBarDispatch();
    void menuMatchesTheTable();
    void missingWindowsStayDisabled();
    void statusBarPanels();
    void f1OpensTheActiveWindowsTopic();
    void everyTopicIsInTheHelpFile();
};

void TestShell::startUpPreparesTheGlobals() {
    QTemporaryDir dir;
    const QString executable = dir.path() + "/brovane";
    writeFile(executable, "#!");
    QFile exe(executable);
    QVERIFY(exe.open(QIODevice::ReadWrite));
    QVERIFY(
        exe.setFileTime(QDateTime(QDate(2000, 4, 6), QTime(14, 5, 9)), QFileDevice::FileModificationTime));
    exe.close();
    const Globals g = Preparation::prepare(executable);
    QCOMPARE(g.DateCompilation, QString("06/04/2000 à 14:05"));
    QCOMPARE(g.VersionAppli, QString("1.3"));
    QCOMPARE(g.CheminAppli, dir.path() + '/');
    QCOMPARE(g.CheminBase, g.CheminAppli);
    QCOMPARE(g.helpFile, g.CheminAppli + "Orny.hlp");
    QCOMPARE(g.databasePath(), g.CheminAppli + "Orny02.dat");
    QVERIFY(QFile::exists(g.CheminAppli + "Orny.ini"));
    QCOMPARE(Preparation::statusText(g.VersionAppli), QString("Brovane  -  Version 1.3"));
    QCOMPARE(Preparation::dateCompilation(QDateTime(QDate(1999, 12, 31), QTime(0, 0))),
             QString("31/12/1999 à 00:00"));
}

void TestShell::installedProgramKeepsToTheUsersFolders() {
    QStandardPaths::setTestModeEnabled(true);
    const QString config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/brovane/";
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/brovane/";
    QDir(config).removeRecursively();
    QDir(data).removeRecursively();
    QTemporaryDir program;
    const QString folder = program.path() + '/';
    writeFile(folder + "brovane", "#!");
    writeFile(folder + Preparation::InstalledMarker, "");
    QVERIFY(QFile::copy(BROVANE_DELIVERED_DATABASE, folder + "Orny02.dat"));
    const QByteArray delivered = fileBytes(folder + "Orny02.dat");
    // Installed, the program never writes its folder, even when it could (as root): each user starts
    // from his own copy of the delivered cellar.
    Globals g = Preparation::prepare(folder + "brovane");
    QCOMPARE(g.settingsFolder, config);
    QCOMPARE(g.CheminBase, data);
    QCOMPARE(fileBytes(data + "Orny02.dat"), delivered);
    QCOMPARE(fileBytes(config + "Orny.ini"), data.toLocal8Bit() + "\n");
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3);
    // The user's cellar is his own from then on: a new delivered one (an upgrade) does not replace it.
    TestCellar mine;
    mine.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12);
    QVERIFY(QFile::remove(data + "Orny02.dat") && QFile::copy(mine.databasePath(), data + "Orny02.dat"));
    g = Preparation::prepare(folder + "brovane");
    QCOMPARE(fileBytes(data + "Orny02.dat"), fileBytes(mine.databasePath()));
    QDir(config).removeRecursively();
    QDir(data).removeRecursively();
}

void TestShell::startUpFinishesAnInterruptedMove() {
    TestCellar cellar;
    writeFile(cellar.folder() + "brovane", "#!");
    // Killed after the copy took its name and the settings were written, before the old file was deleted.
    QVERIFY(QDir().mkdir(cellar.folder() + "Cave"));
    QVERIFY(QFile::copy(cellar.databasePath(), cellar.folder() + "Cave/Orny02.dat"));
    writeFile(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "Cave/\n");
    writeFile(cellar.folder() + "Orny.ini.deplacement",
              cellar.folder().toLocal8Bit() + "\n" + cellar.folder().toLocal8Bit() + "Cave/\n");
    QStringList notices;
    const Globals g = Preparation::prepare(cellar.folder() + "brovane", &notices);
    QCOMPARE(g.CheminBase, cellar.folder() + "Cave/");
    QVERIFY(!QFile::exists(cellar.folder() + "Orny02.dat"));
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices.front().contains("a été terminé"));
}

void TestShell::lockIsTheSameInEverySession() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/tmp/une-session");
    const QString first = singleCopyLockPath();
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(singleCopyLockPath(), first);
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
}

void TestShell::secondCopyIsRefused() {
    QTemporaryDir dir;
    SingleCopyLock first(dir.path() + "/brovane.lock");
    MessageBox messages;
    messages.setScripted(true);
    QVERIFY(Preparation::refuseSecondCopy(first, messages));
    QVERIFY(messages.shown().isEmpty());
    SingleCopyLock second(dir.path() + "/brovane.lock");
    QVERIFY(!Preparation::refuseSecondCopy(second, messages));
    QCOMPARE(messages.shown().size(), 1);
    const auto& shown = messages.shown().front();
    QCOMPARE(shown.title, QString("Brovane"));
    QCOMPARE(shown.text, QString("L'application est déjà en mémoire !!\n\nUtiliser la barre des taches"));
    QCOMPARE(shown.icon, MessageBox::Icon::Critical);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QVERIFY(first.isLocked());
    QVERIFY(!second.isLocked());
}

void TestShell::crashedCopyDoesNotBlock() {
    QTemporaryDir dir;
    const QString lockPath = dir.path() + "/brovane.lock";
    MessageBox messages;
    messages.setScripted(true);
    // Another process holds the lock, as a running copy does; then it is killed.
    QProcess other;
    other.start("flock", {"--nonblock", "--no-fork", lockPath, "sleep", "60"});
    QVERIFY(other.waitForStarted());
    QTRY_VERIFY(!SingleCopyLock(lockPath).tryLock());
    other.kill();
    QVERIFY(other.waitForFinished());
    QVERIFY(QFile::exists(lockPath));
    SingleCopyLock lock(lockPath);
    QVERIFY(Preparation::refuseSecondCopy(lock, messages));
    QVERIFY(messages.shown().isEmpty());
    // A lock file that cannot even be opened does not keep the user from the cellar.
    SingleCopyLock nowhere(dir.path() + "/absent/brovane.lock");
    QVERIFY(Preparation::refuseSecondCopy(nowhere, messages));
}

void TestShell::toolBarDispatch_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("SaisieAchats") << "SaisieAchats"
                                  << "saisie";
    QTest::newRow("SaisieConsommation") << "SaisieConsommation"
                                        << "consommation";
    QTest::newRow("Visualisation") << "Visualisation"
                                   << "visualisation";
    QTest::newRow("Imprimer") << "Imprimer"
                              << "imprimer";
    QTest::newRow("Config") << "Config"
                            << "config";
    QTest::newRow("Import") << "Import"
                            << "import";
    QTest::newRow("Apropos") << "Apropos"
                             << "apropos";
    QTest::newRow("unknown key") << "Inconnu"
                                 << "";
    QTest::newRow("key compared with case") << "saisieachats"
                                            << "";
}

void TestShell::toolBarDispatch() {
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TestCellar cellar;
    QStringList ran;
    const auto record = [&ran](const char* name) { return [&ran, name](QWidget*) { ran << name; }; };
    Principale window(cellar.globals, {record("saisie"),
                                       record("consommation"),
                                       record("visualisation"),
                                       record("imprimer"),
                                       record("config"),
                                       record("import"),
                                       record("apropos"),
                                       record("sauvegarder"),
                                       record("restaurer"),
                                       record("annuler"),
                                       record("historique"),
                                       {}});
    window.BarreBoutons_ButtonClick(key);
    QCOMPARE(ran, expected.isEmpty() ? QStringList() : QStringList{expected});
    // The button and its menu entry run the same handler.
    auto* button = window.findChild<QAction*>(key);
    if (!expected.isEmpty()) {
        QVERIFY(button);
        button->trigger();
        QCOMPARE(ran, QStringList({expected, expected}));
    }
}

void TestShell::menuMatchesTheTable() {
    TestCellar cellar;
    Principale window(cellar.globals, {});
    QCOMPARE(window.windowTitle(), QString("Brovane"));
    const QList<std::tuple<QString, QString, QString>> entries = {
        {"MenuSaisie", "&Saisie des achats", "Ctrl+A"},
        {"MenuConsommation", "&Consommation", "Ctrl+C"},
        {"MenuVisualisation", "&Visualisation", "Ctrl+V"},
        {"MenuImprimer", "&Imprimer", "Ctrl+I"},
        {"Separe01", "", ""},
        {"MenuConfig", "C&onfiguration", ""},
        {"MenuImport", "&Import", ""},
        {"MenuSauvegarder", "Sauve&garder la cave…", ""},
        {"MenuRestaurer", "&Restaurer une sauvegarde…", ""},
        {"MenuSepare02", "", ""},
        {"MenuQuitter", "&Quitter", "F12"}};
    auto* fichier = window.findChild<QMenu*>("MenuFichier");
    QCOMPARE(fichier->title(), QString("&Fichier"));
    QCOMPARE(fichier->actions().size(), entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        QAction* action = fichier->actions().at(i);
        QCOMPARE(action->objectName(), std::get<0>(entries.at(i)));
        QCOMPARE(action->text(), std::get<1>(entries.at(i)));
        QCOMPARE(action->shortcut().toString(), std::get<2>(entries.at(i)));
    }
    // Édition comes between Fichier and ?; with nothing to undo, its first entry is greyed.
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, QStringList({"&Fichier", "&Édition", "&?"}));
    auto* edition = window.findChild<QMenu*>("MenuEdition");
    QCOMPARE(edition->actions().at(0)->text(), QString("&Annuler"));
    QCOMPARE(edition->actions().at(0)->shortcut().toString(), QString("Ctrl+Z"));
    QCOMPARE(edition->actions().at(1)->text(), QString("&Historique…"));
    // Reached from a keyboard with an É key and from one without.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const Qt::Key key : {Qt::Key_E, Qt::Key_Eacute}) {
        QTest::keyClick(&window, key, Qt::AltModifier);
        QTRY_VERIFY(edition->isVisible());
        edition->close();
        QTRY_VERIFY(!edition->isVisible());
    }
    auto* interro = window.findChild<QMenu*>("MenuInterro");
    QCOMPARE(interro->title(), QString("&?"));
    QCOMPARE(interro->actions().at(0)->text(), QString("A &propos"));
    QCOMPARE(interro->actions().at(1)->text(), QString("&Aide"));
    auto* toolbar = window.findChild<QToolBar*>("BarreBoutons");
    QStringList keys, tips;
    // Each button shows its own drawing, drawn at build time: the same pixels, at every size, as its SVG
    // file drawn now.
    const QStringList drawings = {"achats", "consommation", "visualisation", "imprimer", "config",
                                  "import", "apropos",      "aide",          "quitter"};
    for (QAction* a : toolbar->actions()) {
        const QString drawing = drawings.value(keys.size());
        keys << a->objectName();
        tips << a->toolTip();
        for (const int size : {16, 32, 64}) {
            const QImage shown =
                a->icon().pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            QImage expected(size, size, QImage::Format_ARGB32_Premultiplied);
            expected.fill(Qt::transparent);
            QPainter painter(&expected);
            QIcon(":/icons/" + drawing + ".svg").paint(&painter, expected.rect());
            painter.end();
            QVERIFY2(shown == expected.convertToFormat(QImage::Format_ARGB32), qPrintable(drawing));
        }
    }
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(keys, QStringList({"SaisieAchats", "SaisieConsommation", "Visualisation", "Imprimer", "Config",
                                "Import", "Apropos", "Aide", "Quitter"}));
    QCOMPARE(tips, QStringList({"Saisie des achats", "Saisie des consommations", "Visualisation de la orny",
                                "Impression de l'inventaire de la orny", "Configuration",
                                "Import des données d'une base < à la version 1.3", "A propos !",
                                "Un peu d'aide ?", "Quitter"}));
}

void TestShell::missingWindowsStayDisabled() {
    TestCellar cellar;
    MenuActions windows;
    windows.saisie = [](QWidget*) {};
    Principale window(cellar.globals, windows);
    QVERIFY(window.findChild<QAction*>("MenuSaisie")->isEnabled());
    QVERIFY(window.findChild<QAction*>("SaisieAchats")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("MenuImport")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("Import")->isEnabled());
    QVERIFY(window.findChild<QAction*>("MenuQuitter")->isEnabled());
    QVERIFY(window.findChild<QAction*>("MenuAide")->isEnabled());
}

void TestShell::statusBarPanels() {
    TestCellar cellar;
    Principale window(cellar.globals, {});
    QCOMPARE(window.findChild<QLabel*>("Panneau1")->text(), QString("Brovane  -  Version 1.3"));
    QCOMPARE(window.findChild<QLabel*>("Panneau2")->text(), QString("DEFIL"));
    QCOMPARE(window.findChild<QLabel*>("Panneau3")->text(), QString("INS"));
    QCOMPARE(window.findChild<QLabel*>("Panneau4")->text(), QString("MAJ"));
    QCOMPARE(window.findChild<QLabel*>("Panneau5")->text(), QString("NUM"));
    QCOMPARE(window.findChild<QLabel*>("Panneau6")->text(), QDate::currentDate().toString("dd/MM/yyyy"));
    QVERIFY(QTime::fromString(window.findChild<QLabel*>("Panneau7")->text(), "HH:mm").isValid());
    // Insert has no indicator: its panel follows the presses.
    const bool before = window.findChild<QLabel*>("Panneau3")->isEnabled();
    QTest::keyClick(&window, Qt::Key_Insert);
    QTest::qWait(600);
    QCOMPARE(window.findChild<QLabel*>("Panneau3")->isEnabled(), !before);
}

void TestShell::everyTopicIsInTheHelpFile() {
    // The topics the windows open with F1, and those the help's own contents point to.
    const QString help = QString::fromUtf8(fileBytes(BROVANE_HELP_FILE));
    for (const int topic : {3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15})
        QVERIFY2(help.contains(QString("id=\"sujet-%1\"").arg(topic)), qPrintable(QString::number(topic)));
    QRegularExpression link("href=\"#(sujet-\\d+)\"");
    for (auto match = link.globalMatch(help); match.hasNext();)
        QVERIFY(help.contains("id=\"" + match.next().captured(1) + "\""));
}

void TestShell::f1OpensTheActiveWindowsTopic() {
    TestCellar cellar;
    Principale window(cellar.globals, {});
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(window.help().lastShown(), QUrl::fromLocalFile(cellar.globals.helpFile));
    QDialog working(&window);
    WindowTools::setHelpTopic(&working, 4);
    QTest::keyClick(&working, Qt::Key_F1);
    QCOMPARE(window.help().lastShown().fragment(), QString("sujet-4"));
    // The Aide entry presses F1 for the user, without waiting.
    window.help().pressF1(&window);
    QCoreApplication::processEvents();
    QVERIFY(window.help().lastShown().isValid());
    // The help windows open on screen and close with Escape or Ctrl+W.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QList<QWidget*> helps;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FenetreAide" && w->isVisible())
            helps << w;
    QCOMPARE(helps.size(), 3);
    for (QWidget* help : helps)
        QVERIFY(screen.contains(help->geometry()));
    helps.at(0)->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(helps.at(0)));
    QTest::keyClick(helps.at(0)->findChild<QWidget*>("TexteAide"), Qt::Key_Escape);
    QVERIFY(!helps.at(0)->isVisible());
    helps.at(1)->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(helps.at(1)));
    QTest::keyClick(helps.at(1)->findChild<QWidget*>("TexteAide"), Qt::Key_W, Qt::ControlModifier);
    QVERIFY(!helps.at(1)->isVisible());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
