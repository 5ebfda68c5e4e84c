// SPDX-License-Identifier: GPL-3.0-or-later
// copy_worker CHEMINBASE FALLBACK WHEN: the copy at the end of a session, as the program takes it when it
// quits, at the time WHEN (ISO); the crash test kills it at random moments.
#include "storage/Backups.h"
#include "storage/FileSystem.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    FileSystem files;
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(argv[3]), Qt::ISODate);
    const Backups::Outcome outcome =
        Backups(files, QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])).atExit(when);
    return outcome.failure ? 1 : 0;
}
