// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: makes the delivered empty cellar from the schema. It refuses to overwrite an existing file
// other than its own previous output, which the build removes first.
#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s schema.sql Orny02.dat\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream schema;
    schema << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::remove(argv[2]);
    try {
        SQLite::Database db(argv[2], SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(schema.str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
