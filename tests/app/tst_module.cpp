// SPDX-License-Identifier: GPL-3.0-or-later
// The windows that live in the program's module, opened from the main window as a user opens them.
#include "app/ModuleLoader.h"
#include "app/Windows.h"
#include "shell/Principale.h"
#include "support/TestCellar.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <memory>

class TestModule : public QObject {
    Q_OBJECT
private slots:
    void aModuleThatCannotLoadIsTold_data();
    void aModuleThatCannotLoadIsTold();
    void windowsOpenFromTheMainWindow_data();
    void windowsOpenFromTheMainWindow();
    void noWindowOverACellarThatIsGone_data();
    void noWindowOverACellarThatIsGone();
};

namespace {

const QString Built = QStringLiteral(BROVANE_PROGRAM_DIR "/") + QLatin1String(ModuleLoader::FileName);

// Types the keys of an entry in the main window: a shortcut, or Alt+F and the entry's letter.
bool pressKeys(Principale& main, const QString& keys) {
    // Keys reach the window's shortcuts once it is active again after the last window or menu closed.
    if (!QTest::qWaitForWindowActive(&main))
        return false;
    if (keys.startsWith("Ctrl+")) {
        QTest::keyClick(&main, Qt::Key(keys.back().unicode()), Qt::ControlModifier);
        return true;
    }
    auto* fichier = main.findChild<QMenu*>("MenuFichier");
    QTest::keyClick(&main, Qt::Key_F, Qt::AltModifier);
    if (!QTest::qWaitFor([fichier] { return fichier->isVisible(); }))
        return false;
    QTest::keyClick(fichier, Qt::Key(keys.back().toUpper().unicode()));
    return QTest::qWaitFor([fichier] { return !fichier->isVisible(); });
}

// Opens an entry by its keys, and notes the class and title of the window it shows before closing it with
// Échap.
QString openByKeys(Principale& main, const QString& keys) {
    auto shown = std::make_shared<QString>();
    whenModal([shown](QDialog* window) {
        *shown =
            QString::fromLatin1(window->metaObject()->className()) + " « " + window->windowTitle() + " »";
        QTest::keyClick(window, Qt::Key_Escape);
    });
    if (!pressKeys(main, keys))
        return "keys not taken";
    return QTest::qWaitFor([shown] { return !shown->isEmpty(); }, 5000) ? *shown : QString();
}

} // namespace

void TestModule::aModuleThatCannotLoadIsTold_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("why"); // the words behind the box's button
    QTest::newRow("missing") << QByteArray() << false << "";
    QTest::newRow("empty") << QByteArray("") << false << "ce fichier n'est pas un module (0 octets)";
    QTest::newRow("not a module") << QByteArray("\x7f"
                                                "ELF garbage, cut by a full disk")
                                  << false << "ce fichier n'est pas un module";
    QTest::newRow("a folder in its place") << QByteArray() << true << "";
    QTest::newRow("another build's module")
        << QByteArray("other") << false << "ce module vient d'une autre version de Brovane";
    QTest::newRow("cut in half") << QByteArray("half") << false << "le module est tronqué";
    QTest::newRow("its last byte lost") << QByteArray("last") << false << "le module est tronqué";
}

void TestModule::aModuleThatCannotLoadIsTold() {
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    QFETCH(QString, why);
    TestCellar cellar;
    const QString module = ModuleLoader::fileIn(cellar.globals.CheminAppli);
    if (content == "other")
        QVERIFY(QFile::copy(QStringLiteral(BROVANE_OTHER_BUILD_MODULE), module));
    else if (content == "half" || content == "last")
        writeFile(module, fileBytes(Built).chopped(content == "half" ? QFileInfo(Built).size() / 2 : 1));
    else if (folder)
        QVERIFY(QDir().mkpath(module));
    else if (!content.isNull())
        writeFile(module, content);
    const MenuActions windows = Windows::assemble(cellar.globals, cellar.services);
    for (const char* keys : {"Ctrl+I", "Alt+F T", "Alt+F M"}) {
        Principale main(cellar.globals, windows);
        main.show();
        cellar.services.messages.clearShown();
        QVERIFY(pressKeys(main, keys));
        QTRY_COMPARE(cellar.messageCount(), 1);
        QCOMPARE(cellar.lastMessage().text, "Cette fenêtre ne peut s'ouvrir : le module « " +
                                                QDir::toNativeSeparators(module) +
                                                " » est introuvable ou abîmé. Réinstallez Brovane.");
        QCOMPARE(cellar.lastMessage().icon, MessageBox::Icon::Critical);
        // The system's own words, for support, behind the box's button.
        QVERIFY2(!cellar.lastMessage().detail.isEmpty() && cellar.lastMessage().detail.startsWith(why),
                 qPrintable(cellar.lastMessage().detail));
        // The main window goes on: a window of the program itself still opens.
        QVERIFY(openByKeys(main, "Ctrl+A").startsWith("Saisie"));
    }
}

void TestModule::windowsOpenFromTheMainWindow_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("window");
    QTest::newRow("print") << "Ctrl+I"
                           << "ApercuInventaire";
    QTest::newRow("statistics") << "Alt+F T"
                                << "Statistiques « Statistiques de la orny »";
    QTest::newRow("spreadsheet") << "Alt+F M"
                                 << "ImporterTableau « Importer un tableau »";
}

void TestModule::windowsOpenFromTheMainWindow() {
    QFETCH(QString, keys);
    QFETCH(QString, window);
    TestCellar cellar;
    cellar.addLot("Château Lafleur", "Pomerol", 2015, "Rouge", 6, 45.5);
    QVERIFY(QFile::link(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), cellar.folder() + "Orny01.dat"));
    // Beside the program, as installed.
    QVERIFY(QFile::link(Built, ModuleLoader::fileIn(cellar.globals.CheminAppli)));
    Principale main(cellar.globals, Windows::assemble(cellar.globals, cellar.services));
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    const QString shown = openByKeys(main, keys);
    QVERIFY2(shown.startsWith(window),
             qPrintable(shown + (cellar.messageCount() ? cellar.lastMessage().text : QString())));
    QCOMPARE(cellar.messageCount(), 0);
}

void TestModule::noWindowOverACellarThatIsGone_data() {
    QTest::addColumn<QString>("keys");
    QTest::newRow("view") << "Ctrl+V";
    QTest::newRow("print") << "Ctrl+I";
    QTest::newRow("statistics") << "Alt+F T";
    QTest::newRow("spreadsheet") << "Alt+F M";
}

void TestModule::noWindowOverACellarThatIsGone() {
    QFETCH(QString, keys);
    TestCellar cellar;
    QVERIFY(QFile::link(Built, ModuleLoader::fileIn(cellar.globals.CheminAppli)));
    // On a key that is not plugged in.
    QVERIFY(QFile::remove(cellar.databasePath()));
    Principale main(cellar.globals, Windows::assemble(cellar.globals, cellar.services));
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto shown = std::make_shared<QString>();
    whenModal([shown](QDialog* window) {
        *shown = QString::fromLatin1(window->metaObject()->className());
        QTest::keyClick(window, Qt::Key_Escape);
    });
    QVERIFY(pressKeys(main, keys));
    QTRY_COMPARE(cellar.messageCount(), 1);
    QVERIFY2(cellar.lastMessage().text.contains("introuvable") &&
                 cellar.lastMessage().text.contains("la fenêtre ne s'ouvre pas"),
             qPrintable(cellar.lastMessage().text));
    QTest::qWait(100);
    QCOMPARE(*shown, QString());
}

QTEST_MAIN(TestModule)
#include "tst_module.moc"
