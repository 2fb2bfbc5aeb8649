// rk-svg2png IN.svg OUT.png WIDTH HEIGHT
// Renders one of our drawings to a PNG of the given size at build time, so
// the program and its package carry bitmaps without linking the SVG module.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    // No display at build time; the drawings may hold text, which needs fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool widthOk = false;
    bool heightOk = false;
    const int width = args.size() == 5 ? args[3].toInt(&widthOk) : 0;
    const int height = args.size() == 5 ? args[4].toInt(&heightOk) : 0;
    if (!widthOk || !heightOk || width < 1 || height < 1 || width > 4096 || height > 4096) {
        std::fputs("usage: rk-svg2png IN.svg OUT.png WIDTH HEIGHT\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "rk-svg2png: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, width, height));
    }
    if (!image.save(args[2], "PNG")) {
        std::fprintf(stderr, "rk-svg2png: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
