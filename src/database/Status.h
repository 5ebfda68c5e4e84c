// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

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

// What an operation yields, or why it could not: one or the other, never both. It cannot be ignored.
//     const Result<Reading> read = readLots(...);
//     if (!read.ok())
//         return read.status();
//     use(read->lots);
// An operation whose failures the caller must tell apart names its own failure type `F`.
template <typename T, typename F = Failure> class [[nodiscard]] Result {
public:
    Result(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    Result(F failure) : m_outcome(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_outcome.index() == 0; }
    const T& value() const { return std::get<0>(m_outcome); }
    T& value() { return std::get<0>(m_outcome); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const F& failure() const { return std::get<1>(m_outcome); }
    // The failure alone, as the operations that return nothing report it: empty on success.
    Status status() const { return ok() ? Status() : Status(failure()); }

private:
    std::variant<T, F> m_outcome;
};
