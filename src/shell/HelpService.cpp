// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelpService.h"

#include "shell/HelpWindow.h"
#include "ui/WindowTools.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

HelpService::HelpService(const QString& helpFile, QObject* parent) : QObject(parent), m_helpFile(helpFile) {
    qApp->installEventFilter(this);
}

QUrl HelpService::topicUrl(int topic) const {
    QUrl url = QUrl::fromLocalFile(m_helpFile);
    if (topic > 0)
        url.setFragment(QStringLiteral("sujet-%1").arg(topic));
    return url;
}

void HelpService::showHelp(QWidget* over) {
    QWidget* window = over ? over->window() : nullptr;
    m_lastShown = topicUrl(window ? WindowTools::helpTopic(window) : 0);
    // The help window belongs to the window it explains, so a modal working window does not block it.
    auto* help = new HelpWindow(m_helpFile, m_lastShown, window);
    help->setAttribute(Qt::WA_DeleteOnClose);
    // On the screen of the window it explains, whole.
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 520);
    help->resize(std::min(900, area.width() * 9 / 10), std::min(620, area.height() * 9 / 10));
    help->move(area.x() + (area.width() - help->width()) / 2,
               area.y() + (area.height() - help->height()) / 2);
    help->show();
}

void HelpService::pressF1(QWidget* fallback) {
    QWidget* target = QApplication::activeWindow() ? QApplication::activeWindow() : fallback;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
}

bool HelpService::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        showHelp(static_cast<QWidget*>(watched));
        return true;
    }
    return false;
}
