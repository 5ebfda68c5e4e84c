// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/KeyStates.h"

#include <QGuiApplication>
#include <QKeyEvent>

KeyStates::KeyStates(QObject* parent) : QObject(parent) {
    if (qApp)
        qApp->installEventFilter(this);
}

bool KeyStates::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert && !key->isAutoRepeat())
            m_insert = !m_insert;
    }
    return false;
}

std::optional<KeyStates::Locks> KeyStates::locks() const {
    return readLockIndicators();
}
