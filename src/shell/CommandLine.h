// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The program takes no argument but the two every desktop program answers; both are read before any
// window, so that they need no display.
namespace CommandLine {

struct Answer {
    bool run = true; // no argument: start the program
    int status = 0;  // otherwise, the exit status
    QString output;  // for the standard output
    QString error;   // for the standard error
};

// `arguments` without the program's own name.
Answer read(const QStringList& arguments);

} // namespace CommandLine
