// quillet_png_colours FILE MIN_COLOURS: fails unless the PNG shows a page
// with something on it: at least MIN_COLOURS distinct colours and at least
// one pixel in fifty that is not the background's colour. A blank or
// unreadable picture fails.

#include <QColor>
#include <QHash>
#include <QImage>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillet_png_colours FILE MIN_COLOURS\n");
        return 2;
    }
    const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        std::fprintf(stderr, "%s: not a picture that can be read\n", argv[1]);
        return 1;
    }
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x]];
    }
    qint64 background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        background = std::max(background, it.value());
    const qint64 pixels = static_cast<qint64>(image.width()) * image.height();
    const qint64 drawn = pixels - background;
    const long wanted = std::strtol(argv[2], nullptr, 10);
    std::printf("%s: %dx%d, %lld colours, %lld of %lld pixels drawn\n", argv[1], image.width(),
                image.height(), static_cast<long long>(counts.size()), static_cast<long long>(drawn),
                static_cast<long long>(pixels));
    if (counts.size() < wanted || drawn * 50 < pixels) {
        std::fprintf(stderr, "%s: the page is blank or nearly so\n", argv[1]);
        return 1;
    }
    return 0;
}
