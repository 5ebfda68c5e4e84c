// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the lock that keeps a second copy out lives: one place per user account.
QString singleCopyLockPath();
