// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start-up, ending as soon as the main window is on screen.
#include "shell/Launcher.h"
#include "shell/Principale.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Launcher launcher(app);
    if (!launcher.start([](Globals&, Services&) { return WorkingWindows{}; }))
        return 1;
    return QTest::qWaitForWindowExposed(launcher.window()) ? 0 : 1;
}
