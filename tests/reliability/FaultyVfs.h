// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A SQLite file layer over the real one that makes the N-th operation of one kind fail, as a failing
// disk would. Installed as the default, so the program's own database code runs over it unchanged.
namespace FaultyVfs {

// Full: a write that finds the disk full.
enum class Kind { Open, Read, Write, Sync, Lock, Full };

void install();
// The n-th operation of that kind from now on fails (1 is the next one).
void failAt(Kind kind, int n);
void disarm();
// Whether the armed failure happened.
bool triggered();

} // namespace FaultyVfs
