// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/Config.h"

#include "maintenance/DatabaseMove.h"
#include "maintenance/FolderChooser.h"
#include "shell/SettingsFile.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/Windows.h"
#include "ui_Config.h"

#include <QDir>

Config::Config(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Config>()), m_globals(globals), m_services(services) {
    ui->setupUi(this);
    Windows::setHelpTopic(this, HelpTopic);
    m_chooser = new FolderChooser(ui->drvList, ui->dirList, this);
    connect(ui->drvList, &QComboBox::activated, this, &Config::drvList_Change);
    connect(m_chooser, &FolderChooser::folderChanged, this, &Config::dirList_Change);
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
    setCurrentFolder(QDir::currentPath());
    ui->NomDossier->setFocus();
}

void Config::showCurrentBase() {
    ui->SupportChemin->setText(m_globals.CheminBase.chopped(1));
}

QString Config::currentFolder() const {
    return m_chooser->currentFolder();
}

void Config::setCurrentFolder(const QString& folder) {
    m_chooser->setCurrentFolder(folder);
}

void Config::drvList_Change() {
    m_chooser->driveChanged();
}

void Config::dirList_Change() {
    ui->NomDossier->setFocus();
}

void Config::Valider_Click() {
    if (m_chooser->currentVolume() && m_chooser->currentVolume()->floppy) {
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
