// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start-up, ending as soon as the main window is on screen.
#include "shell/Application.h"
#include "shell/Principale.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Application launcher(app);
    if (!launcher.start([](Globals&, Services&) { return MenuActions{}; }))
        return 1;
    return QTest::qWaitForWindowExposed(launcher.window()) ? 0 : 1;
}
