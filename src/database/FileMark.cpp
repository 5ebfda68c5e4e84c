// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/FileMark.h"

#include <QFile>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The header fields used: the read and write versions (1 for a rollback journal, 2 for write-ahead) and
// the change counter, big-endian.
constexpr int HeaderRead = 28;
constexpr int WriteVersion = 18;
constexpr int ReadVersion = 19;
constexpr int ChangeCounter = 24;

std::mutex& guard() {
    static std::mutex m;
    return m;
}

std::map<std::pair<dev_t, ino_t>, FileMark>& wholeMarks() {
    static std::map<std::pair<dev_t, ino_t>, FileMark> marks;
    return marks;
}

} // namespace

bool FileMark::operator==(const FileMark& other) const {
    return device == other.device && inode == other.inode && changes == other.changes &&
           modified == other.modified && size == other.size;
}

std::optional<FileMark> FileMark::of(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    unsigned char header[HeaderRead];
    struct stat st {};
    const bool read =
        ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) && ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!read || header[WriteVersion] != 1 || header[ReadVersion] != 1)
        return std::nullopt;
    FileMark mark;
    mark.device = st.st_dev;
    mark.inode = st.st_ino;
    for (int i = 0; i < 4; ++i)
        mark.changes = (mark.changes << 8) | header[ChangeCounter + i];
    mark.modified = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    mark.size = st.st_size;
    return mark;
}

void FileMark::rememberWhole(const FileMark& mark) {
    const std::lock_guard<std::mutex> lock(guard());
    wholeMarks()[{mark.device, mark.inode}] = mark;
}

bool FileMark::seenWhole(const FileMark& mark) {
    const std::lock_guard<std::mutex> lock(guard());
    const auto found = wholeMarks().find({mark.device, mark.inode});
    return found != wholeMarks().end() && found->second == mark;
}
