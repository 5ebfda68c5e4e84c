// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VolumeList.h"

#include <QDir>
#include <QStorageInfo>

namespace VolumeList {

QList<Volume> volumes() {
    QList<Volume> list;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid())
            continue;
        Volume v;
        v.root = storage.rootPath();
        const QString device = QString::fromLocal8Bit(storage.device());
#ifdef Q_OS_WIN
        v.label = v.root.left(2).toLower();
        v.floppy = v.label == QLatin1String("a:") || v.label == QLatin1String("b:");
#else
        v.label = storage.displayName() == v.root
                      ? v.root
                      : v.root + QStringLiteral(" (") + storage.displayName() + ')';
        v.floppy = device.startsWith(QLatin1String("/dev/fd"));
#endif
        list << v;
    }
    return list;
}

int volumeOf(const QList<Volume>& volumes, const QString& folder) {
    const QString path = QDir::fromNativeSeparators(folder);
    int best = -1;
    for (int i = 0; i < volumes.size(); ++i) {
        const QString root = volumes.at(i).root;
        const bool inside = path == root || path.startsWith(root.endsWith('/') ? root : root + '/');
        if (inside && (best < 0 || root.size() > volumes.at(best).root.size()))
            best = i;
    }
    return best;
}

} // namespace VolumeList
