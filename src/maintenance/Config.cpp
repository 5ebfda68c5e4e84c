// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/Config.h"

#include "maintenance/DatabaseMove.h"
#include "shell/SettingsFile.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/Windows.h"
#include "ui_Config.h"

#include <QDir>
#include <QFileSystemModel>

Config::Config(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Config>()), m_globals(globals), m_services(services),
      m_folders(new QFileSystemModel(this)) {
    ui->setupUi(this);
    Windows::setHelpTopic(this, HelpTopic);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QDir::rootPath());
    ui->dirList->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        ui->dirList->hideColumn(column);
    connect(ui->drvList, &QComboBox::activated, this, &Config::drvList_Change);
    connect(ui->dirList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Config::dirList_Change);
    connect(ui->Valider, &QPushButton::clicked, this, &Config::Valider_Click);
    connect(ui->Annuler, &QPushButton::clicked, this, &Config::Annuler_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Config::Quitter_Click);
    onEnter(ui->NomDossier, [this] { ui->Valider->setFocus(); });
    Form_Load();
}

Config::~Config() = default;

void Config::Form_Load() {
    Windows::centreHorizontally(ui->BoiteBoutons, this);
    Windows::centreOnScreen(this);
    showCurrentBase();
    m_volumes = VolumeList::volumes();
    for (const VolumeList::Volume& volume : m_volumes)
        ui->drvList->addItem(volume.label);
    setCurrentFolder(QDir::currentPath());
    ui->NomDossier->setFocus();
}

void Config::showCurrentBase() {
    ui->SupportChemin->setText(m_globals.CheminBase.chopped(1));
}

QString Config::currentFolder() const {
    const QModelIndex current = ui->dirList->currentIndex();
    return current.isValid() ? m_folders->filePath(current) : m_folders->filePath(ui->dirList->rootIndex());
}

bool Config::setDrive(int index) {
    if (index < 0 || index >= m_volumes.size() || !QDir(m_volumes.at(index).root).isReadable())
        return false;
    m_drive = index;
    ui->drvList->setCurrentIndex(index);
    ui->dirList->setRootIndex(m_folders->index(m_volumes.at(index).root));
    return true;
}

void Config::setCurrentFolder(const QString& folder) {
    const QString path = QDir::fromNativeSeparators(folder);
    setDrive(VolumeList::volumeOf(m_volumes, path));
    const QModelIndex index = m_folders->index(path);
    ui->dirList->setCurrentIndex(index);
    ui->dirList->scrollTo(index);
}

void Config::drvList_Change() {
    // A drive that cannot be read falls back, silently, to the drive of the folder shown.
    if (!setDrive(ui->drvList->currentIndex()))
        ui->drvList->setCurrentIndex(m_drive);
}

void Config::dirList_Change() {
    ui->NomDossier->setFocus();
}

void Config::Valider_Click() {
    if (m_drive >= 0 && m_volumes.at(m_drive).floppy) {
        m_services.messages.show(this, InputErrorTitle,
                                 QStringLiteral("Vous ne pouvez pas stocker la base sur disquette !!"),
                                 MessageBox::Icon::Critical);
        Annuler_Click();
        return;
    }
    const QString name = ui->NomDossier->text();
    const QString problem = DatabaseMove::nameProblem(name);
    if (!problem.isEmpty()) {
        m_services.messages.show(this, InputErrorTitle, problem, MessageBox::Icon::Critical);
        ui->NomDossier->setFocus();
        return;
    }
    const QString folder = DatabaseMove::newFolder(currentFolder(), name);
    const MessageBox::Answer answer = m_services.messages.show(
        this, InputErrorTitle, QStringLiteral("Confirmez vous la création de :\n") + folder,
        MessageBox::Icon::Critical, MessageBox::Buttons::YesNo);
    if (answer == MessageBox::Answer::Yes) {
        DatabaseMove::Result result;
        {
            BusyCursor busy;
            result = DatabaseMove(m_files).run(m_globals.CheminBase, folder);
        }
        if (result.outcome == DatabaseMove::Outcome::Moved) {
            m_globals.CheminBase = result.newBase;
            const QString settingsError = SettingsFile::write(m_globals.settingsFolder, m_globals.CheminBase);
            showCurrentBase();
            if (!settingsError.isEmpty())
                m_services.messages.notice(
                    this,
                    QStringLiteral(
                        "La base est maintenant dans « %1 », mais le fichier Orny.ini n'a pas pu être "
                        "écrit (%2).\nAu prochain démarrage, indiquez de nouveau ce dossier.")
                        .arg(folder, settingsError),
                    MessageBox::Icon::Exclamation);
        }
        if (!result.message.isEmpty())
            m_services.messages.notice(this, result.message,
                                       result.outcome == DatabaseMove::Outcome::Moved
                                           ? MessageBox::Icon::Exclamation
                                           : MessageBox::Icon::Critical);
    }
    Annuler_Click();
}

void Config::Annuler_Click() {
    setCurrentFolder(m_globals.CheminAppli);
    ui->NomDossier->clear();
    ui->NomDossier->setFocus();
}

void Config::Quitter_Click() {
    close();
}
