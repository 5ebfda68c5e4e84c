// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for start-up: a bare Qt program that shows one empty window.
#include <QApplication>
#include <QTest>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(720, 440);
    window.show();
    return QTest::qWaitForWindowExposed(&window) ? 0 : 1;
}
