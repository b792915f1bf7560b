// Looks at a running tool and simulation from outside, for the end-to-end
// test (tests/e2e/e2e.sh):
//
//   e2eprobe find PATTERN.png ZOOM   grabs the whole X screen and prints
//                                     "COUNT X Y": how often the picture
//                                     appears magnified by ZOOM (every pixel a
//                                     ZOOM x ZOOM block of its exact colour)
//                                     and where the first match starts
//   e2eprobe icon ICON.png            prints "X Y" for every place where all
//                                     opaque pixels of the icon appear at
//                                     their size (the button face behind
//                                     the transparent ones does not matter)
//   e2eprobe colour RRGGBB            prints how many screen pixels have
//                                     exactly that colour
//   e2eprobe shot FILE.png            saves the screen (for a failure report)
//   e2eprobe fields LAYER             prints the input fields of the layer
//                                     block: "pointerX pointerY
//                                     pointerPressed 0xKEYEVENT"
//
// The screen is read with the xcb platform from DISPLAY; the block is
// attached through the tool's own link code in NOXEL_RUNTIME_DIR. Status 0
// when the question could be answered, 2 otherwise.
#include "simlink/connection.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSharedMemory>
#include <QVector>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: e2eprobe find PATTERN.png ZOOM | icon ICON.png | colour RRGGBB | shot FILE.png | fields LAYER\n", stderr);
    return 2;
}

// The screen as RGB32; only the colour bytes are compared (the display has
// 24 bits, the pictures are opaque).
QImage grabScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

bool matchesAt(const QImage &shot, const QImage &pattern, int zoom, int x0, int y0)
{
    for (int py = 0; py < pattern.height(); ++py) {
        const QRgb *prow = reinterpret_cast<const QRgb *>(pattern.constScanLine(py));
        for (int dy = 0; dy < zoom; ++dy) {
            const QRgb *srow = reinterpret_cast<const QRgb *>(shot.constScanLine(y0 + py * zoom + dy));
            for (int px = 0; px < pattern.width(); ++px) {
                const QRgb want = prow[px] & 0xFFFFFFu;
                for (int dx = 0; dx < zoom; ++dx) {
                    if ((srow[x0 + px * zoom + dx] & 0xFFFFFFu) != want)
                        return false;
                }
            }
        }
    }
    return true;
}

int find(const QString &patternFile, int zoom)
{
    QImage pattern(patternFile);
    if (pattern.isNull() || zoom < 1) {
        std::fprintf(stderr, "e2eprobe: cannot read %s\n", qPrintable(patternFile));
        return 2;
    }
    pattern = pattern.convertToFormat(QImage::Format_RGB32);
    const QImage shot = grabScreen();
    if (shot.isNull()) {
        std::fputs("e2eprobe: cannot grab the screen\n", stderr);
        return 2;
    }
    const int w = pattern.width() * zoom;
    const int h = pattern.height() * zoom;
    const QRgb first = pattern.pixel(0, 0) & 0xFFFFFFu;
    int count = 0;
    int fx = -1;
    int fy = -1;
    for (int y = 0; y + h <= shot.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
        for (int x = 0; x + w <= shot.width(); ++x) {
            if ((row[x] & 0xFFFFFFu) != first || !matchesAt(shot, pattern, zoom, x, y))
                continue;
            if (count++ == 0) {
                fx = x;
                fy = y;
            }
        }
    }
    std::printf("%d %d %d\n", count, fx, fy);
    return 0;
}

int findIcon(const QString &iconFile)
{
    const QImage icon = QImage(iconFile).convertToFormat(QImage::Format_ARGB32);
    const QImage shot = grabScreen();
    if (icon.isNull() || shot.isNull())
        return usage();
    struct Dot
    {
        int x, y;
        QRgb rgb;
    };
    QVector<Dot> opaque;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) == 255)
                opaque.append({x, y, p & 0xFFFFFFu});
        }
    }
    if (opaque.isEmpty())
        return usage();
    for (int y = 0; y + icon.height() <= shot.height(); ++y) {
        for (int x = 0; x + icon.width() <= shot.width(); ++x) {
            bool all = true;
            for (const Dot &d : opaque) {
                if ((shot.pixel(x + d.x, y + d.y) & 0xFFFFFFu) != d.rgb) {
                    all = false;
                    break;
                }
            }
            if (all)
                std::printf("%d %d\n", x, y);
        }
    }
    return 0;
}

int colourCount(const QString &hex)
{
    bool ok = false;
    const QRgb want = hex.toUInt(&ok, 16) & 0xFFFFFFu;
    const QImage shot = grabScreen();
    if (!ok || shot.isNull())
        return usage();
    qint64 count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            count += (row[x] & 0xFFFFFFu) == want;
    }
    std::printf("%lld\n", static_cast<long long>(count));
    return 0;
}

int fields(int layer)
{
    QSharedMemory *handle = nullptr;
    const BlockView block = simlink::attachLayer(handle, layer);
    int status = 2;
    if (!block.isNull()) {
        std::printf("%d %d %d 0x%08X\n", qint32(block.readUInt32(simlink::Offset::PointerX)),
                    qint32(block.readUInt32(simlink::Offset::PointerY)),
                    qint32(block.readUInt32(simlink::Offset::PointerPressed)),
                    block.readUInt32(simlink::Offset::KeyEvent));
        status = 0;
    } else {
        std::fprintf(stderr, "e2eprobe: no block for layer %d\n", layer);
    }
    simlink::detachLayer(handle);
    delete handle;
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString arg = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (command == QLatin1String("fields") && argc == 3) {
        bool ok = false;
        const int layer = arg.toInt(&ok);
        return ok ? fields(layer) : usage();
    }
    // Screen questions: the application must be a GUI one on the X server.
    QGuiApplication app(argc, argv);
    if (command == QLatin1String("find") && argc == 4)
        return find(arg, QString::fromLocal8Bit(argv[3]).toInt());
    if (command == QLatin1String("icon") && argc == 3)
        return findIcon(arg);
    if (command == QLatin1String("colour") && argc == 3)
        return colourCount(arg);
    if (command == QLatin1String("shot") && argc == 3) {
        const QImage shot = grabScreen();
        return !shot.isNull() && shot.save(arg) ? 0 : 2;
    }
    return usage();
}
