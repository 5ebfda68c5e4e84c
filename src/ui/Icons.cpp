// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Icons.h"

#include "ui/WindowTools.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <cstring>

namespace {

// The icons are drawn for a light tool bar. On a dark one, their strokes too close to it are lightened,
// keeping their hue, until they reach 3 to 1: what a picture needs to be made out.
QImage standingOut(QImage image, const QColor& background) {
    if (background.lightnessF() >= 0.5)
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            if (qAlpha(pixel) < 32)
                continue;
            const QColor colour(qRed(pixel), qGreen(pixel), qBlue(pixel));
            if (WindowTools::contrast(colour, background) >= 3)
                continue;
            QColor readable = WindowTools::readableOn(colour, background, 3);
            readable.setAlpha(qAlpha(pixel));
            line[x] = readable.rgba();
        }
    }
    return image;
}

} // namespace

QIcon Icons::named(const char* name) {
    return named(name, QApplication::palette().color(QPalette::Window));
}

QIcon Icons::named(const char* name, const QColor& background) {
    QIcon icon;
    for (int i = 0; i < ImageCount; ++i) {
        const Image& image = Images[i];
        if (std::strcmp(image.name, name) != 0)
            continue;
        // The pixels are used where they lie; the pixmap takes its own copy.
        const QImage pixels(reinterpret_cast<const uchar*>(image.pixels), image.size, image.size,
                            QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(standingOut(pixels, background)));
    }
    return icon;
}
