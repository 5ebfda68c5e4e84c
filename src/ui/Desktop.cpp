// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Desktop.h"

#include <QDesktopServices>

bool Desktop::open(const QUrl& url) {
    m_opened.append(url);
    return m_scripted ? m_succeeds : QDesktopServices::openUrl(url);
}
