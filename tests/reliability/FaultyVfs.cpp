// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaultyVfs.h"

#include <sqlite3.h>

namespace FaultyVfs {

namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs faulty;
Kind armedKind = Kind::Open;
int remaining = 0;
bool fired = false;

struct File {
    sqlite3_file base;
    sqlite3_file* inner;
};

bool fail(Kind kind) {
    if (remaining <= 0 || kind != armedKind)
        return false;
    if (--remaining > 0)
        return false;
    fired = true;
    return true;
}

sqlite3_file* inner(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->inner;
}

int xClose(sqlite3_file* f) {
    return inner(f)->pMethods->xClose(inner(f));
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return fail(Kind::Read) ? SQLITE_IOERR_READ : inner(f)->pMethods->xRead(inner(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (fail(Kind::Full))
        return SQLITE_FULL;
    return fail(Kind::Write) ? SQLITE_IOERR_WRITE
                             : inner(f)->pMethods->xWrite(inner(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return fail(Kind::Write) ? SQLITE_IOERR_TRUNCATE : inner(f)->pMethods->xTruncate(inner(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    return fail(Kind::Sync) ? SQLITE_IOERR_FSYNC : inner(f)->pMethods->xSync(inner(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return inner(f)->pMethods->xFileSize(inner(f), size);
}
int xLock(sqlite3_file* f, int level) {
    return fail(Kind::Lock) ? SQLITE_IOERR_LOCK : inner(f)->pMethods->xLock(inner(f), level);
}
int xUnlock(sqlite3_file* f, int level) {
    return inner(f)->pMethods->xUnlock(inner(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return inner(f)->pMethods->xCheckReservedLock(inner(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return inner(f)->pMethods->xFileControl(inner(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return inner(f)->pMethods->xSectorSize(inner(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return inner(f)->pMethods->xDeviceCharacteristics(inner(f));
}

const sqlite3_io_methods methods = {1,
                                    xClose,
                                    xRead,
                                    xWrite,
                                    xTruncate,
                                    xSync,
                                    xFileSize,
                                    xLock,
                                    xUnlock,
                                    xCheckReservedLock,
                                    xFileControl,
                                    xSectorSize,
                                    xDeviceCharacteristics,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    if (fail(Kind::Open))
        return SQLITE_CANTOPEN;
    file->inner = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = real->xOpen(real, name, file->inner, flags, outFlags);
    if (rc == SQLITE_OK)
        file->base.pMethods = &methods;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int sync) {
    return real->xDelete(real, name, sync);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return real->xAccess(real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return real->xFullPathname(real, name, size, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) {
    return real->xDlOpen(real, name);
}
void xDlError(sqlite3_vfs*, int size, char* out) {
    real->xDlError(real, size, out);
}
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return real->xDlSym(real, handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle) {
    real->xDlClose(real, handle);
}
int xRandomness(sqlite3_vfs*, int size, char* out) {
    return real->xRandomness(real, size, out);
}
int xSleep(sqlite3_vfs*, int micro) {
    return real->xSleep(real, micro);
}
int xCurrentTime(sqlite3_vfs*, double* out) {
    return real->xCurrentTime(real, out);
}
int xGetLastError(sqlite3_vfs*, int size, char* out) {
    return real->xGetLastError(real, size, out);
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return real->xCurrentTimeInt64(real, out);
}

} // namespace

void install() {
    if (real)
        return;
    real = sqlite3_vfs_find(nullptr);
    faulty = sqlite3_vfs{2,
                         static_cast<int>(sizeof(File)) + real->szOsFile,
                         real->mxPathname,
                         nullptr,
                         "faulty",
                         nullptr,
                         xOpen,
                         xDelete,
                         xAccess,
                         xFullPathname,
                         xDlOpen,
                         xDlError,
                         xDlSym,
                         xDlClose,
                         xRandomness,
                         xSleep,
                         xCurrentTime,
                         xGetLastError,
                         xCurrentTimeInt64,
                         nullptr,
                         nullptr,
                         nullptr};
    sqlite3_vfs_register(&faulty, 1);
}

void failAt(Kind kind, int n) {
    armedKind = kind;
    remaining = n;
    fired = false;
}

void disarm() {
    remaining = 0;
}

bool triggered() {
    return fired;
}

} // namespace FaultyVfs
