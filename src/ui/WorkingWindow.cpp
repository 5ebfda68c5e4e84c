// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkingWindow.h"

#include <QKeyEvent>

namespace {
bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

WorkingWindow::WorkingWindow(QWidget* parent) : QDialog(parent) {}

void WorkingWindow::onEnter(QWidget* field, std::function<void()> handler) {
    m_enterHandlers.insert(field, std::move(handler));
    field->installEventFilter(this);
}

bool WorkingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (isEnter(event)) {
        const auto handler = m_enterHandlers.constFind(watched);
        if (handler != m_enterHandlers.constEnd())
            (*handler)();
    }
    return QDialog::eventFilter(watched, event);
}

void WorkingWindow::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
