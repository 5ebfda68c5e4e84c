// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The drives of the machine, as the drive lists of the configuration and import windows offer them:
// drive letters on Windows, mounted volumes elsewhere.
namespace VolumeList {

struct Volume {
    QString root;  // "/", "/media/cle", "C:/"
    QString label; // what the list shows
    bool floppy = false;
};

QList<Volume> volumes();
// The volume that holds a folder: the one with the longest root that starts it.
int volumeOf(const QList<Volume>& volumes, const QString& folder);

} // namespace VolumeList
