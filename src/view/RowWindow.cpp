// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/RowWindow.h"

#include <algorithm>

void RowWindow::reset(qint64 rows) {
    m_rows = std::max<qint64>(rows, 0);
    m_pages.clear();
    m_used.clear();
    m_firstKeys.clear();
    m_lastKeys.clear();
    m_failure.reset();
    m_lastRead = {0, 0};
}

const DbRow* RowWindow::row(qint64 at) {
    m_lastRead = {0, 0};
    if (at < 0 || at >= m_rows)
        return nullptr;
    const qint64 page = at / PageSize;
    auto held = m_pages.find(page);
    if (held == m_pages.end()) {
        if (m_failure)
            return nullptr;
        read(page);
        held = m_pages.find(page);
        if (held == m_pages.end())
            return nullptr;
    } else if (m_used.front() != page) {
        m_used.remove(page);
        m_used.push_front(page);
    }
    const auto index = static_cast<size_t>(at - page * PageSize);
    return index < held->second.size() ? &held->second[index] : nullptr;
}

void RowWindow::read(qint64 page) {
    const qint64 first = page * PageSize;
    const qint64 wanted = std::min<qint64>(PageSize, m_rows - first);
    CellarQuery::Paging paging;
    paging.limit = static_cast<int>(wanted);
    if (const auto before = m_lastKeys.find(page - 1); before != m_lastKeys.end()) {
        paging.keys = before->second;
    } else if (const auto after = m_firstKeys.find(page + 1); after != m_firstKeys.end()) {
        paging.keys = after->second;
        paging.backward = true;
    } else if (first <= m_rows - (first + wanted)) {
        paging.offset = first;
    } else {
        paging.backward = true;
        paging.offset = m_rows - (first + wanted);
    }
    DbRows result = m_reader(paging);
    if (!result.ok()) {
        m_failure = result.error;
        return;
    }
    std::vector<DbRow>& rows = result.rows;
    if (paging.backward)
        std::reverse(rows.begin(), rows.end());
    const auto keysOf = [this](const DbRow& row) {
        QVariantList keys;
        for (size_t key = m_held; key < row.size(); ++key)
            keys << row[key];
        return keys;
    };
    // Keys are kept only where the page starts and ends where it should: rows another program added or
    // removed since the view was counted would otherwise shift every page read from them.
    if (!rows.empty() && static_cast<qint64>(rows.size()) == wanted) {
        m_firstKeys[page] = keysOf(rows.front());
        m_lastKeys[page] = keysOf(rows.back());
    }
    for (DbRow& row : rows)
        row.resize(m_held);
    m_lastRead = {first, static_cast<qint64>(rows.size())};
    m_pages[page] = std::move(rows);
    m_used.push_front(page);
    while (m_used.size() > PagesHeld) {
        m_pages.erase(m_used.back());
        m_used.pop_back();
    }
}

qint64 RowWindow::heldRows() const {
    qint64 rows = 0;
    for (const auto& [page, held] : m_pages)
        rows += static_cast<qint64>(held.size());
    return rows;
}
