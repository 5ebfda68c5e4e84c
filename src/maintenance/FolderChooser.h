// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "maintenance/VolumeList.h"

#include <QObject>

class QComboBox;
class QFileSystemModel;
class QTimer;
class QTreeView;

// A drive list and a folder list working together, as the configuration and import windows use them.
// A drive that cannot be read when chosen falls back, silently, to the drive of the folder shown.
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
    void folderChanged(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool setDrive(int index);
    // Unfolds the list down to the chosen folder and brings it into view; again as folders load.
    void revealCurrent();

    QComboBox* m_drives;
    QTreeView* m_folders;
    QFileSystemModel* m_model;
    QList<VolumeList::Volume> m_volumes;
    int m_drive = -1;
    QTimer* m_reveal;
    bool m_revealing = false;
};
