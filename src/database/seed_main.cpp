// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: makes the delivered empty cellar, with the colours Blanc, Rosé and Rouge.
#include "database/CellarSchema.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // An option is never a file name: --help asks for this line, anything else is a mistake.
    if (argc != 2 || argv[1][0] == '-') {
        const bool help = argc == 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0);
        std::fprintf(help ? stdout : stderr,
                     "usage: %s Orny02.dat\n(writes an empty cellar in that file, replacing it)\n", argv[0]);
        return help ? 0 : 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    // The build's own output from an earlier run, never a user's cellar (see resources/CMakeLists.txt).
    QFile::remove(path);
    if (Status error = CellarSchema::createCellar(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(error->text()));
        return 1;
    }
    return 0;
}
