// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <optional>

// The lock keys shown in the status bar. Caps, Num and Scroll Lock come from the display server where
// it tells them (X11); Insert has no indicator anywhere, so its state is toggled by the presses seen.
class KeyStates : public QObject {
    Q_OBJECT
public:
    struct Locks {
        bool caps = false;
        bool num = false;
        bool scroll = false;
    };

    explicit KeyStates(QObject* parent = nullptr);
    std::optional<Locks> locks() const;
    bool insert() const { return m_insert; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_insert = true;
};

// The display server's lock indicators, where it tells them (kept apart: X11's macros clash with Qt's).
std::optional<KeyStates::Locks> readLockIndicators();
