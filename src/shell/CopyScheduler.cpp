// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CopyScheduler.h"

#include "database/CellarSchema.h"
#include "database/DataLink.h"
#include "storage/FileSystem.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A cellar written by an earlier version, or by another tool, lacks the indexes the program keeps on ORNY:
// they are made once, in one write, and every later start finds them there. (The tables the program adds
// come with the first write of a lot, as they always did.)
void bringToCurrentShape(const QString& database) {
    if (CellarSchema::detectKind(database) != CellarSchema::FileKind::SQLite)
        return;
    DataLink link(database);
    QVariantList indexes;
    QStringList marks;
    for (const auto& [index, column] : CellarSchema::LotIndexes) {
        indexes << QString::fromLatin1(index);
        marks << QStringLiteral("?%1").arg(indexes.size());
    }
    const DbRows found =
        link.query(QStringLiteral("SELECT COUNT(*) FROM sqlite_schema WHERE type = 'index' AND name IN (%1)")
                       .arg(marks.join(QStringLiteral(", "))),
                   indexes);
    if (!found.ok() || found.rows.front().front().toInt() == indexes.size())
        return;
    link.write([](DataLink& l) -> Status {
            for (const QString& statement :
                 CellarSchema::lotIndexesSql().split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (Status failure = l.execute(statement))
                    return failure;
            return std::nullopt;
        })
        .reset();
}

} // namespace

CopyScheduler::CopyScheduler(Globals& globals, Services& services, QMainWindow* window, Clock clock)
    : QObject(window), m_globals(globals), m_services(services), m_window(window), m_clock(std::move(clock)) {
}

CopyScheduler::~CopyScheduler() {
    if (m_thread)
        m_thread->wait();
}

bool CopyScheduler::dailyRunning() const {
    return m_indicator != nullptr;
}

void CopyScheduler::startDaily() {
    if (m_indicator)
        return;
    m_indicator = new QLabel(QStringLiteral("Sauvegarde du jour en cours…"), m_window);
    m_indicator->setObjectName(QStringLiteral("PanneauSauvegarde"));
    m_indicator->setFrameShape(QFrame::Panel);
    m_indicator->setFrameShadow(QFrame::Sunken);
    m_window->statusBar()->addWidget(m_indicator);
    // The window first: its first paint and the user's first keys come before the copy takes a processor.
    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    connect(m_delay, &QTimer::timeout, this, &CopyScheduler::runDaily);
    m_delay->start(DelayMs);
}

void CopyScheduler::runDaily() {
    const QString cheminBase = m_globals.CheminBase;
    const QDateTime now = m_clock();
    m_thread = QThread::create([this, cheminBase, now] {
        // Below the window's thread: the copy takes what the user leaves.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
        FileSystem files;
        const Backups::Outcome outcome = Backups(files, cheminBase, Backups::userFolder()).daily(now);
        if (!outcome.failure)
            bringToCurrentShape(CellarFiles::databasePath(cheminBase));
        QMetaObject::invokeMethod(
            this, [this, outcome] { dailyDone(outcome); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void CopyScheduler::dailyDone(const Backups::Outcome& outcome) {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    delete m_indicator;
    m_indicator = nullptr;
    tell(QStringLiteral("La sauvegarde du jour n'a pas pu être faite"), outcome);
    emit dailyEnded();
}

void CopyScheduler::tell(const QString& what, const Backups::Outcome& outcome) {
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : m_window;
    if (outcome.failure)
        m_services.messages.show(
            parent, QStringLiteral("Brovane"), QStringLiteral("%1 :\n%2").arg(what, outcome.failure->message),
            MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok, outcome.failure->detail);
    if (!outcome.notice.isEmpty())
        m_services.messages.notice(parent, outcome.notice, MessageBox::Icon::Exclamation);
}

void CopyScheduler::atExit() {
    // A copy not begun yet is not begun now: the one at the end of the session covers what changed.
    if (m_delay && m_delay->isActive()) {
        m_delay->stop();
        delete m_indicator;
        m_indicator = nullptr;
    }
    if (m_thread) {
        BusyCursor busy;
        m_thread->wait();
        QCoreApplication::sendPostedEvents(this);
    }
    m_window->hide();
    Backups::Outcome outcome;
    {
        BusyCursor busy;
        FileSystem files;
        outcome = Backups(files, m_globals.CheminBase, Backups::userFolder()).atExit(m_clock());
    }
    tell(QStringLiteral("La sauvegarde de fin de séance n'a pas pu être faite"), outcome);
}
