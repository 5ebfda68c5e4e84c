// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildInfo.h"
#include "about/Apropos.h"
#include "support/TestCellar.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void identificationLines();
    void historyAndSupport();
    void windowFitsItsTabs();
    void linksGoToTheDesktop();
    void closingOnlyFromTheTitleTab();
};

void TestAbout::identificationLines() {
    TestCellar cellar;
    Apropos box(cellar.globals, cellar.services);
    const auto text = [&box](const char* name) { return box.findChild<QLabel*>(name)->text(); };
    // No caption text: a blank, since an empty title would show the program's name.
    QCOMPARE(box.windowTitle().trimmed(), QString());
    QCOMPARE(text("Titre"), QString("Brovane"));
    QCOMPARE(box.findChild<QLabel*>("Titre")->font().pointSize(), 18);
    QCOMPARE(text("SousTitre"), QString("Version 1.3 compilée le 06/04/2000 à 14:05"));
    QCOMPARE(text("Description"), QString("Brovane"));
    QCOMPARE(text("NomApplication"),
             "  Nom de l'éxecutable : " + QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QCOMPARE(text("Commentaires"), "  Commentaires :          " + QString::fromUtf8(BuildInfo::Comments));
    QCOMPARE(text("Copyright"), "  Copyright :                " + QString::fromUtf8(BuildInfo::Copyright));
    QCOMPARE(text("Company"), "  Organisation :            " + QString::fromUtf8(BuildInfo::Company));
    QCOMPARE(text("TradeMarks"), "  Marques légales :       " + QString::fromUtf8(BuildInfo::Trademarks));
    QCOMPARE(text("Version"), QString("  Version :                  1.3 du 06/04/2000 à 14:05"));
    // The prefixes keep their spacing: one, ten, sixteen, twelve, seven and eighteen blanks.
    const QList<std::pair<const char*, int>> spacing = {{"NomApplication", 1}, {"Commentaires", 10},
                                                        {"Copyright", 16},     {"Company", 12},
                                                        {"TradeMarks", 7},     {"Version", 18}};
    for (const auto& [name, blanks] : spacing) {
        const QString line = text(name);
        const int colon = line.indexOf(':');
        QCOMPARE(line.mid(colon + 1, blanks), QString(blanks, ' '));
        QVERIFY(line.startsWith("  "));
    }
#ifndef Q_OS_WIN
    QVERIFY(!text("NomApplication").endsWith(".EXE"));
#endif
}

void TestAbout::historyAndSupport() {
    TestCellar cellar;
    Apropos box(cellar.globals, cellar.services);
    const QStringList lines = box.findChild<QPlainTextEdit*>("Afficheur")->toPlainText().split('\n');
    QCOMPARE(lines.at(0), QString("Evolution des versions de : Brovane"));
    QCOMPARE(lines.at(1), QString());
    QStringList entries;
    const QRegularExpression entry("^(\\d\\d/\\d{4}) - V(\\d\\.\\d)\t\\S");
    for (const QString& line : lines.mid(2)) {
        const auto match = entry.match(line);
        if (match.hasMatch())
            entries << match.captured(1) + " " + match.captured(2);
        else
            QVERIFY2(line.startsWith("\t\t"), qPrintable(line));
    }
    QCOMPARE(entries, QStringList({"04/2000 1.3", "07/1999 1.2", "05/1999 1.1", "09/1998 1.0"}));
    const QString support = box.findChild<QPlainTextEdit*>("Text1")->toPlainText();
    QVERIFY(support.startsWith("ASSISTANCE TECHNIQUE :"));
    QVERIFY(support.contains("example.org"));
    QCOMPARE(box.findChild<QPushButton*>("EMail")->text(),
             "M'envoyer un E-Mail : " + QString(BuildInfo::SupportEmail));
    QCOMPARE(box.findChild<QPushButton*>("Internet")->text(),
             "Visiter mon site : " + QString(BuildInfo::SupportWeb));
}

void TestAbout::windowFitsItsTabs() {
    TestCellar cellar;
    Apropos box(cellar.globals, cellar.services);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* tabs = box.findChild<QTabWidget*>("Onglet");
    QCOMPARE(tabs->pos(), QPoint(0, 0));
    QCOMPARE(box.size(), tabs->size());
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles.mid(1), QStringList({" Infos techniques", "Historique", "Assistance technique"}));
}

void TestAbout::linksGoToTheDesktop() {
    TestCellar cellar;
    Apropos box(cellar.globals, cellar.services);
    QTest::mouseClick(box.findChild<QPushButton*>("EMail"), Qt::LeftButton);
    QTest::mouseClick(box.findChild<QPushButton*>("Internet"), Qt::LeftButton);
    QCOMPARE(cellar.services.desktop.opened(),
             QList<QUrl>({QUrl("mailto:" + QString(BuildInfo::SupportEmail)), QUrl(BuildInfo::SupportWeb)}));
    QCOMPARE(cellar.messageCount(), 0);
    cellar.services.desktop.setScripted(true, false);
    box.EMail_Click();
    QCOMPARE(cellar.messageCount(), 1);
    QVERIFY(cellar.lastMessage().text.contains("mailto:"));
}

void TestAbout::closingOnlyFromTheTitleTab() {
    TestCellar cellar;
    Apropos box(cellar.globals, cellar.services);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* tabs = box.findChild<QTabWidget*>("Onglet");
    QCOMPARE(box.findChildren<QPushButton*>(QRegularExpression("Quitter")).size(), 1);
    for (int i = 1; i < tabs->count(); ++i)
        QVERIFY(!tabs->widget(i)->findChild<QPushButton*>("Quitter"));
    QCOMPARE(box.findChild<QPushButton*>("Quitter")->toolTip(), QString("Quitter cet écran"));
    QVERIFY(box.findChild<QPushButton*>("Quitter")->text().isEmpty());
    QVERIFY(!box.findChild<QPushButton*>("Quitter")->icon().isNull());
    QTest::mouseClick(box.findChild<QPushButton*>("Quitter"), Qt::LeftButton);
    QVERIFY(!box.isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
