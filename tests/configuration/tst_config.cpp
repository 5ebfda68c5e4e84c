// SPDX-License-Identifier: GPL-3.0-or-later
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "storage/Backups.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
#include "support/TestCellar.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTreeView>

namespace {

struct Cellars {
    Cellars() {
        cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
        writeFile(cellar.folder() + "brovane");
        writeFile(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "\n");
        original = fileBytes(cellar.databasePath());
    }
    TestCellar cellar;
    QTemporaryDir elsewhere;
    QByteArray original;
    QString target(const char* name) const { return elsewhere.path() + "/" + name; }
};

} // namespace

class TestConfig : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void windowMovesAndRemembers();
    void settingsThatCannotBeWrittenStopTheMove();
    void existingCellarCanBeChosenAgain();
    void windowRefusals();
    void enterMovesToValiderOnly();
    void noChangesNothing();
    void programFolderRefusedAfterAMove_data();
    void slowMoveShowsItsProgressAndCanBeCancelled_data();
    void slowMoveShowsItsProgressAndCanBeCancelled();
    void programFolderRefusedAfterAMove();
    void foldersWalkedByKeyboardAndDrivesChangeTheFolder();
    void backupChosenByKeyboardReplacesTheCellarAfterACopy_data();
    void backupChosenByKeyboardReplacesTheCellarAfterACopy();
};

void TestConfig::windowMovesAndRemembers() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), QString("Définir ou sera stockée la base de données"));
    QCOMPARE(window.findChild<QLineEdit*>("SupportChemin")->text(), c.cellar.folder().chopped(1));
    QVERIFY(!window.findChild<QLineEdit*>("SupportChemin")->isEnabled());
    window.setCurrentFolder(c.elsewhere.path());
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
    auto* name = window.findChild<QLineEdit*>("NomDossier");
    name->setFocus();
    QTest::keyClicks(name, "Cave");
    QTest::keyClick(name, Qt::Key_Return);
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    const auto& confirm = c.cellar.services.messages.shown().front();
    QCOMPARE(confirm.text, "Confirmez vous la création de :\n" + c.target("Cave"));
    QCOMPARE(confirm.title, QString("Erreur de saisie"));
    QCOMPARE(confirm.icon, MessageBox::Icon::Critical);
    QCOMPARE(confirm.buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(c.cellar.messageCount(), 1);
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
    QCOMPARE(window.findChild<QLineEdit*>("SupportChemin")->text(), c.target("Cave"));
    QCOMPARE(name->text(), QString());
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
    // The next start reads the new folder back.
    QCOMPARE(SettingsFile::readLine(c.cellar.folder() + "Orny.ini").value, c.target("Cave") + "/");
    QCOMPARE(c.cellar.lotCount(), 1);
}

void TestConfig::settingsThatCannotBeWrittenStopTheMove() {
    Cellars c;
    // A settings folder on a filesystem that refuses every write, even root's: a move the next start
    // could not find is not made.
    c.cellar.globals.settingsFolder = "/proc/brovane/";
    Config window(c.cellar.globals, c.cellar.services);
    window.setCurrentFolder(c.elsewhere.path());
    QTest::keyClicks(window.findChild<QLineEdit*>("NomDossier"), "Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    QTest::mouseClick(window.findChild<QPushButton*>("Valider"), Qt::LeftButton);
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QVERIFY(c.cellar.lastMessage().text.startsWith("La base n'a pas été déplacée"));
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Critical);
}

void TestConfig::windowRefusals() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setCurrentFolder(c.elsewhere.path());
    auto* valider = window.findChild<QPushButton*>("Valider");
    auto* name = window.findChild<QLineEdit*>("NomDossier");
    QTest::mouseClick(valider, Qt::LeftButton);
    QCOMPARE(c.cellar.lastMessage().text, QString("Vous devez saisir un nom de dossier !!"));
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Critical);
    QCOMPARE(focusName(), QString("NomDossier"));
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
    QTest::keyClicks(name, "..");
    QTest::mouseClick(valider, Qt::LeftButton);
    QVERIFY(c.cellar.lastMessage().text.contains("n'est pas valable"));
    // An existing folder is refused before the creation is asked, in the window's own box.
    QDir().mkdir(c.target("Cave"));
    typeOver(name, "Cave");
    const int before = c.cellar.messageCount();
    QTest::mouseClick(valider, Qt::LeftButton);
    QCOMPARE(c.cellar.messageCount(), before + 1);
    QVERIFY(c.cellar.lastMessage().text.contains("existe déjà"));
    QCOMPARE(c.cellar.lastMessage().title, QString("Erreur de saisie"));
    QCOMPARE(focusName(), QString("NomDossier"));
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
}

void TestConfig::existingCellarCanBeChosenAgain() {
    Cellars c;
    QDir().mkdir(c.target("Ancienne"));
    TestCellar other;
    other.addLot("Retrouvée", "Jura", 2001, "Blanc", 2);
    QVERIFY(QFile::copy(other.databasePath(), c.target("Ancienne") + "/Orny02.dat"));
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* use = window.findChild<QPushButton*>("UtiliserExistante");
    // A folder without a cellar is refused, naming why.
    window.setCurrentFolder(c.elsewhere.path());
    QTest::mouseClick(use, Qt::LeftButton);
    QVERIFY(c.cellar.lastMessage().text.contains("introuvable"));
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    // A folder holding one: asked, then remembered, nothing moved.
    window.setCurrentFolder(c.target("Ancienne"));
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    // The refusal's box took the activation: a key pressed before it comes back is lost on a busy machine.
    QVERIFY(QTest::qWaitForWindowActive(&window));
    pressAccessKey(&window, Qt::Key_E);
    QCOMPARE(c.cellar.lastMessage().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Ancienne") + "/");
    QCOMPARE(SettingsFile::readLine(c.cellar.folder() + "Orny.ini").value, c.target("Ancienne") + "/");
    QCOMPARE(window.findChild<QLineEdit*>("SupportChemin")->text(), c.target("Ancienne"));
    QCOMPARE(fileBytes(c.cellar.folder() + "Orny02.dat"), c.original);
}

void TestConfig::enterMovesToValiderOnly() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* name = window.findChild<QLineEdit*>("NomDossier");
    name->setFocus();
    QTest::keyClicks(name, "Cave");
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("Valider"));
    QCOMPARE(name->text(), QString("Cave"));
    QCOMPARE(c.cellar.messageCount(), 0);
}

void TestConfig::noChangesNothing() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.setCurrentFolder(c.elsewhere.path());
    QTest::keyClicks(window.findChild<QLineEdit*>("NomDossier"), "Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    QTest::mouseClick(window.findChild<QPushButton*>("Valider"), Qt::LeftButton);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(window.findChild<QLineEdit*>("NomDossier")->text(), QString());
}

void TestConfig::programFolderRefusedAfterAMove_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<bool>("existing");
    QTest::newRow("the program folder, a new folder") << QString() << false;
    QTest::newRow("a folder inside it, a new folder") << QString("bin/donnees") << false;
    QTest::newRow("a link to it, a new folder") << QString("@lien") << false;
    QTest::newRow("the program folder, its cellar used") << QString() << true;
}

void TestConfig::programFolderRefusedAfterAMove() {
    QFETCH(QString, parent);
    QFETCH(bool, existing);
    Cellars c;
    const QString program = c.cellar.globals.CheminAppli;
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The tree never starts on the program folder: here, on the parent of the folder that holds the cellar.
    QCOMPARE(window.currentFolder(), QFileInfo(program.chopped(1)).absolutePath());
    window.setCurrentFolder(c.elsewhere.path());
    auto* name = window.findChild<QLineEdit*>("NomDossier");
    QTest::keyClicks(name, "Cave");
    QTest::keyClick(name, Qt::Key_Return);
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
    QCOMPARE(window.currentFolder(), c.elsewhere.path());

    // A copy of the cellar left in the program folder, as an earlier version kept it there.
    QVERIFY(QFile::copy(c.target("Cave") + "/Orny02.dat", program + "Orny02.dat"));
    QString folder = program.chopped(1);
    if (parent == "@lien") {
        folder = c.target("lien");
        QVERIFY(QFile::link(program.chopped(1), folder));
    } else if (!parent.isEmpty()) {
        folder = program + parent;
        QVERIFY(QDir().mkpath(folder));
    }
    window.setCurrentFolder(folder);
    const int before = c.cellar.messageCount();
    if (existing) {
        pressAccessKey(&window, Qt::Key_E);
    } else {
        name->setFocus();
        QTest::keyClicks(name, "cave2");
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QCOMPARE(c.cellar.messageCount(), before + 1);
    QVERIFY2(c.cellar.lastMessage().text.contains("dossier du programme"),
             qPrintable(c.cellar.lastMessage().text));
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Critical);
    QVERIFY(!QFileInfo::exists(folder + "/cave2"));
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
    QCOMPARE(SettingsFile::readLine(program + "Orny.ini").value, c.target("Cave") + "/");
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
}

void TestConfig::slowMoveShowsItsProgressAndCanBeCancelled_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("Annuler pressed during the copy") << true;
    QTest::newRow("left to end") << false;
}

void TestConfig::slowMoveShowsItsProgressAndCanBeCancelled() {
    QFETCH(bool, cancel);
    // A disk that takes its time: the copy drags on until the user cancels it, or for half a second.
    struct SlowDisk : FileSystem {
        Status copyDurably(QFile& source, const QString& to) override {
            QElapsedTimer waited;
            waited.start();
            while (!stopping() && waited.elapsed() < 500)
                QThread::msleep(5);
            return FileSystem::copyDurably(source, to);
        }
    };
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.setFileSystem(std::make_unique<SlowDisk>());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setCurrentFolder(c.elsewhere.path());
    auto* name = window.findChild<QLineEdit*>("NomDossier");
    QTest::keyClicks(name, "Cave");
    QTest::keyClick(name, Qt::Key_Return);
    if (cancel)
        c.cellar.services.progress.cancelAfter(3);
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(c.cellar.services.progress.shown().last(),
             "Déplacement de la base dans « " + c.target("Cave") + " »…");
    QVERIFY(!QFileInfo::exists(c.cellar.folder() + DatabaseMove::RecordName));
    if (!cancel) {
        QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
        QCOMPARE(fileBytes(c.target("Cave") + "/Orny02.dat"), c.original);
        return;
    }
    QCOMPARE(c.cellar.lastMessage().text, "La base n'a pas été déplacée : vous avez annulé le déplacement.\n"
                                          "Elle est restée dans « " +
                                              c.cellar.databasePath() + " », intacte.");
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Information);
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(SettingsFile::readLine(c.cellar.folder() + "Orny.ini").value, c.cellar.folder());
    QCOMPARE(fileBytes(c.cellar.databasePath()), c.original);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(focusName(), QString("NomDossier"));
}

void TestConfig::foldersWalkedByKeyboardAndDrivesChangeTheFolder() {
    Cellars c;
    QDir().mkdir(c.target("A"));
    QDir().mkdir(c.target("B"));
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setCurrentFolder(c.target("A"));
    auto* folders = window.findChild<QTreeView*>("dirList");
    // Folders are read in the background: wait for both.
    QTRY_COMPARE(folders->model()->rowCount(folders->currentIndex().parent()), 2);
    folders->setFocus();
    // The arrows walk the list, the focus stays in it; Enter opens a folder and goes on to its name.
    QTest::keyClick(folders, Qt::Key_Down);
    QCOMPARE(window.currentFolder(), c.target("B"));
    QCOMPARE(focusName(), QString("dirList"));
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(focusName(), QString("NomDossier"));
    // Another drive is chosen: the folder is its root, which the list shows and which can be the parent.
    auto* drives = window.findChild<QComboBox*>("drvList");
    const int here = drives->currentIndex();
    int other = -1;
    for (int i = 0; i < drives->count() && other < 0; ++i)
        if (i != here && QDir(drives->itemText(i).section(' ', 0, 0)).isReadable())
            other = i;
    if (other < 0)
        QSKIP("this machine has one drive");
    chooseInList(drives, drives->itemText(other));
    const QString root = drives->itemText(other).section(' ', 0, 0);
    QCOMPARE(window.currentFolder(), root);
    QTest::keyClicks(window.findChild<QLineEdit*>("NomDossier"), "Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    QTest::mouseClick(window.findChild<QPushButton*>("Valider"), Qt::LeftButton);
    QCOMPARE(c.cellar.lastMessage().text,
             "Confirmez vous la création de :\n" + (root.endsWith('/') ? root : root + "/") + "Cave");
}

void TestConfig::backupChosenByKeyboardReplacesTheCellarAfterACopy_data() {
    QTest::addColumn<QLocale>("system");
    QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France);
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
}

void TestConfig::backupChosenByKeyboardReplacesTheCellarAfterACopy() {
    QFETCH(QLocale, system);
    Cellars c;
    QLocale::setDefault(system);
    const auto restore = qScopeGuard(useFrenchLocale);
    FileSystem files;
    Backups backups(files, c.cellar.globals.CheminBase, Backups::userFolder());
    const QDate day(2026, 11, 2);
    // One copy of each kind the program makes: the day's, at the end of a session, on demand, before a
    // restore.
    QVERIFY(!backups.daily(QDateTime(day, QTime(8, 5))).failure);
    c.cellar.addLot("Pomerol", "Bordeaux", 2005, "Rouge", 6, 30);
    QVERIFY(!backups.atExit(QDateTime(day, QTime(19, 40))).failure);
    c.cellar.addLot("Chablis", "Bourgogne", 2019, "Blanc", 3, 14);
    QVERIFY(!backups.saveTo(c.elsewhere.path() + "/ma copie.dat", QDateTime(day.addDays(1), QTime(10, 0))));
    c.cellar.addLot("Tavel", "Rhône", 2020, "Rosé", 2, 9);
    QVERIFY(!backups.restore(c.elsewhere.path() + "/ma copie.dat", QDateTime(day.addDays(1), QTime(11, 0)))
                 .failure);
    QCOMPARE(c.cellar.lotCount(), 3);

    RestaurerSauvegarde window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* list = window.findChild<QListWidget*>("ListeSauvegardes");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, (QStringList{"mardi 3 novembre 2026 à 11:00 — avant restauration — 4 lots",
                                 "mardi 3 novembre 2026 à 10:00 — à la demande — 3 lots",
                                 "lundi 2 novembre 2026 à 19:40 — à la sortie — 2 lots",
                                 "lundi 2 novembre 2026 à 08:05 — quotidienne — 1 lot"}));
    QCOMPARE(focusName(), QString("ListeSauvegardes"));

    // Each kind is restorable by keys. Non leaves everything as it was.
    QTest::keyClick(list, Qt::Key_End);
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(c.cellar.lotCount(), 3);
    // Each restore adds the copy made before it at the top: the four above stay the last four.
    for (int up = 0; up < 4; ++up) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        for (int n = 0; n < up; ++n)
            QTest::keyClick(list, Qt::Key_Up);
        c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
        pressAccessKey(&window, Qt::Key_R);
        QVERIFY2(c.cellar.lastMessage().text.startsWith("La cave a été restaurée"),
                 qPrintable(c.cellar.lastMessage().text));
        QCOMPARE(c.cellar.lotCount(), up + 1);
    }
    QVERIFY(!QFile::exists(c.cellar.databasePath() + ".restauration"));
    QCOMPARE(list->count(), 8);
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
