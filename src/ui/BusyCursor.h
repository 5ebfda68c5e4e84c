// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The hourglass for the lifetime of the guard, whatever path leaves the scope.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
