// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for start-up: a bare Qt program showing what the main window must show, by the plainest
// means: its menu bar with its entries and shortcuts, its tool bar with the nine icons, its status bar with
// the seven panels and the date and time. No settings, no lock, no cellar, no copy.
#include "ui/Icons.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Brovane"));
    window.setWindowIcon(Icons::named("brovane"));
    const std::pair<const char*, const char*> fichier[] = {{"&Saisie des achats", "Ctrl+A"},
                                                           {"&Consommation", "Ctrl+C"},
                                                           {"&Visualisation", "Ctrl+V"},
                                                           {"&Imprimer", "Ctrl+I"},
                                                           {nullptr, nullptr},
                                                           {"C&onfiguration", ""},
                                                           {"&Import", ""},
                                                           {"Sauve&garder la cave…", ""},
                                                           {"&Restaurer une sauvegarde…", ""},
                                                           {nullptr, nullptr},
                                                           {"&Quitter", "F12"}};
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("&Fichier"));
    for (const auto& [text, key] : fichier)
        if (text)
            menu->addAction(QString::fromUtf8(text))->setShortcut(QKeySequence(QString::fromLatin1(key)));
        else
            menu->addSeparator();
    menu = window.menuBar()->addMenu(QStringLiteral("&Édition"));
    menu->addAction(QStringLiteral("&Annuler"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    menu->addAction(QStringLiteral("&Historique…"));
    menu = window.menuBar()->addMenu(QStringLiteral("&?"));
    menu->addAction(QStringLiteral("A &propos"));
    menu->addAction(QStringLiteral("&Aide"));
    QToolBar* tools = window.addToolBar(QStringLiteral("BarreBoutons"));
    for (const char* icon : {"achats", "consommation", "visualisation", "imprimer", "config", "import",
                             "apropos", "aide", "quitter"})
        tools->addAction(Icons::named(icon), QString::fromLatin1(icon));
    auto* first = new QLabel(QStringLiteral("Brovane  -  Version 1.3"));
    window.statusBar()->addWidget(first, 1);
    auto* right = new QWidget;
    auto* row = new QHBoxLayout(right);
    row->setContentsMargins(0, 0, 0, 0);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString& text :
         {QStringLiteral("DEFIL"), QStringLiteral("INS"), QStringLiteral("MAJ"), QStringLiteral("NUM"),
          now.toString(QStringLiteral("dd/MM/yyyy")), now.toString(QStringLiteral("HH:mm"))})
        row->addWidget(new QLabel(text));
    window.statusBar()->addPermanentWidget(right);
    window.resize(720, 440);
    window.show();
    std::_Exit(QTest::qWaitForWindowExposed(&window) ? 0 : 1);
}
