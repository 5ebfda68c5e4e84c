// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <optional>

// The colour each colour of wine is drawn in, everywhere a wine's colour is shown by a colour (the
// statistics' charts, on screen and on paper): a red wine in red whatever its rank or the desktop's theme.
// Their lightness differs as much as their hue, so that a grey print still tells them apart.
namespace WineColours {

// The colour of a wine colour of the cellar, in any case ("rosé", "ROSÉ"); none for another ("Jaune",
// "Rose"), which is drawn as any other series.
std::optional<QColor> of(const QString& colour);

} // namespace WineColours
