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
#include <QKeyEvent>

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
    // Whatever highlights a file chooses it, as a click does (arrows, Space, Home, End): Valider imports
    // what the list highlights.
    connect(ui->Fichiers->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty())
                    Fichiers_Click(selected.indexes().front());
            });
    ui->Fichiers->installEventFilter(this);
    // The folder's files are read in the background: one may arrive once the user is in the list.
    connect(m_files, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& folder) {
        if (folder == ui->Fichiers->rootIndex())
            offerFile();
    });
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

bool ImportBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Fichiers && event->type() == QEvent::FocusIn)
        offerFile();
    // After Annuler the list highlights nothing: the first key that would choose or move chooses the file
    // under the cursor.
    if (watched == ui->Fichiers && event->type() == QEvent::KeyPress &&
        !ui->Fichiers->selectionModel()->hasSelection()) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            offerFile();
            return ui->Fichiers->selectionModel()->hasSelection();
        default:
            break;
        }
    }
    return WorkingWindow::eventFilter(watched, event);
}

void ImportBase::offerFile() {
    QListView* list = ui->Fichiers;
    if (!list->hasFocus() || list->selectionModel()->hasSelection())
        return;
    QModelIndex file = list->currentIndex();
    if (file.parent() != list->rootIndex())
        file = m_files->index(0, 0, list->rootIndex());
    Fichiers_Click(file);
}

void ImportBase::Dossiers_Change() {
    const QString folder = m_chooser->currentFolder();
    m_files->setRootPath(folder);
    // The file of the folder before is no longer in the list; the path keeps it until another is chosen.
    ui->Fichiers->selectionModel()->clear();
    ui->Fichiers->setRootIndex(m_files->index(folder));
    offerFile();
}

void ImportBase::Fichiers_Click(const QModelIndex& file) {
    if (!file.isValid())
        return;
    ui->Fichiers->selectionModel()->setCurrentIndex(file, QItemSelectionModel::ClearAndSelect);
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
    ui->Fichiers->clearSelection();
}

void ImportBase::Quitter_Click() {
    close();
}
