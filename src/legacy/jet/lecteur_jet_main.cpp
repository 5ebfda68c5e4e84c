// SPDX-License-Identifier: GPL-3.0-or-later
// brovane-lecteur-jet FILE TABLE: reads one table of a Jet (Access) file with libmdb and writes its
// rows on standard output in the JetProtocol format. libmdb prints warnings of its own on stdout, so
// the channel is a copy of stdout taken before stdout is sent to /dev/null. The helper limits its own
// memory and processor time, so a damaged file ends it instead of looping.
#include "legacy/jet/JetProtocol.h"

#include <glib.h>

#include <mdbtools.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

FILE* channel = nullptr;

int fail(const char* code) {
    std::fprintf(channel, "ERREUR\t%s\n", code);
    std::fflush(channel);
    return 2;
}

#ifdef __SANITIZE_ADDRESS__
// Under AddressSanitizer the address space is mostly shadow memory: the sanitizer bounds the memory
// actually used instead.
extern "C" const char* __asan_default_options() {
    return "hard_rss_limit_mb=512";
}
#endif

[[maybe_unused]] void limitSelf() {
#ifndef __SANITIZE_ADDRESS__
    const rlimit memory{static_cast<rlim_t>(JetProtocol::MemoryLimitBytes),
                        static_cast<rlim_t>(JetProtocol::MemoryLimitBytes)};
    setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit cpu{static_cast<rlim_t>(JetProtocol::CpuLimitSeconds),
                     static_cast<rlim_t>(JetProtocol::CpuLimitSeconds)};
    setrlimit(RLIMIT_CPU, &cpu);
}

std::string base64(const char* text, size_t length) {
    gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(text), length);
    std::string out(encoded);
    g_free(encoded);
    return out;
}

// Little-endian fields of the page, whatever the machine.
int64_t readSigned(const unsigned char* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    if (bytes < 8 && (v >> (bytes * 8 - 1)) & 1)
        v |= ~uint64_t(0) << (bytes * 8);
    return static_cast<int64_t>(v);
}

void writeValue(MdbHandle* mdb, const MdbColumn* column, const MdbField& field) {
    const unsigned char* p = mdb->pg_buf + field.start;
    if (column->col_type == MDB_BOOL) {
        // A yes/no value lives in the null bit itself.
        std::fprintf(channel, "\tI%d", field.is_null ? 0 : 1);
        return;
    }
    if (field.is_null) {
        std::fputs("\tN", channel);
        return;
    }
    switch (column->col_type) {
    case MDB_BYTE:
        std::fprintf(channel, "\tI%u", static_cast<unsigned>(p[0]));
        return;
    case MDB_INT:
        std::fprintf(channel, "\tI%" PRId64, readSigned(p, 2));
        return;
    case MDB_LONGINT:
        std::fprintf(channel, "\tI%" PRId64, readSigned(p, 4));
        return;
    case MDB_MONEY:
        std::fprintf(channel, "\tM%" PRId64, readSigned(p, 8));
        return;
    case MDB_FLOAT: {
        // A Single holds about seven significant digits, and the Jet engine shows it so: 12.1 stays 12.1.
        float f;
        std::memcpy(&f, p, sizeof f);
        std::fprintf(channel, "\tR%.7g", static_cast<double>(f));
        return;
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
        double d;
        std::memcpy(&d, p, sizeof d);
        std::fprintf(channel, "\tR%.17g", d);
        return;
    }
    default: {
        // Text (Jet 3 through the file's code page, Jet 4 from UCS-2), memo and the rest: libmdb's text.
        char* text = mdb_col_to_string(mdb, mdb->pg_buf, field.start, column->col_type, field.siz);
        std::fprintf(channel, "\tT%s", base64(text ? text : "", text ? std::strlen(text) : 0).c_str());
        g_free(text);
        return;
    }
    }
}

MdbCatalogEntry* findTable(MdbHandle* mdb, const char* name) {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name) == 0)
            return entry;
    }
    return nullptr;
}

} // namespace

// libmdb's handles, freed on every way out: a process that reads many files must not grow.
struct Opened {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    ~Opened() {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

int dumpJetTable(const char* file, const char* tableName, FILE* out) {
    channel = out;
    Opened opened;
    MdbHandle* mdb = opened.mdb = mdb_open(file, MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE))
        return fail(JetProtocol::ErrorNotJet);
    MdbCatalogEntry* entry = findTable(mdb, tableName);
    if (!entry)
        return fail(JetProtocol::ErrorNoTable);
    MdbTableDef* table = opened.table = mdb_read_table(entry);
    if (!table || !mdb_read_columns(table))
        return fail(JetProtocol::ErrorNotJet);

    std::fputs("COLONNES", channel);
    for (unsigned i = 0; i < table->num_cols; ++i)
        std::fprintf(channel, "\t%s", static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->name);
    std::fprintf(channel, "\nLIGNES\t%u\n", table->num_rows);

    std::vector<MdbField> fields(table->num_cols);
    unsigned long read = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        // The row fetch leaves the page in memory: crack the same row again for its raw values.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0)
            continue;
        const int count = mdb_crack_row(table, start & 0x1fff, size, fields.data());
        if (count < 0)
            continue;
        std::vector<const MdbField*> byColumn(table->num_cols, nullptr);
        for (int i = 0; i < count && i < static_cast<int>(table->num_cols); ++i)
            if (fields[i].colnum >= 0 && static_cast<unsigned>(fields[i].colnum) < table->num_cols)
                byColumn[static_cast<size_t>(fields[i].colnum)] = &fields[i];
        std::fputs("LIGNE", channel);
        for (unsigned i = 0; i < table->num_cols; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (byColumn[i])
                writeValue(mdb, column, *byColumn[i]);
            else
                std::fputs("\tN", channel);
        }
        std::fputc('\n', channel);
        ++read;
    }
    std::fprintf(channel, "FIN\t%lu\t%u\n", read, table->num_rows);
    std::fflush(channel);
    return 0;
}

#ifndef BROVANE_JET_FUZZ
int main(int argc, char** argv) {
    limitSelf();
    channel = fdopen(dup(STDOUT_FILENO), "w");
    // What libmdb prints on its own must not mix with the protocol.
    if (!channel || !std::freopen("/dev/null", "w", stdout))
        return 3;
    std::fprintf(channel, "%s\n", JetProtocol::Magic);
    if (argc != 3)
        return fail(JetProtocol::ErrorUsage);
    return dumpJetTable(argv[1], argv[2], channel);
}
#endif
