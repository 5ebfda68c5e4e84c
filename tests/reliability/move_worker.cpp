// SPDX-License-Identifier: GPL-3.0-or-later
// move_worker OLDBASE NEWFOLDER SETTINGSFOLDER: moves the cellar as the configuration window does; the
// crash test kills it at random moments.
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    FileSystem files;
    const auto result = DatabaseMove(files, QString::fromLocal8Bit(argv[3]))
                            .run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    return result.ok() ? 0 : 1;
}
