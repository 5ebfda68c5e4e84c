// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/FolderChooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>

FolderChooser::FolderChooser(QComboBox* drives, QTreeView* folders, QObject* parent)
    : QObject(parent), m_drives(drives), m_folders(folders), m_model(new QFileSystemModel(this)),
      m_volumes(VolumeList::volumes()) {
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(QDir::rootPath());
    m_folders->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_folders->hideColumn(column);
    for (const VolumeList::Volume& volume : m_volumes)
        m_drives->addItem(volume.label);
    connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { emit folderChanged(currentFolder()); });
}

QString FolderChooser::currentFolder() const {
    const QModelIndex current = m_folders->currentIndex();
    return current.isValid() ? m_model->filePath(current) : m_model->filePath(m_folders->rootIndex());
}

const VolumeList::Volume* FolderChooser::currentVolume() const {
    return m_drive >= 0 ? &m_volumes.at(m_drive) : nullptr;
}

bool FolderChooser::setDrive(int index) {
    if (index < 0 || index >= m_volumes.size() || !QDir(m_volumes.at(index).root).isReadable())
        return false;
    m_drive = index;
    m_drives->setCurrentIndex(index);
    m_folders->setRootIndex(m_model->index(m_volumes.at(index).root));
    return true;
}

void FolderChooser::setCurrentFolder(const QString& folder) {
    const QString path = QDir::fromNativeSeparators(folder);
    setDrive(VolumeList::volumeOf(m_volumes, path));
    const QModelIndex index = m_model->index(path);
    m_folders->setCurrentIndex(index);
    m_folders->scrollTo(index);
}

void FolderChooser::driveChanged() {
    if (!setDrive(m_drives->currentIndex()))
        m_drives->setCurrentIndex(m_drive);
    else
        emit folderChanged(currentFolder());
}
