// SPDX-License-Identifier: GPL-3.0-or-later
#include "configuration/RestaurerSauvegarde.h"

#include "storage/Backups.h"
#include "storage/FileNames.h"
#include "storage/FileSystem.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_RestaurerSauvegarde.h"

#include <QDateTime>
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

RestaurerSauvegarde::RestaurerSauvegarde(Globals& globals, Services& services, QWidget* parent)
    : WorkingWindow(parent), ui(std::make_unique<Ui::RestaurerSauvegarde>()), m_globals(globals),
      m_services(services) {
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    connect(ui->Restaurer, &QPushButton::clicked, this, &RestaurerSauvegarde::Restaurer_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &RestaurerSauvegarde::Quitter_Click);
    connect(ui->ListeSauvegardes, &QListWidget::itemActivated, this, &RestaurerSauvegarde::Restaurer_Click);
    fillList();
    WindowTools::centreOnScreen(this);
}

RestaurerSauvegarde::~RestaurerSauvegarde() = default;

void RestaurerSauvegarde::fillList() {
    // Each copy's lots are counted in its file.
    BusyCursor busy;
    FileSystem files;
    const Backups backups(files, m_globals.CheminBase, Backups::userFolder());
    ui->ListeSauvegardes->clear();
    for (const BackupCopy& copy : backups.copies()) {
        const QDateTime taken = copy.taken.toLocalTime();
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 à %2 — %3 — %4")
                .arg(Numbers::french().toString(taken.date(), QLocale::LongFormat),
                     taken.toString(QStringLiteral("HH:mm")), Backups::kindLabel(copy.kind),
                     copy.lots < 0 ? QStringLiteral("illisible")
                                   : Numbers::counted(copy.lots, QStringLiteral("lot"))),
            ui->ListeSauvegardes);
        item->setData(Qt::UserRole, copy.path);
        item->setToolTip(QDir::toNativeSeparators(copy.path));
    }
    ui->Dossier->setText(QStringLiteral("Dossier : %1").arg(QDir::toNativeSeparators(backups.folder())));
    // Each line whole, within the screen.
    QListWidget* list = ui->ListeSauvegardes;
    const int lines = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                      list->verticalScrollBar()->sizeHint().width() + list->fontMetrics().height();
    const int room = screen()->availableGeometry().width() * 9 / 10 - 2 * layout()->contentsMargins().left();
    list->setMinimumWidth(std::max(list->minimumWidth(), std::min(lines, room)));
    ui->Restaurer->setEnabled(ui->ListeSauvegardes->count() > 0);
    if (ui->ListeSauvegardes->count() > 0)
        ui->ListeSauvegardes->setCurrentRow(0);
    ui->ListeSauvegardes->setFocus();
}

void RestaurerSauvegarde::Restaurer_Click() {
    const QListWidgetItem* chosen = ui->ListeSauvegardes->currentItem();
    if (!chosen)
        return;
    const MessageBox::Answer answer = m_services.messages.show(
        this, QStringLiteral("Brovane"),
        QStringLiteral(
            "Remplacer la cave par la sauvegarde du %1 ?\n\nLa cave actuelle est d'abord sauvegardée : "
            "vous pourrez y revenir.")
            .arg(chosen->text()),
        MessageBox::Icon::Question, MessageBox::Buttons::YesNo);
    if (answer != MessageBox::Answer::Yes)
        return;
    Backups::Outcome outcome;
    {
        BusyCursor busy;
        FileSystem files;
        outcome = Backups(files, m_globals.CheminBase, Backups::userFolder())
                      .restore(chosen->data(Qt::UserRole).toString(), QDateTime::currentDateTime());
    }
    if (outcome.failure) {
        m_services.messages.databaseError(this, *outcome.failure);
        return;
    }
    m_services.messages.notice(this, QStringLiteral("La cave a été restaurée : %1.").arg(chosen->text()));
    if (!outcome.notice.isEmpty())
        m_services.messages.notice(this, outcome.notice, MessageBox::Icon::Exclamation);
    fillList();
}

void RestaurerSauvegarde::Quitter_Click() {
    close();
}

void RestaurerSauvegarde::sauvegarder(Globals& globals, Services& services, QWidget* parent) {
    const QString path = services.inputs.saveFile(
        parent, QStringLiteral("Sauvegarder la cave"),
        FileNames::dated(QStringLiteral("Cave"), QDate::currentDate(), QStringLiteral(".dat")),
        QStringLiteral("Caves Brovane (*.dat)"));
    if (path.isEmpty())
        return;
    Status failure;
    {
        BusyCursor busy;
        FileSystem files;
        failure = Backups(files, globals.CheminBase, Backups::userFolder())
                      .saveTo(path, QDateTime::currentDateTime());
    }
    if (failure)
        services.messages.databaseError(parent, *failure);
    else
        services.messages.notice(
            parent,
            QStringLiteral("La cave a été sauvegardée dans « %1 ».").arg(QDir::toNativeSeparators(path)));
}
