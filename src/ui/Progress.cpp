// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Progress.h"

#include "ui/WindowTools.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
// The bar's range is an int: large counts are shown in thousandths.
constexpr int Scale = 1000;
} // namespace

ProgressService::Task::Task(ProgressService& service, QWidget* parent, const QString& title,
                            const QString& label)
    : m_service(service) {
    m_service.m_shown << label;
    if (m_service.m_scripted)
        return;
    m_dialog = std::make_unique<QProgressDialog>(label, QStringLiteral("&Annuler"), 0, Scale, parent);
    m_dialog->setWindowTitle(title);
    WindowTools::roomForTitle(m_dialog.get());
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(m_service.m_showAfterMs);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

ProgressService::Task::~Task() = default;

bool ProgressService::Task::step(qint64 done, qint64 total) {
    ++m_steps;
    if (m_service.m_scripted)
        return m_service.m_cancelAfter < 0 || m_steps <= m_service.m_cancelAfter;
    // The user must be able to reach the button whatever pointer the work has set; set once, since each
    // change goes to the display server, which a step per row would flood.
    if (m_dialog->isVisible() && QApplication::overrideCursor() &&
        QApplication::overrideCursor()->shape() != Qt::BusyCursor)
        QApplication::changeOverrideCursor(Qt::BusyCursor);
    m_dialog->setValue(total > 0 ? static_cast<int>(std::min<qint64>(done, total) * Scale / total) : 0);
    if (!m_dialog->isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return !m_dialog->wasCanceled();
}

bool ProgressService::Task::waiting(qint64 done, qint64 total) {
    const bool going = step(done, total);
    // Shown, the dialog holds the keyboard and the mouse alone: what the user does there is answered.
    if (m_dialog && m_dialog->isVisible())
        QCoreApplication::processEvents();
    return going && !(m_dialog && m_dialog->wasCanceled());
}
