// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>

class MessageBox;
class QWidget;

// No window opens over a cellar that cannot be read, where it would look empty: the user is told why,
// and how to bring it back from one of its copies.
namespace CellarGate {

// Opens the cellar of `cheminBase` as the windows do; false, the user told, when it cannot be.
bool opens(MessageBox& messages, QWidget* parent, const QString& cheminBase);
// Tells the user that the cellar of `cheminBase` cannot be read, for `why`, and which copy can replace it.
void tell(MessageBox& messages, QWidget* parent, const QString& cheminBase, const Failure& why);

} // namespace CellarGate
