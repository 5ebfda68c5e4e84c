// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "view/CellarQuery.h"

#include <functional>
#include <list>
#include <map>
#include <unordered_map>

// The rows of a view of any length, a few pages of them held at a time: a page is read when a row of it
// is wanted, from the order keys of a page beside it when one was read (after its last row, or before its
// first one, backwards), else counted from the nearer end. The farthest page from use is dropped; its keys
// are kept, a few values a page, so that any page is read again in one statement.
class RowWindow {
public:
    static constexpr int PageSize = 200;
    static constexpr int PagesHeld = 25;
    // Reads the rows of a page: `held` columns, then the order keys.
    using Reader = std::function<DbRows(const CellarQuery::Paging&)>;

    RowWindow(int held, Reader reader) : m_held(static_cast<size_t>(held)), m_reader(std::move(reader)) {}

    // A view of `rows` rows, none read yet.
    void reset(qint64 rows);
    qint64 size() const { return m_rows; }
    // The row, its page read first if it is not held. None when the view now has fewer rows than it had, or
    // when a page could not be read: the failure is then kept, for `failure()`, and nothing more is read.
    const DbRow* row(qint64 at);
    const Status& failure() const { return m_failure; }
    // The rows read by the last call of row(), first and count; none when it read nothing.
    std::pair<qint64, qint64> lastRead() const { return m_lastRead; }
    qint64 heldRows() const;

private:
    void read(qint64 page);

    size_t m_held;
    Reader m_reader;
    qint64 m_rows = 0;
    std::map<qint64, std::vector<DbRow>> m_pages;
    std::list<qint64> m_used; // most recent first
    std::unordered_map<qint64, QVariantList> m_firstKeys;
    std::unordered_map<qint64, QVariantList> m_lastKeys;
    Status m_failure;
    std::pair<qint64, qint64> m_lastRead{0, 0};
};
