// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: draws each SVG icon once, at the sizes the program shows it, into a C++ source of ready
// pixels. Parsing and drawing nine SVG files took a fifth of the start-up; the pixels cost nothing.
// Usage: brovane-icons OUTPUT.cpp ICON.svg...   (run with QT_QPA_PLATFORM=offscreen)
//        brovane-icons --png SIZE OUTPUT.png ICON.svg   (the desktop's icon at one size, for the package)
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <cstdio>

namespace {

constexpr int Sizes[] = {16, 32, 64};

QByteArray bytesOf(const QImage& image) {
    QByteArray text;
    const auto* bits = reinterpret_cast<const quint32*>(image.constBits());
    const qsizetype count = static_cast<qsizetype>(image.width()) * image.height();
    for (qsizetype i = 0; i < count; ++i)
        text += (i % 8 == 0 ? "\n    " : " ") + QByteArray("0x") +
                QByteArray::number(bits[i], 16).rightJustified(8, '0') + ',';
    return text;
}

QImage drawn(const QIcon& icon, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    painter.end();
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--png")) {
        const QIcon icon(args.at(4));
        const int size = args.at(2).toInt();
        if (icon.isNull() || size <= 0 || !drawn(icon, size).save(args.at(3), "PNG")) {
            std::fprintf(stderr, "brovane-icons: cannot draw %s\n", qPrintable(args.at(3)));
            return 1;
        }
        return 0;
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: brovane-icons OUTPUT.cpp ICON.svg...\n");
        return 2;
    }
    QByteArray source =
        "// Made by brovane-icons from resources/icons: do not edit.\n#include \"ui/Icons.h\"\n\n"
        "namespace {\n";
    QByteArray table = "} // namespace\n\nconst Icons::Image Icons::Images[] = {";
    int count = 0;
    for (const QString& path : args.mid(2)) {
        const QIcon icon(path);
        const QByteArray name = QFileInfo(path).completeBaseName().toLatin1();
        for (const int size : Sizes) {
            const QImage image = drawn(icon, size);
            if (icon.isNull() || image.isNull()) {
                std::fprintf(stderr, "brovane-icons: cannot draw %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray array = name + '_' + QByteArray::number(size);
            source += "const quint32 " + array + "[] = {" + bytesOf(image) + "\n};\n";
            table += "\n    {\"" + name + "\", " + QByteArray::number(size) + ", " + array + "},";
            ++count;
        }
    }
    source += table + "\n};\nconst int Icons::ImageCount = " + QByteArray::number(count) + ";\n";
    QFile out(args.at(1));
    if (!out.open(QIODevice::WriteOnly) || out.write(source) != source.size() || !out.flush()) {
        std::fprintf(stderr, "brovane-icons: cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
