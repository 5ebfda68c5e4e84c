// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleCopy.h"

#include <QDir>
#include <QStandardPaths>

QString singleCopyLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/brovane.lock");
}
