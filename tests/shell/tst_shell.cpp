// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"
#include "shell/BuildFolderCellar.h"
#include "shell/CopyScheduler.h"
#include "shell/HelpService.h"
#include "shell/Preparation.h"
#include "shell/Principale.h"
#include "shell/SingleCopy.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
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
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <unistd.h>

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void startUpPreparesTheGlobals();
    void installedProgramKeepsToTheUsersFolders();
    void startUpFinishesAnInterruptedMove();
    void startUpClearsWhatKillsLeft();
    void dayCopyRunsBesideTheWindowAndTheSessionEndsWithOne();
    void lockIsTheSameInEverySession();
    void secondCopyIsRefused();
    void crashedCopyDoesNotBlock();
    void unusableLockGivesWayToTheNextPlace_data();
    void unusableLockGivesWayToTheNextPlace();
    void noPlaceForTheLockRefusesToStart();
    void aCopyAnywhereRefusesTheNext_data();
    void aCopyAnywhereRefusesTheNext();
    void commandLine_data();
    void commandLine();
    void earlierBuildFolderCellarIsCarried();
    void earlierBuildFolderCellarBesideAnotherIsPointedOut();
    void toolBarDispatch_data();
    void toolBarDispatch();
    void menuMatchesTheTable();
    void missingWindowsStayDisabled();
    void mainWindowSumsTheCellarUp();
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

void TestShell::startUpClearsWhatKillsLeft() {
    TestCellar cellar;
    writeFile(cellar.folder() + "brovane", "#!");
    writeFile(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "\n");
    QVERIFY(QDir().mkdir(cellar.folder() + "Sauvegardes"));
    const QStringList leftovers = {"Orny.ini.ecriture", "Orny.ini.deplacement.ecriture",
                                   "Orny02.dat.restauration",
                                   "Sauvegardes/Orny02-2026-12-07-080000-jour.dat.copie",
                                   "Sauvegardes/Orny02-2026-12-07-080000-jour.dat.copie-journal"};
    for (const QString& leftover : leftovers)
        writeFile(cellar.folder() + leftover, "à moitié écrit");
    const QByteArray before = fileBytes(cellar.databasePath());
    const Globals g = Preparation::prepare(cellar.folder() + "brovane");
    QCOMPARE(g.CheminBase, cellar.folder());
    for (const QString& leftover : leftovers)
        QVERIFY2(!QFile::exists(cellar.folder() + leftover), qPrintable(leftover));
    QCOMPARE(fileBytes(cellar.databasePath()), before);
    QCOMPARE(fileBytes(cellar.folder() + "Orny.ini"), cellar.folder().toLocal8Bit() + "\n");
}

void TestShell::dayCopyRunsBesideTheWindowAndTheSessionEndsWithOne() {
    TestCellar cellar;
    cellar.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000) "
        "INSERT INTO ORNY SELECT 'Vin ' || i, 'Type ' || (i % 40), 1990 + i % 30, 'Rouge', 6, 9.5 FROM n");
    // A cellar as an earlier version left it, without the index on names.
    cellar.exec("DROP INDEX ORNY_NOM");
    Principale window(cellar.globals, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QDateTime now(QDate(2026, 12, 8), QTime(8, 30));
    CopyScheduler copies(cellar.globals, cellar.services, &window, [&now] { return now; });
    QSignalSpy ended(&copies, &CopyScheduler::dailyEnded);
    copies.startDaily();
    // Shown in the status bar while it runs; the window answers and the user's purchase goes in meanwhile.
    auto* indicator = window.statusBar()->findChild<QLabel*>("PanneauSauvegarde");
    QVERIFY(indicator);
    QCOMPARE(indicator->text(), QString("Sauvegarde du jour en cours…"));
    QVERIFY(copies.dailyRunning());
    {
        DataLink link(cellar.databasePath());
        QVERIFY(!CellarQueries::addLot(link, {"Acheté pendant la copie", "Loire", 2001, "Blanc", 1, {}}));
    }
    QVERIFY(ended.wait(20000));
    QVERIFY(!window.statusBar()->findChild<QLabel*>("PanneauSauvegarde"));
    QCOMPARE(cellar.messageCount(), 0);
    FileSystem files;
    const Backups backups(files, cellar.globals.CheminBase, Backups::userFolder());
    QCOMPARE(backups.copies().size(), 1);
    QCOMPARE(backups.copies().front().kind, BackupCopy::Kind::Daily);
    QVERIFY(backups.copies().front().lots >= 50000);
    // The cellar is brought to the current shape once its copy is taken.
    QCOMPARE(
        cellar.rows("SELECT COUNT(*) FROM sqlite_schema WHERE name = 'ORNY_NOM'").front().front().toInt(), 1);
    // The session's work is in a copy at its end.
    cellar.addLot("Acheté le soir", "Loire", 2001, "Blanc", 1);
    now = now.addSecs(10 * 3600);
    copies.atExit();
    QVERIFY(!window.isVisible());
    QCOMPARE(backups.copies().size(), 2);
    QCOMPARE(backups.copies().front().kind, BackupCopy::Kind::AtExit);
    QCOMPARE(backups.copies().front().lots, cellar.lotCount());
    QCOMPARE(cellar.messageCount(), 0);
}

void TestShell::lockIsTheSameInEverySession() {
    // Whatever a session says of its home and runtime folder, the places are the account's.
    const QStringList places = singleCopyLockPlaces();
    const QByteArray home = qgetenv("HOME");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("HOME", "/tmp/une-autre-maison");
    qputenv("XDG_RUNTIME_DIR", "/tmp/une-session");
    QCOMPARE(singleCopyLockPlaces(), places);
    qputenv("HOME", home);
    runtime.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    QVERIFY(places.last().startsWith("/tmp/brovane-"));
    QCOMPARE(singleCopyLockPlaces("/home/marie", 1000).first(),
             QString("/home/marie/.local/state/brovane/brovane.lock"));
    // Two accounts of one user id share no lock unless they share their home, where the cellar is.
    QVERIFY(singleCopyLockPlaces("/home/marie", 1000).last() !=
            singleCopyLockPlaces("/home/jean", 1000).last());
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
    QTRY_COMPARE(SingleCopyLock(lockPath).tryLock(), SingleCopyLock::Outcome::HeldByCopy);
    other.kill();
    QVERIFY(other.waitForFinished());
    QVERIFY(QFile::exists(lockPath));
    SingleCopyLock lock(lockPath);
    QVERIFY(Preparation::refuseSecondCopy(lock, messages));
    QVERIFY(messages.shown().isEmpty());
}

void TestShell::unusableLockGivesWayToTheNextPlace_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("a folder at its path") << "folder";
    QTest::newRow("a link at its path") << "link";
    QTest::newRow("its folder cannot be made") << "file for folder";
    QTest::newRow("a shared folder open to all") << "open shared folder";
    QTest::newRow("another account's file") << "other account";
}

void TestShell::unusableLockGivesWayToTheNextPlace() {
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    const QString root = dir.path();
    QString first = root + "/etat/brovane/brovane.lock";
    QVERIFY(QDir().mkpath(root + "/etat/brovane"));
    if (obstacle == "folder") {
        QVERIFY(QDir().mkpath(first));
    } else if (obstacle == "link") {
        QVERIFY(QFile::link(root + "/ailleurs.lock", first));
    } else if (obstacle == "file for folder") {
        writeFile(root + "/fichier");
        first = root + "/fichier/brovane/brovane.lock";
    } else if (obstacle == "open shared folder") {
        // As in /tmp: a folder anyone may write, holding a lock folder that is not this account's alone.
        QVERIFY(QDir().mkpath(root + "/partage/brovane-1"));
        QVERIFY(QFile::setPermissions(root + "/partage", QFileDevice::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(root + "/partage/brovane-1", QFileDevice::Permissions(0x7777)));
        first = root + "/partage/brovane-1/brovane.lock";
    } else {
        if (::geteuid() != 0)
            QSKIP("giving a file to another account needs the administrator");
        writeFile(first, "");
        QVERIFY(::chown(QFile::encodeName(first).constData(), 65534, 65534) == 0);
    }
    const QStringList places = {first, root + "/repli/brovane.lock"};
    SingleCopyLock lock(places);
    QCOMPARE(lock.tryLock(), SingleCopyLock::Outcome::Taken);
    QCOMPARE(lock.path(), places.last());
    // The next copy meets the same obstacle and finds the first copy at the same place.
    SingleCopyLock second(places);
    QCOMPARE(second.tryLock(), SingleCopyLock::Outcome::HeldByCopy);
    QCOMPARE(second.path(), places.last());
    QVERIFY(!QFile::exists(root + "/ailleurs.lock"));
}

void TestShell::noPlaceForTheLockRefusesToStart() {
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/a/brovane.lock"));
    writeFile(dir.path() + "/b");
    SingleCopyLock lock(QStringList{dir.path() + "/a/brovane.lock", dir.path() + "/b/brovane.lock"});
    MessageBox messages;
    messages.setScripted(true);
    QVERIFY(!Preparation::refuseSecondCopy(lock, messages));
    QCOMPARE(messages.shown().size(), 1);
    const auto& shown = messages.shown().front();
    QCOMPARE(shown.icon, MessageBox::Icon::Critical);
    QVERIFY(shown.text.startsWith("Brovane ne peut pas vérifier qu'il n'est pas déjà ouvert"));
    QVERIFY(shown.text.contains(dir.path() + "/a/brovane.lock » : un dossier porte ce nom"));
    QVERIFY(shown.text.contains(dir.path() + "/b/brovane.lock"));
}

void TestShell::aCopyAnywhereRefusesTheNext_data() {
    // Of the places home, runtime folder, /tmp: those that could hold the lock, as the two copies started.
    QTest::addColumn<int>("firstFrom");
    QTest::addColumn<int>("secondTo");
    QTest::newRow("every place free") << 0 << 2;
    QTest::newRow("the first could lock only the runtime folder and /tmp") << 1 << 2;
    QTest::newRow("the first could lock only /tmp") << 2 << 2;
    QTest::newRow("the second can lock only the home") << 0 << 0;
}

void TestShell::aCopyAnywhereRefusesTheNext() {
    QFETCH(int, firstFrom);
    QFETCH(int, secondTo);
    QTemporaryDir dir;
    const QStringList places = {dir.path() + "/etat/brovane.lock", dir.path() + "/run/brovane.lock",
                                dir.path() + "/tmp/brovane.lock"};
    SingleCopyLock first(places.mid(firstFrom));
    QCOMPARE(first.tryLock(), SingleCopyLock::Outcome::Taken);
    SingleCopyLock second(places.mid(0, secondTo + 1));
    QCOMPARE(second.tryLock(), SingleCopyLock::Outcome::HeldByCopy);
    QCOMPARE(second.path(), places.at(firstFrom));
    // What the second took on its way is free again.
    for (int n = 0; n < firstFrom; ++n)
        QCOMPARE(SingleCopyLock(places.at(n)).tryLock(), SingleCopyLock::Outcome::Taken);
}

void TestShell::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Brovane 1.3\n© 1998"
                             << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Utilisation : brovane [--help | --version]\n"
                          << "";
    QTest::newRow("unknown") << QStringList{"--aide"} << 2 << ""
                             << "brovane : argument non reconnu « --aide » ; « brovane --help »";
    QTest::newRow("a file") << QStringList{"Orny02.dat"} << 2 << ""
                            << "argument non reconnu « Orny02.dat »";
    QTest::newRow("version and more") << QStringList{"--version", "--help"} << 2 << ""
                                      << "argument non reconnu « --help »";
    QTest::newRow("Qt's own option") << QStringList{"-platform", "offscreen"} << 2 << ""
                                     << "argument non reconnu « -platform »";
}

void TestShell::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    // The real program, without any display: it answers before it needs one.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BROVANE_PROGRAM_DIR "/brovane"), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(output.isEmpty() ? out.isEmpty() : out.startsWith(output), qPrintable(out));
    QVERIFY2(error.isEmpty() ? err.isEmpty() : err.contains(error) && err.count('\n') == 1, qPrintable(err));
}

void TestShell::earlierBuildFolderCellarIsCarried() {
    QTemporaryDir dir;
    const QString program = dir.path() + "/build/bin/";
    const QString settings = dir.path() + "/config/brovane/";
    const QString data = dir.path() + "/donnees/brovane/";
    QVERIFY(QDir().mkpath(program + "Sauvegardes"));
    TestCellar mine;
    mine.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12);
    QVERIFY(QFile::copy(mine.databasePath(), program + "Orny02.dat"));
    writeFile(program + "Orny.ini", program.toLocal8Bit() + "\r\n");
    writeFile(program + "Sauvegardes/Orny02-2026-12-06.dat", "copie");
    writeFile(program + "Affichage.ini", "colonnes");
    FileSystem files;
    const QString told = BuildFolderCellar::carry(files, program, settings, data);
    QVERIFY2(told.contains("a été copiée") && told.contains(data + "Orny02.dat"), qPrintable(told));
    QCOMPARE(fileBytes(data + "Orny02.dat"), fileBytes(mine.databasePath()));
    QCOMPARE(fileBytes(data + "Sauvegardes/Orny02-2026-12-06.dat"), QByteArray("copie"));
    QCOMPARE(fileBytes(settings + "Affichage.ini"), QByteArray("colonnes"));
    QCOMPARE(SettingsFile::readLine(settings + "Orny.ini").value, data);
    // The earlier cellar stays whole where it was; it is brought over once.
    QCOMPARE(fileBytes(program + "Orny02.dat"), fileBytes(mine.databasePath()));
    QVERIFY(!QFile::exists(program + "Orny.ini"));
    QVERIFY(QFile::exists(program + "Orny.ini" + BuildFolderCellar::CarriedSuffix));
    QVERIFY(BuildFolderCellar::carry(files, program, settings, data).isEmpty());
}

void TestShell::earlierBuildFolderCellarBesideAnotherIsPointedOut() {
    QTemporaryDir dir;
    const QString program = dir.path() + "/build/bin/";
    const QString settings = dir.path() + "/config/brovane/";
    const QString data = dir.path() + "/donnees/brovane/";
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(settings) && QDir().mkpath(data));
    QVERIFY(QFile::copy(BROVANE_DELIVERED_DATABASE, program + "Orny02.dat"));
    QVERIFY(QFile::copy(BROVANE_DELIVERED_DATABASE, data + "Orny02.dat"));
    writeFile(program + "Orny.ini", program.toLocal8Bit() + "\n");
    writeFile(settings + "Orny.ini", data.toLocal8Bit() + "\n");
    FileSystem files;
    // Each start says so until the user has put it away: nothing is copied over his own cellar.
    for (int start = 0; start < 2; ++start) {
        const QString told = BuildFolderCellar::carry(files, program, settings, data);
        QVERIFY2(told.contains("est restée dans « " + program + "Orny02.dat »"), qPrintable(told));
        QCOMPARE(SettingsFile::readLine(settings + "Orny.ini").value, data);
    }
    // Settings naming a folder of the user's own become his.
    QVERIFY(QFile::remove(settings + "Orny.ini"));
    writeFile(program + "Orny.ini", dir.path().toLocal8Bit() + "/cave/\n");
    QVERIFY(BuildFolderCellar::carry(files, program, settings, data).isEmpty());
    QCOMPARE(SettingsFile::readLine(settings + "Orny.ini").value, dir.path() + "/cave/");
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
    QTest::newRow("Statistiques") << "Statistiques"
                                  << "statistiques";
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
                                       record("importTableau"),
                                       record("apropos"),
                                       record("sauvegarder"),
                                       record("restaurer"),
                                       record("annuler"),
                                       record("historique"),
                                       {},
                                       record("statistiques"),
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
        {"MenuStatistiques", "S&tatistiques…", ""},
        {"MenuImprimer", "&Imprimer", "Ctrl+I"},
        {"Separe01", "", ""},
        {"MenuConfig", "C&onfiguration", ""},
        {"MenuImport", "&Import", ""},
        {"MenuImportTableau", "I&mporter un tableau…", ""},
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
    // The statistics' access letter is no other entry's: Alt+F then T opens them at once.
    QStringList letters;
    for (QAction* action : fichier->actions())
        if (const qsizetype amp = action->text().indexOf('&'); amp >= 0)
            letters << action->text().mid(amp + 1, 1).toLower();
    QCOMPARE(letters.count("t"), 1);
    QCOMPARE(letters.count("q"), 1);
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
    const QStringList drawings = {"achats", "consommation", "visualisation", "statistiques", "imprimer",
                                  "config", "import",       "apropos",       "aide",         "quitter"};
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
    QCOMPARE(keys, QStringList({"SaisieAchats", "SaisieConsommation", "Visualisation", "Statistiques",
                                "Imprimer", "Config", "Import", "Apropos", "Aide", "Quitter"}));
    QCOMPARE(tips, QStringList({"Saisie des achats", "Saisie des consommations", "Visualisation de la orny",
                                "Statistiques de la orny", "Impression de l'inventaire de la orny",
                                "Configuration", "Import des données d'une base < à la version 1.3",
                                "A propos !", "Un peu d'aide ?", "Quitter"}));
}

// The main window greets with the cellar in a few lines once it shows, each leading to its lots; an empty
// cellar, to the ways of filling it. What a window changed is counted when it closes.
void TestShell::mainWindowSumsTheCellarUp() {
    TestCellar cellar;
    QStringList ran;
    MenuActions windows;
    windows.saisie = [&](QWidget*) {
        ran << "saisie";
        DataLink link(cellar.databasePath());
        const int year = QDate::currentDate().year();
        for (const auto& [closes, opens] : {std::pair(year, year - 3), std::pair(year - 1, year - 5),
                                            std::pair(year + 4, year), std::pair(year + 9, year + 2)}) {
            LotDetails details;
            details.boireDes = opens;
            details.boireJusqua = closes;
            QVERIFY(!CellarQueries::addLot(link, {"Vin", "Type", 2010, "Rouge", 1234, 10.0, details}));
        }
    };
    windows.visualisationVue = [&](QWidget*, const char* view) { ran << view; };
    Principale window(cellar.globals, windows);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* summary = window.findChild<QLabel*>("Resume");
    QTRY_VERIFY(summary->text().contains("La cave est vide"));
    QVERIFY(summary->text().contains("href=\"saisie\"") && summary->text().contains("href=\"tableau\""));
    emit summary->linkActivated("saisie");
    const QString year = QString::number(QDate::currentDate().year());
    QString text = QTextDocumentFragment::fromHtml(summary->text()).toPlainText();
    text.replace(QChar(0x202F), u' ').replace(QChar(0xA0), u' ');
    QVERIFY2(text.contains("4 lots, 4 936 bouteilles") && text.contains("49 360,00 €") &&
                 text.contains("2 lots dont la fenêtre se ferme en " + year + " ou s'est fermée") &&
                 text.contains("1 lot dont la fenêtre s'ouvre en " + year),
             qPrintable(text));
    emit summary->linkActivated("vue:Priorite_Click");
    QCOMPARE(ran, QStringList({"saisie", "Priorite_Click"}));
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
    for (const int topic : {3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 17, 20})
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
