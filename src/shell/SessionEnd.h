// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;

// A logout or a shutdown ends the program with SIGTERM or SIGHUP: it then quits as the user's F12 does,
// the session's copy included, instead of dying where it stands.
namespace SessionEnd {

// From now on, for the program's life; `parent` holds what watches for them.
void quitOnSignals(QObject* parent);

} // namespace SessionEnd
