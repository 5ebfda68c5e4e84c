// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QUrl>

// Hands an address to the desktop. In scripted mode (tests) the address is only recorded.
class Desktop {
public:
    bool open(const QUrl& url);

    void setScripted(bool scripted, bool succeeds = true) {
        m_scripted = scripted;
        m_succeeds = succeeds;
    }
    const QList<QUrl>& opened() const { return m_opened; }

private:
    bool m_scripted = false;
    bool m_succeeds = true;
    QList<QUrl> m_opened;
};
