// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/StartUp.h"

#include "BuildInfo.h"
#include "shell/SettingsFile.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace StartUp {

bool refuseSecondCopy(QLockFile& lock, MessageBox& messages) {
    // A copy that crashed leaves its lock behind; QLockFile sees that its process is gone.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return true;
    messages.notice(nullptr,
                    QStringLiteral("L'application est déjà en mémoire !!\n\nUtiliser la barre des taches"),
                    MessageBox::Icon::Critical);
    return false;
}

QString withSeparator(const QString& folder) {
    const QString native = QDir::toNativeSeparators(folder);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

QString dateCompilation(const QDateTime& modified) {
    return modified.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" à ") +
           modified.toString(QStringLiteral("HH:mm"));
}

QString versionAppli() {
    return QStringLiteral("%1.%2").arg(BuildInfo::VersionMajor).arg(BuildInfo::VersionMinor);
}

QString statusText(const QString& version) {
    return QString::fromUtf8(BuildInfo::ProductName) + QStringLiteral("  -  Version ") + version;
}

Globals prepare(const QString& executablePath, QString* settingsError) {
    const QFileInfo executable(executablePath);
    Globals g;
    g.CheminAppli = withSeparator(executable.absolutePath());
    g.helpFile = g.CheminAppli + QStringLiteral("Orny.hlp");
    g.settingsFolder = g.CheminAppli;
    QString firstStart = g.CheminAppli;
    // An installed program cannot write its own folder: each user then keeps his settings and his cellar
    // in his own folders, the cellar starting as a copy of the delivered empty one.
    if (!QFileInfo(g.CheminAppli).isWritable()) {
        g.settingsFolder =
            withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                          QStringLiteral("/brovane"));
        firstStart = withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                   QStringLiteral("/brovane"));
        QDir().mkpath(g.settingsFolder);
    }
    const SettingsFile::ReadResult settings = SettingsFile::read(g.settingsFolder, firstStart);
    g.CheminBase = settings.cheminBase;
    if (settings.created && firstStart != g.CheminAppli) {
        const QString delivered = CellarQueries::databasePath(g.CheminAppli);
        const QString own = CellarQueries::databasePath(firstStart);
        QDir().mkpath(firstStart);
        if (!QFileInfo::exists(own) && QFile::copy(delivered, own))
            QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
    }
    if (settingsError)
        *settingsError = settings.writeError;
    g.DateCompilation = dateCompilation(executable.lastModified());
    g.VersionAppli = versionAppli();
    return g;
}

} // namespace StartUp
