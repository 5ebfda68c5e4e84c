// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for start-up: a bare Qt program that shows a window with a menu bar and a line of text, so
// that it loads the fonts as any window with a menu does.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&Fichier"))->addAction(QStringLiteral("&Quitter"));
    window.setCentralWidget(new QLabel(QStringLiteral("Brovane  -  Version 1.3")));
    window.resize(720, 440);
    window.show();
    std::_Exit(QTest::qWaitForWindowExposed(&window) ? 0 : 1);
}
