// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

QString singleCopyLockPath() {
    // The same place for every session of the user, whatever its environment holds (su, cron and some
    // remote sessions have no runtime folder): the account's own home folder, from the system.
    const passwd* account = ::getpwuid(::getuid());
    const QString home = account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QString();
    const QString folder = home + QStringLiteral("/.local/state/brovane");
    if (!home.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isWritable())
        return folder + QStringLiteral("/brovane.lock");
    return QStringLiteral("/tmp/brovane-%1.lock").arg(::getuid());
}
