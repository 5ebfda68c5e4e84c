// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacy/ImportBase.h"

#include "BuildInfo.h"
#include "legacy/JetReader.h"
#include "legacy/LegacyImport.h"
#include "ui/BusyCursor.h"
#include "ui/FolderChooser.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_ImportBase.h"

#include <QDir>
#include <QFileSystemModel>
#include <QItemSelectionModel>

ImportBase::ImportBase(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::ImportBase>()), m_globals(globals),
      m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    m_chooser = new FolderChooser(ui->Lecteurs, ui->Dossiers, this);
    m_files = new QFileSystemModel(this);
    m_files->setFilter(QDir::Files);
    // Earlier versions ran on Windows, where the name's case did not matter.
    m_files->setNameFilters({QStringLiteral("[Vv][Ii][Nn].[Mm][Dd][Bb]")});
    m_files->setNameFilterDisables(false);
    ui->Fichiers->setModel(m_files);
    connect(ui->Lecteurs, &QComboBox::activated, this, &ImportBase::Lecteurs_Change);
    connect(m_chooser, &FolderChooser::folderChanged, this, &ImportBase::Dossiers_Change);
    connect(ui->Fichiers, &QListView::clicked, this, &ImportBase::Fichiers_Click);
    connect(ui->Fichiers, &QListView::activated, this, &ImportBase::Fichiers_Click);
    // Moving in the list with the keys chooses the file shown, as a click does: Valider imports what is
    // highlighted.
    connect(ui->Fichiers->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ImportBase::Fichiers_Click);
    connect(ui->Valider, &QPushButton::clicked, this, &ImportBase::Valider_Click);
    connect(ui->Annuler, &QPushButton::clicked, this, &ImportBase::Annuler_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &ImportBase::Quitter_Click);
    Form_Load();
}

ImportBase::~ImportBase() = default;

void ImportBase::Form_Load() {
    // The layout keeps the buttons centred.
    colourPath();
    setCurrentFolder(QDir::currentPath());
}

void ImportBase::colourPath() {
    QPalette palette = ui->CheminImport->palette();
    palette.setColor(QPalette::WindowText,
                     WindowTools::readableOn(Qt::blue, this->palette().color(QPalette::Window)));
    ui->CheminImport->setPalette(palette);
}

void ImportBase::changeEvent(QEvent* event) {
    WorkingWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colourPath();
}

void ImportBase::setCurrentFolder(const QString& folder) {
    m_chooser->setCurrentFolder(folder);
    Dossiers_Change();
}

QStringList ImportBase::listedFiles() const {
    QStringList names;
    const QModelIndex root = ui->Fichiers->rootIndex();
    for (int row = 0; row < m_files->rowCount(root); ++row)
        names << m_files->fileName(m_files->index(row, 0, root));
    return names;
}

QString ImportBase::chosenPath() const {
    return ui->CheminImport->text();
}

void ImportBase::Lecteurs_Change() {
    m_chooser->driveChanged();
}

void ImportBase::Dossiers_Change() {
    const QString folder = m_chooser->currentFolder();
    m_files->setRootPath(folder);
    ui->Fichiers->setRootIndex(m_files->index(folder));
}

void ImportBase::Fichiers_Click(const QModelIndex& file) {
    if (file.isValid())
        ui->CheminImport->setText(QDir::toNativeSeparators(m_files->filePath(file)));
}

void ImportBase::Valider_Click() {
    const QString path = ui->CheminImport->text();
    if (path.isEmpty())
        return;
    LegacyImport::Result result;
    {
        BusyCursor busy;
        ProgressService::Task progress(m_services.progress, this, QStringLiteral("Import"),
                                       QStringLiteral("Import des lots de « %1 »…").arg(path));
        LegacyImport::Questions questions;
        questions.progress = [&progress](qint64 read, qint64 declared) {
            return progress.step(read, declared);
        };
        questions.keepValid = [this](qint64 valid, const LegacyImport::Refusals& refused) {
            return m_services.messages.show(
                       this, QString::fromUtf8(BuildInfo::ProductName),
                       QStringLiteral("%1 ne respectent pas les règles d'un achat et ne peuvent pas être "
                                      "importés :\n%2\n\nImporter les %3 autres lots ?\n"
                                      "(Non : rien n'est importé.)")
                           .arg(Numbers::counted(refused.total(), QStringLiteral("lot")) +
                                    QStringLiteral(" du fichier"),
                                refused.describe())
                           .arg(valid),
                       MessageBox::Icon::Question, MessageBox::Buttons::YesNo) == MessageBox::Answer::Yes;
        };
        result = LegacyImport::run(JetReader::helperIn(m_globals.CheminAppli),
                                   QDir::fromNativeSeparators(path), m_globals.databasePath(), questions);
    }
    if (result.cancelled || result.declined) {
        m_services.messages.notice(
            this, result.cancelled ? QStringLiteral("L'import a été annulé : la cave n'a pas été modifiée.")
                                   : QStringLiteral("Rien n'a été importé : la cave n'a pas été modifiée."));
        return;
    }
    if (result.failure) {
        m_services.messages.databaseError(this, *result.failure);
        return;
    }
    QString text =
        QStringLiteral("L'import est terminé !!\n\n") +
        Numbers::counted(result.added, QStringLiteral("lot")) +
        (Numbers::plural(static_cast<double>(result.added)) ? QStringLiteral(" ont été ajoutés à la cave.")
                                                            : QStringLiteral(" a été ajouté à la cave."));
    if (result.refused.total() > 0)
        text += QStringLiteral("\nLaissés de côté :\n") + result.refused.describe();
    m_services.messages.notice(this, text, MessageBox::Icon::Critical);
}

void ImportBase::Annuler_Click() {
    ui->CheminImport->clear();
}

void ImportBase::Quitter_Click() {
    close();
}
