// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A 128-bit integer, for sums and products of typed or stored numbers that must never overflow.
__extension__ typedef __int128 WideInt;
// Its unsigned twin, for wider sums built of several.
__extension__ typedef unsigned __int128 WideUnsigned;
