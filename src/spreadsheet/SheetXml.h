// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QXmlStreamReader>
#include <functional>
#include <optional>

// A part of a workbook read as XML token by token, within what a crafted part could otherwise make
// unbounded: no DTD (where entities would be), no nesting deeper than SheetLimits::XmlDepth, no text longer
// than a cell. The readers move through it only by these calls, so that no token escapes the count.
class SheetXml {
public:
    SheetXml(QIODevice* device, const QString& part);

    // What the current token is: its name, attributes, where it is. The reader moves only through the calls
    // below.
    const QXmlStreamReader* operator->() const { return &m_xml; }

    // The next token; false at the end, on an error or past a ceiling.
    bool next();
    // The elements open around the current token, the current one counted.
    int depth() const { return m_depth; }
    // The next element that starts inside the one opened at `level` (its depth()); false once that one ends.
    bool nextStartIn(int level);
    // Passes over the current element whole.
    void skip();
    // Adds the text inside the current element to `text`, up to its end. `start` is told each element that
    // starts inside it, may add to the text (a line break between paragraphs) and answers false to leave
    // that element out. False past the cell's ceiling or on an error.
    bool appendText(QString& text, const std::function<bool()>& start = {});

    // Why the reading stopped short of the part's end: a ceiling, or XML that is not valid; nothing when it
    // did not, or when `parse` stopped it.
    std::optional<Failure> failure() const;

private:
    void refuse(const QString& why);

    QXmlStreamReader m_xml;
    QString m_part;
    int m_depth = 0;
    std::optional<Failure> m_refused;
};
