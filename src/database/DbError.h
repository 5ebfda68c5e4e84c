// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// A database failure as the user is told it: a French sentence, and the engine's own words for support.
struct DbError {
    QString message;
    QString detail;

    QString text() const {
        return detail.isEmpty() ? message : message + QStringLiteral("\n\nDétail : ") + detail;
    }
};

// No value means success.
using DbStatus = std::optional<DbError>;
