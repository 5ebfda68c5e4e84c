// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Icons.h"

#include <QImage>
#include <QPixmap>
#include <cstring>

QIcon Icons::named(const char* name) {
    QIcon icon;
    for (int i = 0; i < ImageCount; ++i) {
        const Image& image = Images[i];
        if (std::strcmp(image.name, name) != 0)
            continue;
        // The pixels are used where they lie; the pixmap takes its own copy.
        const QImage pixels(reinterpret_cast<const uchar*>(image.pixels), image.size, image.size,
                            QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(pixels));
    }
    return icon;
}
