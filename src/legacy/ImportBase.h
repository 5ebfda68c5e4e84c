// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "ui/WorkingWindow.h"

#include <memory>

namespace Ui {
class ImportBase;
}
class FolderChooser;
class QFileSystemModel;
struct Services;

// Appends the cellar of an earlier version's "Vin.mdb" to the current cellar.
class ImportBase : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 7;

    ImportBase(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~ImportBase() override;

    void setCurrentFolder(const QString& folder);
    // The file names the file list shows.
    QStringList listedFiles() const;
    QString chosenPath() const;

public slots:
    void Lecteurs_Change();
    void Dossiers_Change();
    void Fichiers_Click(const QModelIndex& file);
    void Valider_Click();
    void Annuler_Click();
    void Quitter_Click();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    // The path in blue, readable on the desktop's colours, light or dark.
    void colourPath();
    // Once the user is in the file list, it highlights a file, and so chooses it, whenever it lists one.
    void offerFile();

    std::unique_ptr<Ui::ImportBase> ui;
    Globals& m_globals;
    Services& m_services;
    FolderChooser* m_chooser = nullptr;
    QFileSystemModel* m_files = nullptr;
};
