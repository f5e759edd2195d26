// Renders the application's SVG icon as a square PNG of the given size, for
// the hicolor theme's fixed-size folders. Run by the build, so the PNGs are
// always the SVG of the same checkout.
//
//   vesk-iconrender ICON.svg SIZE OUT.png

#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Shapes only, no text: painting into an image needs no application
    // object, hence no display or platform plugin in the build.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    bool ok = false;
    const int size = args.value(2).toInt(&ok);
    if (args.size() != 4 || !ok || size < 1 || size > 4096) {
        std::fputs("usage: vesk-iconrender ICON.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "vesk-iconrender: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(args.at(3), "PNG")) {
        std::fprintf(stderr, "vesk-iconrender: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
