// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
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

    std::unique_ptr<Ui::Config> ui;
    Globals& m_globals;
    Services& m_services;
    FileSystem m_files;
    FolderChooser* m_chooser = nullptr;
};
