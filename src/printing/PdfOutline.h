// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>
#include <QString>
#include <optional>
#include <vector>

// The bookmarks a PDF reader shows beside the pages, added to a PDF already written, as an update at its
// end that leaves every byte before it as it was.
namespace PdfOutline {

struct Entry {
    QString title;
    int page = 0;
    double top = 0; // in points from the top edge of the page
};

enum class Result { Added, NotUnderstood, NotWritten };

// Passes what a PDF writer writes on to a file, keeping the head and the last megabytes of it: where the
// objects the outline hangs on are, without holding the whole document.
class Recorder : public QIODevice {
public:
    explicit Recorder(QIODevice& target);
    bool isSequential() const override { return true; }
    qint64 written() const { return m_written; }
    // What was written at `offset`, when it is still kept.
    std::optional<QByteArray> bytesAt(qint64 offset, qint64 length) const;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    QIODevice& m_target;
    qint64 m_written = 0;
    QByteArray m_head, m_tail;
    qint64 m_tailStart = 0;
};

// Appends the outline to what `pdf` passed on. A PDF laid out otherwise than a plain writer lays it out is
// left as it is (NotUnderstood); NotWritten when the device refused the update. `pageHeight` in points.
Result add(Recorder& pdf, const std::vector<Entry>& entries, double pageHeight);

} // namespace PdfOutline
