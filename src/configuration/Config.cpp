// SPDX-License-Identifier: GPL-3.0-or-later
#include "configuration/Config.h"

#include "database/CellarFiles.h"
#include "database/DataLink.h"
#include "storage/DatabaseMove.h"
#include "storage/SettingsFile.h"
#include "ui/BusyCursor.h"
#include "ui/FolderChooser.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Config.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <optional>

Config::Config(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::Config>()), m_globals(globals), m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    m_chooser = new FolderChooser(ui->drvList, ui->dirList, this);
    connect(ui->drvList, &QComboBox::activated, this, &Config::drvList_Change);
    // Opening a folder (double click, Enter) goes on to the name; walking the list keeps the focus in it.
    connect(m_chooser, &FolderChooser::folderOpened, this, &Config::dirList_Change);
    connect(ui->Valider, &QPushButton::clicked, this, &Config::Valider_Click);
    connect(ui->Annuler, &QPushButton::clicked, this, &Config::Annuler_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Config::Quitter_Click);
    connect(ui->UtiliserExistante, &QPushButton::clicked, this, &Config::UtiliserExistante_Click);
    onEnter(ui->NomDossier, [this] { ui->Valider->setFocus(); });
    Form_Load();
}

Config::~Config() = default;

void Config::Form_Load() {
    WindowTools::centreHorizontally(ui->BoiteBoutons, this);
    WindowTools::centreOnScreen(this);
    showCurrentBase();
    setCurrentFolder(startFolder());
    ui->NomDossier->setFocus();
}

QString Config::startFolder() const {
    // Beside the current cellar's folder, where a new one is most likely wanted; never the program's.
    const QString cellarFolder = QDir::cleanPath(CellarFiles::folderOf(m_globals.CheminBase));
    const QString parent = QFileInfo(cellarFolder).absolutePath();
    if (!cellarFolder.isEmpty() && QFileInfo(parent).isDir() && !m_globals.insideProgramFolder(parent))
        return parent;
    return QDir::homePath();
}

bool Config::refusedAsProgramFolder(const QString& folder) {
    if (!m_globals.insideProgramFolder(folder))
        return false;
    m_services.messages.show(
        this, InputErrorTitle,
        QStringLiteral("« %1 » est dans le dossier du programme (« %2 »), qu'une mise à jour, une "
                       "désinstallation ou une nouvelle compilation de Brovane efface avec tout ce qu'il "
                       "contient !!\nChoisissez un dossier à vous, par exemple dans votre dossier personnel.")
            .arg(CellarFiles::shown(folder), CellarFiles::shown(QDir::cleanPath(m_globals.CheminAppli))),
        MessageBox::Icon::Critical);
    setCurrentFolder(startFolder());
    ui->NomDossier->setFocus();
    return true;
}

void Config::showCurrentBase() {
    // Shown as the settings give it: only a final separator is left out.
    const QString& base = m_globals.CheminBase;
    ui->SupportChemin->setText(base.endsWith(u'/') || base.endsWith(u'\\') ? base.chopped(1) : base);
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
    if (refusedAsProgramFolder(folder))
        return;
    // An existing folder is refused before anything is asked.
    if (FileSystem::present(folder)) {
        m_services.messages.show(
            this, InputErrorTitle,
            QStringLiteral("Le dossier « %1 » existe déjà !!\nLa base ne peut être déplacée "
                           "que dans un nouveau dossier : choisissez un autre nom.")
                .arg(folder),
            MessageBox::Icon::Critical);
        ui->NomDossier->setFocus();
        return;
    }
    const MessageBox::Answer answer = m_services.messages.show(
        this, InputErrorTitle, QStringLiteral("Confirmez vous la création de :\n") + folder,
        MessageBox::Icon::Critical, MessageBox::Buttons::YesNo);
    if (answer == MessageBox::Answer::Yes) {
        const auto result = moveTo(folder);
        if (!result.ok()) {
            m_services.messages.notice(this, result.failure().text(),
                                       m_moveCancelled ? MessageBox::Icon::Information
                                                       : MessageBox::Icon::Critical);
        } else {
            m_globals.CheminBase = result->newBase;
            showCurrentBase();
            if (!result->warning.isEmpty())
                m_services.messages.notice(this, result->warning, MessageBox::Icon::Exclamation);
        }
    }
    Annuler_Click();
}

::Result<DatabaseMove::Moved> Config::moveTo(const QString& folder) {
    // On a thread of its own: on a slow disk the window still paints, shows where the move stands and
    // lets the user cancel it.
    DatabaseMove::Watch watch;
    std::optional<::Result<DatabaseMove::Moved>> result;
    const QString oldBase = m_globals.CheminBase;
    const QString settingsFolder = m_globals.settingsFolder;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        DatabaseMove move(*m_files, settingsFolder);
        move.watchedBy(&watch);
        result.emplace(move.run(oldBase, folder));
    }));
    BusyCursor busy;
    ProgressService::Task task(
        m_services.progress, this, QStringLiteral("Déplacement de la base"),
        QStringLiteral("Déplacement de la base dans « %1 »…").arg(CellarFiles::shown(folder)));
    worker->start();
    while (!worker->wait(QDeadlineTimer(20)))
        if (!task.waiting(watch.step, DatabaseMove::Steps))
            watch.cancelled = true;
    m_moveCancelled = watch.cancelled && !result->ok();
    return std::move(*result);
}

void Config::UtiliserExistante_Click() {
    const QString base = CellarFiles::withSeparator(currentFolder());
    const QString path = CellarFiles::databasePath(base);
    if (refusedAsProgramFolder(currentFolder()))
        return;
    DataLink link(path);
    const Status unusable = link.open();
    link.close();
    if (unusable) {
        m_services.messages.show(this, InputErrorTitle, unusable->message, MessageBox::Icon::Critical);
        return;
    }
    if (base == m_globals.CheminBase) {
        m_services.messages.notice(this, QStringLiteral("Brovane utilise déjà la base « %1 ».").arg(path));
        return;
    }
    const MessageBox::Answer answer = m_services.messages.show(
        this, QStringLiteral("Brovane"),
        QStringLiteral(
            "Utiliser désormais la base :\n%1\n\nElle n'est ni déplacée ni modifiée ; la base actuelle "
            "reste où elle est.")
            .arg(path),
        MessageBox::Icon::Question, MessageBox::Buttons::YesNo);
    if (answer != MessageBox::Answer::Yes)
        return;
    if (Status failure = SettingsFile::write(*m_files, m_globals.settingsFolder, base)) {
        m_services.messages.notice(this, failure->message, MessageBox::Icon::Critical);
        return;
    }
    m_globals.CheminBase = base;
    showCurrentBase();
}

void Config::Annuler_Click() {
    setCurrentFolder(startFolder());
    ui->NomDossier->clear();
    ui->NomDossier->setFocus();
}

void Config::Quitter_Click() {
    close();
}
