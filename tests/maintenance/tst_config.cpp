// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/Config.h"
#include "maintenance/DatabaseMove.h"
#include "shell/SettingsFile.h"
#include "support/TestCellar.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void touch(const QString& path, const QByteArray& content = "x") {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
}

// Real file operations, one of which fails when its turn comes.
class FailingFileSystem : public FileSystem {
public:
    QString failing;
    bool corruptCopy = false;
    bool makeFolder(const QString& path, QString& error) override {
        return failing == "makeFolder" ? fail(error) : FileSystem::makeFolder(path, error);
    }
    bool copyDurably(const QString& from, const QString& to, QString& error) override {
        if (failing == "copyDurably") {
            touch(to, "début de copie"); // a disk that fills up leaves part of the copy behind
            return fail(error);
        }
        if (!FileSystem::copyDurably(from, to, error))
            return false;
        if (corruptCopy) {
            QFile f(to);
            f.open(QIODevice::ReadWrite);
            f.seek(f.size() / 2);
            f.write("corrompu");
        }
        return true;
    }
    bool rename(const QString& from, const QString& to, QString& error) override {
        return failing == "rename" ? fail(error) : FileSystem::rename(from, to, error);
    }
    bool removeFile(const QString& path, QString& error) override {
        return failing == "removeFile" && path.contains("Orny02") && !path.contains("copie")
                   ? fail(error)
                   : FileSystem::removeFile(path, error);
    }

private:
    static bool fail(QString& error) {
        error = "disque plein";
        return false;
    }
};

struct Cellars {
    Cellars() {
        cellar.addLot("Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
        touch(cellar.folder() + "brovane");
        touch(cellar.folder() + "Orny.ini", cellar.folder().toLocal8Bit() + "\n");
        original = bytes(cellar.databasePath());
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
    void namesAndFolders();
    void firstMoveKeepsTheProgramFolder();
    void secondMoveRemovesTheEmptiedFolder();
    void existingFolderIsRefused();
    void failuresLeaveTheOldDatabase_data();
    void failuresLeaveTheOldDatabase();
    void oldFilesThatStayDoNotUndoTheMove();
    void windowMovesAndRemembers();
    void settingsThatCannotBeWrittenAreReported();
    void windowRefusals();
    void enterMovesToValiderOnly();
    void noChangesNothing();
};

void TestConfig::namesAndFolders() {
    QCOMPARE(DatabaseMove::newFolder("/", "Cave"), QString("/Cave"));
    QCOMPARE(DatabaseMove::newFolder("/media/cle", "Cave"), QString("/media/cle/Cave"));
    QCOMPARE(DatabaseMove::nameProblem("Cave à vin"), QString());
    QCOMPARE(DatabaseMove::nameProblem(""), QString("Vous devez saisir un nom de dossier !!"));
    for (const char* bad : {".", "..", "a/b", "a\\b", "../Cave"})
        QVERIFY2(DatabaseMove::nameProblem(bad).contains("n'est pas valable"), bad);
}

void TestConfig::firstMoveKeepsTheProgramFolder() {
    Cellars c;
    FileSystem files;
    const auto result = DatabaseMove(files).run(c.cellar.folder(), c.target("Cave"));
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Moved);
    QCOMPARE(result.newBase, c.target("Cave") + "/");
    QCOMPARE(bytes(c.target("Cave") + "/Orny02.dat"), c.original);
    QVERIFY(!QFile::exists(c.cellar.databasePath()));
    QCOMPARE(QDir(c.cellar.folder()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
             QStringList({"brovane", "Orny.ini"}));
    QCOMPARE(QDir(c.target("Cave")).entryList(QDir::Files), QStringList({"Orny02.dat"}));
    QVERIFY(result.message.isEmpty());
}

void TestConfig::secondMoveRemovesTheEmptiedFolder() {
    Cellars c;
    FileSystem files;
    const auto first = DatabaseMove(files).run(c.cellar.folder(), c.target("Cave"));
    touch(c.target("Cave") + "/Orny02.ldb"); // a lock file of the earlier engine goes too
    const auto second = DatabaseMove(files).run(first.newBase, c.target("Vins"));
    QCOMPARE(second.outcome, DatabaseMove::Outcome::Moved);
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(bytes(c.target("Vins") + "/Orny02.dat"), c.original);
}

void TestConfig::existingFolderIsRefused() {
    Cellars c;
    QDir().mkdir(c.target("Cave"));
    touch(c.target("Fichier"));
    FileSystem files;
    for (const char* name : {"Cave", "Fichier"}) {
        const auto result = DatabaseMove(files).run(c.cellar.folder(), c.target(name));
        QCOMPARE(result.outcome, DatabaseMove::Outcome::Refused);
        QVERIFY(result.message.contains("existe déjà"));
    }
    QCOMPARE(bytes(c.cellar.databasePath()), c.original);
    QVERIFY(QDir(c.target("Cave")).isEmpty());
}

void TestConfig::failuresLeaveTheOldDatabase_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("corrupt");
    QTest::addColumn<QString>("where");
    QTest::newRow("folder not made") << "makeFolder" << false << "Cave";
    QTest::newRow("copy fails half-way") << "copyDurably" << false << "Cave";
    QTest::newRow("copy differs") << "" << true << "Cave";
    QTest::newRow("rename fails") << "rename" << false << "Cave";
    QTest::newRow("parent is a file") << "" << false << "Fichier/Cave";
    QTest::newRow("read-only filesystem") << "" << false << "/proc/Cave";
    QTest::newRow("parent missing") << "" << false << "absent/Cave";
}

void TestConfig::failuresLeaveTheOldDatabase() {
    QFETCH(QString, failing);
    QFETCH(bool, corrupt);
    QFETCH(QString, where);
    Cellars c;
    touch(c.target("Fichier"));
    FailingFileSystem files;
    files.failing = failing;
    files.corruptCopy = corrupt;
    const QString folder = where.startsWith('/') ? where : c.target(where.toUtf8().constData());
    const auto result = DatabaseMove(files).run(c.cellar.folder(), folder);
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Failed);
    QVERIFY(result.message.startsWith("La base n'a pas été déplacée"));
    QCOMPARE(bytes(c.cellar.databasePath()), c.original);
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(QDir(c.elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"Fichier"}));

    // The missing database is a failure too, before anything is made.
    QFile::remove(c.cellar.databasePath());
    FileSystem plain;
    QCOMPARE(DatabaseMove(plain).run(c.cellar.folder(), c.target("Autre")).outcome,
             DatabaseMove::Outcome::Failed);
    QVERIFY(!QFileInfo::exists(c.target("Autre")));
}

void TestConfig::oldFilesThatStayDoNotUndoTheMove() {
    Cellars c;
    FailingFileSystem files;
    files.failing = "removeFile";
    const auto result = DatabaseMove(files).run(c.cellar.folder(), c.target("Cave"));
    QCOMPARE(result.outcome, DatabaseMove::Outcome::Moved);
    QVERIFY(result.message.contains("n'ont pas pu être effacés"));
    QCOMPARE(bytes(c.target("Cave") + "/Orny02.dat"), c.original);
}

void TestConfig::windowMovesAndRemembers() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    QCOMPARE(window.windowTitle(), QString("Définir ou sera stockée la base de données"));
    QCOMPARE(window.findChild<QLineEdit*>("SupportChemin")->text(), c.cellar.folder().chopped(1));
    QVERIFY(!window.findChild<QLineEdit*>("SupportChemin")->isEnabled());
    window.setCurrentFolder(c.elsewhere.path());
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
    window.findChild<QLineEdit*>("NomDossier")->setText("Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    window.Valider_Click();
    const auto& confirm = c.cellar.services.messages.shown().front();
    QCOMPARE(confirm.text, "Confirmez vous la création de :\n" + c.target("Cave"));
    QCOMPARE(confirm.title, QString("Erreur de saisie"));
    QCOMPARE(confirm.icon, MessageBox::Icon::Critical);
    QCOMPARE(confirm.buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(c.cellar.messageCount(), 1);
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
    QCOMPARE(window.findChild<QLineEdit*>("SupportChemin")->text(), c.target("Cave"));
    QCOMPARE(window.findChild<QLineEdit*>("NomDossier")->text(), QString());
    QCOMPARE(window.currentFolder() + "/", c.cellar.folder());
    // The next start reads the new folder back.
    const auto settings = SettingsFile::read(c.cellar.folder(), c.cellar.folder());
    QVERIFY(!settings.created);
    QCOMPARE(settings.cheminBase, c.target("Cave") + "/");
    QCOMPARE(c.cellar.lotCount(), 1);
}

void TestConfig::settingsThatCannotBeWrittenAreReported() {
    Cellars c;
    // A settings folder on a filesystem that refuses every write, even root's.
    c.cellar.globals.settingsFolder = "/proc/brovane/";
    Config window(c.cellar.globals, c.cellar.services);
    window.setCurrentFolder(c.elsewhere.path());
    window.findChild<QLineEdit*>("NomDossier")->setText("Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    window.Valider_Click();
    // The cellar is safe in its new folder and the program uses it; the user is told what to redo.
    QCOMPARE(c.cellar.globals.CheminBase, c.target("Cave") + "/");
    QCOMPARE(bytes(c.target("Cave") + "/Orny02.dat"), c.original);
    QVERIFY(c.cellar.lastMessage().text.contains("Orny.ini n'a pas pu être écrit"));
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Exclamation);
}

void TestConfig::windowRefusals() {
    Cellars c;
    Config window(c.cellar.globals, c.cellar.services);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setCurrentFolder(c.elsewhere.path());
    window.findChild<QPushButton*>("Valider")->setFocus();
    window.Valider_Click();
    QCOMPARE(c.cellar.lastMessage().text, QString("Vous devez saisir un nom de dossier !!"));
    QCOMPARE(c.cellar.lastMessage().icon, MessageBox::Icon::Critical);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("NomDossier"));
    QCOMPARE(window.currentFolder(), c.elsewhere.path());
    window.findChild<QLineEdit*>("NomDossier")->setText("..");
    window.Valider_Click();
    QVERIFY(c.cellar.lastMessage().text.contains("n'est pas valable"));
    QDir().mkdir(c.target("Cave"));
    window.findChild<QLineEdit*>("NomDossier")->setText("Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::Yes);
    window.Valider_Click();
    QVERIFY(c.cellar.lastMessage().text.contains("existe déjà"));
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(bytes(c.cellar.databasePath()), c.original);
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
    window.findChild<QLineEdit*>("NomDossier")->setText("Cave");
    c.cellar.services.messages.queueAnswer(MessageBox::Answer::No);
    window.Valider_Click();
    QVERIFY(!QFileInfo::exists(c.target("Cave")));
    QCOMPARE(bytes(c.cellar.databasePath()), c.original);
    QCOMPARE(c.cellar.globals.CheminBase, c.cellar.folder());
    QCOMPARE(window.findChild<QLineEdit*>("NomDossier")->text(), QString());
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
