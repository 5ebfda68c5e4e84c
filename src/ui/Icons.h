// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QtGlobal>

// The program's icons, drawn from resources/icons at build time at 16, 32 and 64 pixels.
namespace Icons {

struct Image {
    const char* name; // the SVG's name without its suffix: "achats"
    int size;
    const quint32* pixels; // size × size, premultiplied ARGB
};
extern const Image Images[];
extern const int ImageCount;

// The icon of that name at every size drawn, standing out on the desktop's windows (or on `background`);
// a null icon for an unknown name.
QIcon named(const char* name);
QIcon named(const char* name, const QColor& background);

} // namespace Icons
