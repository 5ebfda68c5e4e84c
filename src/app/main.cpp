// SPDX-License-Identifier: GPL-3.0-or-later
// Brovane: the inventory of a private wine cellar.
#include "app/Windows.h"
#include "shell/Application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Application launcher(app);
    // Once the window is up: an earlier cellar converted if the user wishes, then the day's copy.
    if (!launcher.start(Windows::assemble, Windows::atStart))
        return 0;
    return QApplication::exec();
}
