// SPDX-License-Identifier: GPL-3.0-or-later
// Brovane: the inventory of a private wine cellar.
#include "app/Windows.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "ui/Appearance.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Answer answer = CommandLine::read(arguments);
    if (!answer.run) {
        std::fputs(answer.output.toLocal8Bit().constData(), stdout);
        std::fputs(answer.error.toLocal8Bit().constData(), stderr);
        return answer.status;
    }
    QApplication app(argc, argv);
    Appearance::install(app);
    Application launcher(app);
    // Once the window is up: an earlier cellar converted if the user wishes, then the day's copy.
    if (!launcher.start(Windows::assemble, Windows::atStart))
        return 0;
    return QApplication::exec();
}
