// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A 128-bit integer, for sums and products of typed or stored numbers that must never overflow.
__extension__ typedef __int128 WideInt;
