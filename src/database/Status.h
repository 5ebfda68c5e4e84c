// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// A failure as the user is told it: a French sentence naming the cause, and the underlying system's own
// words (the engine's, the file system's) for support.
struct Failure {
    QString message;
    QString detail;

    QString text() const {
        return detail.isEmpty() ? message : message + QStringLiteral("\n\nDétail : ") + detail;
    }
};

// The one way the program reports how an operation went: no value means success. It cannot be ignored.
struct [[nodiscard]] Status : std::optional<Failure> {
    using std::optional<Failure>::optional;
    Status(const std::optional<Failure>& other) : std::optional<Failure>(other) {}
};
