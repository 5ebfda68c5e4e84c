// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class Config;
}
class FolderChooser;
struct Services;

// Moves the cellar into a new folder made inside a folder of the user's choice, and remembers it.
class Config : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 6;

    Config(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~Config() override;

    // The folder that the folder list shows as chosen.
    QString currentFolder() const;
    void setCurrentFolder(const QString& folder);
    // The file operations the window works with (tests give one that fails or drags).
    void setFileSystem(std::unique_ptr<FileSystem> files) { m_files = std::move(files); }

public slots:
    void drvList_Change();
    void dirList_Change();
    void Valider_Click();
    void Annuler_Click();
    void Quitter_Click();
    // Points Brovane at the cellar already in the chosen folder, moving nothing.
    void UtiliserExistante_Click();

private:
    void Form_Load();
    void showCurrentBase();
    // Where the folder list starts: the parent of the cellar's folder, or the home folder.
    QString startFolder() const;
    // Moves the cellar into `folder` on another thread, behind a progress the user can cancel.
    ::Result<DatabaseMove::Moved> moveTo(const QString& folder);
    // Tells the user why a folder inside the program folder is refused; true when it is.
    bool refusedAsProgramFolder(const QString& folder);

    std::unique_ptr<Ui::Config> ui;
    Globals& m_globals;
    Services& m_services;
    std::unique_ptr<FileSystem> m_files = std::make_unique<FileSystem>();
    bool m_moveCancelled = false;
    FolderChooser* m_chooser = nullptr;
};
