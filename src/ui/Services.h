// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Desktop.h"
#include "ui/InputBox.h"
#include "ui/MessageBox.h"
#include "ui/Progress.h"

// What every window needs to speak with the user, handed to it by its constructor.
struct Services {
    MessageBox messages;
    InputBox inputs;
    Desktop desktop;
    ProgressService progress;

    void setScripted(bool scripted) {
        messages.setScripted(scripted);
        progress.setScripted(scripted);
        inputs.setScripted(scripted);
        desktop.setScripted(scripted);
    }
};
