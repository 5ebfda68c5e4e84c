// SPDX-License-Identifier: GPL-3.0-or-later
// The settings reader on any first bytes of Orny.ini: it must return a folder and rewrite a file it could
// not use, never crash.
#include "storage/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/");
    QFile file(folder + QStringLiteral("Orny.ini"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    const SettingsFile::ReadResult result = SettingsFile::read(folder, folder);
    if (result.cheminBase.isEmpty())
        __builtin_trap();
    return 0;
}
