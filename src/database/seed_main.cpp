// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: makes the delivered empty cellar, with the colours Blanc, Rosé and Rouge.
#include "database/CellarSchema.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s Orny02.dat\n", argv[0]);
        return 2;
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
