// SPDX-License-Identifier: GPL-3.0-or-later
// The Jet reader helper's work on any file. libmdb is known to loop or crash on some damaged files, which
// is why the program only ever runs this code in a separate, limited process; fuzzing measures how often.
#include "legacy/jet/JetProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static char path[] = "/tmp/brovane-fuzz-jet-XXXXXX";
    static const int fd = mkstemp(path);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    static FILE* sink = std::fopen("/dev/null", "w");
    dumpJetTable(path, "ORNY", sink);
    return 0;
}
