// SPDX-License-Identifier: GPL-3.0-or-later
// Brovane: the inventory of a private wine cellar.
#include "shell/Launcher.h"

#include <QApplication>

namespace {

// Every working window, as the main window's entries open them.
WorkingWindows assemble(Globals&, Services&) { return {}; }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Launcher launcher(app);
    if (!launcher.start(assemble))
        return 0;
    return QApplication::exec();
}
