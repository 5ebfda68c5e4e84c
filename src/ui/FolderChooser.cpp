// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FolderChooser.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

FolderChooser::FolderChooser(QComboBox* drives, QTreeView* folders, QObject* parent)
    : QObject(parent), m_drives(drives), m_folders(folders), m_model(new QFileSystemModel(this)),
      m_volumes(VolumeList::volumes()), m_reveal(new QTimer(this)) {
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(QDir::rootPath());
    m_folders->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_folders->hideColumn(column);
    for (const VolumeList::Volume& volume : m_volumes)
        m_drives->addItem(volume.label);
    connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { emit folderChanged(currentFolder()); });
    connect(m_folders, &QTreeView::activated, this, [this] { emit folderOpened(currentFolder()); });
    connect(m_model, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& under) {
        if (under == m_folders->rootIndex())
            hideOtherVolumes();
    });
    // Folders are read in the background and their rows arrive in bursts: once a burst is in, show the
    // chosen folder again.
    m_reveal->setSingleShot(true);
    m_reveal->setInterval(0);
    connect(m_reveal, &QTimer::timeout, this, &FolderChooser::revealCurrent);
    const auto again = [this] {
        if (m_revealing)
            m_reveal->start();
    };
    // New rows, and rows sorted again once read, move the chosen folder.
    connect(m_model, &QFileSystemModel::rowsInserted, this, again);
    connect(m_model, &QFileSystemModel::layoutChanged, this, again);
    connect(m_model, &QFileSystemModel::directoryLoaded, this, again);
    // Until the user takes the list in hand.
    for (QObject* part : {static_cast<QObject*>(m_folders), static_cast<QObject*>(m_folders->viewport()),
                          static_cast<QObject*>(m_folders->verticalScrollBar())})
        part->installEventFilter(this);
}

QString FolderChooser::currentFolder() const {
    const QModelIndex current = m_folders->currentIndex();
    return current.isValid() ? m_model->filePath(current) : m_model->filePath(m_volumeRoot);
}

const VolumeList::Volume* FolderChooser::currentVolume() const {
    return m_drive >= 0 ? &m_volumes.at(m_drive) : nullptr;
}

bool FolderChooser::setDrive(int index) {
    if (index < 0 || index >= m_volumes.size() || !QDir(m_volumes.at(index).root).isReadable())
        return false;
    m_drive = index;
    m_drives->setCurrentIndex(index);
    m_volumeRoot = m_model->index(m_volumes.at(index).root);
    m_folders->setRootIndex(m_volumeRoot.parent());
    hideOtherVolumes();
    m_folders->expand(m_volumeRoot);
    return true;
}

void FolderChooser::hideOtherVolumes() {
    const QModelIndex top = m_folders->rootIndex();
    for (int row = 0; row < m_model->rowCount(top); ++row)
        m_folders->setRowHidden(row, top, m_model->index(row, 0, top) != m_volumeRoot);
}

void FolderChooser::setCurrentFolder(const QString& folder) {
    const QString path = QDir::fromNativeSeparators(folder);
    setDrive(VolumeList::volumeOf(m_volumes, path));
    m_folders->setCurrentIndex(m_model->index(path));
    m_revealing = true;
    revealCurrent();
}

bool FolderChooser::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::Wheel || type == QEvent::KeyPress)
        m_revealing = false;
    return QObject::eventFilter(watched, event);
}

void FolderChooser::revealCurrent() {
    const QModelIndex current = m_folders->currentIndex();
    if (!current.isValid())
        return;
    for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent())
        m_folders->expand(parent);
    m_folders->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void FolderChooser::driveChanged() {
    if (!setDrive(m_drives->currentIndex())) {
        m_drives->setCurrentIndex(m_drive);
        return;
    }
    // Another drive is another folder: its root, wherever the list stood before.
    m_revealing = false;
    m_folders->setCurrentIndex(m_volumeRoot);
    emit folderChanged(currentFolder());
}
