// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/VolumeList.h"

#include <QObject>
#include <QPersistentModelIndex>

class QComboBox;
class QFileSystemModel;
class QTimer;
class QTreeView;

// A drive list and a folder list working together, as the configuration and import windows use them.
// The folder list shows the chosen drive's root as its one top entry, so the root can be chosen too, and
// choosing a drive chooses its root. A drive that cannot be read when chosen falls back, silently, to the
// drive of the folder shown.
class FolderChooser : public QObject {
    Q_OBJECT
public:
    FolderChooser(QComboBox* drives, QTreeView* folders, QObject* parent);

    QString currentFolder() const;
    void setCurrentFolder(const QString& folder);
    // The volume of the folder shown, or none.
    const VolumeList::Volume* currentVolume() const;

    // To run when the user chooses in the drive list: moves the folder list to that drive.
    void driveChanged();

signals:
    // Another folder is the current one (walking the list with the arrow keys, a click, a new drive).
    void folderChanged(const QString& folder);
    // The user opened a folder: a double click, or Enter in the list.
    void folderOpened(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool setDrive(int index);
    // Only the chosen drive's root shows at the top of the list.
    void hideOtherVolumes();
    // Unfolds the list down to the chosen folder and brings it into view; again as folders load.
    void revealCurrent();

    QComboBox* m_drives;
    QTreeView* m_folders;
    QFileSystemModel* m_model;
    QList<VolumeList::Volume> m_volumes;
    int m_drive = -1;
    QPersistentModelIndex m_volumeRoot;
    QTimer* m_reveal;
    bool m_revealing = false;
};
