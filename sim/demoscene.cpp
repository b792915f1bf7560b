#include "sim/demoscene.h"

#include "sim/scenepublish.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace sim {

namespace {

struct Geometry
{
    int width;
    int height;
    int x;
    int y;
};

// Display positions; layers 3 and 4 reach past the right, bottom and left edges.
constexpr Geometry Layout[DemoScene::LayerCount] = {
    {DemoScene::Width, DemoScene::Height, 0, 0},
    {240, 160, 24, 24},
    {320, 240, 300, 24},
    {200, 200, 660, 330},
    {560, 72, -40, 420},
    {DemoScene::Width, DemoScene::Height, 0, 0},
};
constexpr int VirtualHeight = 720;
constexpr int PanelAlpha = 176;

quint32 rgb(int r, int g, int b)
{
    return 0xFF000000u | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
}

// Entry i of a smooth 256-colour wheel.
quint32 wheel(int i)
{
    const double t = i / 256.0 * 2 * M_PI;
    return rgb(int(127.5 + 127.5 * qCos(t)), int(127.5 + 127.5 * qCos(t - 2 * M_PI / 3)),
               int(127.5 + 127.5 * qCos(t + 2 * M_PI / 3)));
}

struct KeyName
{
    int code;
    const char *name;
};
// The device key codes that the tool sends for special keys.
constexpr KeyName KeyNames[] = {
    {8, "GUI_KEY_BACKSPACE"}, {9, "GUI_KEY_TAB"},       {10, "GUI_KEY_BACKTAB"}, {13, "GUI_KEY_ENTER"},
    {16, "GUI_KEY_LEFT"},     {17, "GUI_KEY_UP"},       {18, "GUI_KEY_RIGHT"},   {19, "GUI_KEY_DOWN"},
    {20, "GUI_KEY_PGUP"},     {21, "GUI_KEY_PGDOWN"},   {23, "GUI_KEY_HOME"},    {24, "GUI_KEY_END"},
    {25, "GUI_KEY_SHIFT"},    {26, "GUI_KEY_CONTROL"},  {27, "GUI_KEY_ESCAPE"},  {29, "GUI_KEY_INSERT"},
    {30, "GUI_KEY_DELETE"},   {32, "GUI_KEY_SPACE"},    {40, "GUI_KEY_F1"},      {41, "GUI_KEY_F2"},
};

} // namespace

QString deviceKeyName(int code)
{
    for (const KeyName &k : KeyNames)
        if (k.code == code)
            return QLatin1String(k.name);
    return QString();
}

QString keyWordText(quint32 word)
{
    // keyEvent = 0x00010000 | (pressed << 8) | code
    if (!(word & 0x00010000u))
        return QString();
    const int code = int(word & 0xFF);
    if (code == 32)
        return QStringLiteral(" ");
    // Codes of the key table win over the characters they share (40 and 41
    // are F1 and F2, not parentheses): the device cannot tell them apart.
    const QString name = deviceKeyName(code);
    if (!name.isEmpty())
        return QLatin1Char('<') + name + QLatin1Char('>');
    if ((code > 32 && code < 127) || code >= 160)
        return QString(QChar(ushort(code)));
    return QStringLiteral("<%1>").arg(code);
}

DemoScene::DemoScene(noxel_sim *sim, int alphaMode)
    : simulation(sim), alphaSetting(alphaMode)
{
}

bool DemoScene::publish()
{
    char error[512] = "";
    for (int n = 0; n < LayerCount; ++n) {
        const Geometry &g = Layout[n];
        noxel_layer_desc desc = {};
        desc.width = g.width;
        desc.height = g.height;
        desc.bits_per_pixel = n == 1 ? 8 : 32;
        desc.num_colors = n == 1 ? 256 : 0;
        if (n == 2)
            desc.virtual_height = VirtualHeight;
        layers[n] = noxel_layer_create(simulation, n, &desc, error, sizeof error);
        if (!layers[n]) {
            errorText = QString::fromLocal8Bit(error);
            return false;
        }
        noxel_layer_set_position(layers[n], g.x, g.y);
    }
    noxel_sim_set_display(simulation, Width, Height, rgb(0x10, 0x18, 0x30));
    noxel_layer_set_transparency(layers[3], 1);
    noxel_layer_set_key_colors(layers[3], 0x000000, 0x101010);
    noxel_layer_set_transparency(layers[4], 2);
    noxel_layer_set_alpha(layers[4], PanelAlpha);

    drawRings();
    drawVirtualScreen();
    drawText();
    drawPointer();
    step(0);
    // The first commit publishes every layer at once, each one drawn.
    ready = true;
    for (noxel_layer *layer : layers)
        noxel_layer_commit(layer);
    return true;
}

void DemoScene::commit(int n)
{
    if (ready)
        noxel_layer_commit(layers[n]);
}

void DemoScene::step(int frame)
{
    drawBackdrop(frame);
    cyclePalette(frame);

    // The window walks down the virtual screen and back up.
    const int range = VirtualHeight - Layout[2].height;
    const int phase = (frame * VirtualStep) % (2 * range);
    noxel_layer_set_origin(layers[2], 0, phase <= range ? phase : 2 * range - phase);
    commit(2);

    drawStar(frame);
    if (readKeys())
        drawText();
    if (readPointer())
        drawPointer();
}

void DemoScene::stepInput()
{
    if (readKeys())
        drawText();
    if (readPointer())
        drawPointer();
}

QImage DemoScene::frameImage(int n, int height) const
{
    return QImage(static_cast<uchar *>(noxel_layer_pixels(layers[n])), Layout[n].width, height,
                  qsizetype(noxel_layer_stride(layers[n])), QImage::Format_ARGB32);
}

void DemoScene::flipAlpha(QImage &image) const
{
    for (int y = 0; y < image.height(); ++y) {
        quint32 *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] ^= 0xFF000000u;
    }
}

void DemoScene::beginPaint(QImage &image) const
{
    if (alphaSetting == 0)
        flipAlpha(image);
}

void DemoScene::endPaint(QImage &image) const
{
    if (alphaSetting == 0)
        flipAlpha(image);
}

void DemoScene::drawBackdrop(int frame)
{
    QImage image = frameImage(0, Height);
    beginPaint(image);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const double t = frame / 90.0;
        QLinearGradient gradient(QPointF(Width / 2 + 400 * qCos(t), Height / 2 + 240 * qSin(t)),
                                 QPointF(Width / 2 - 400 * qCos(t), Height / 2 - 240 * qSin(t)));
        gradient.setColorAt(0, QColor::fromHsv((frame / 2) % 360, 160, 120));
        gradient.setColorAt(1, QColor::fromHsv((frame / 2 + 150) % 360, 200, 60));
        p.fillRect(image.rect(), gradient);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawEllipse(QPointF(Width / 2 + 300 * qSin(t * 1.7), Height / 2 + 150 * qCos(t * 1.3)), 60, 60);
    }
    endPaint(image);
    commit(0);
}

void DemoScene::drawRings()
{
    // Indices by distance and angle from the centre: a cycling palette makes
    // the spiral turn. The pixels never change afterwards.
    const Geometry &g = Layout[1];
    uchar *pixels = static_cast<uchar *>(noxel_layer_pixels(layers[1]));
    const size_t stride = noxel_layer_stride(layers[1]);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const double dx = x - g.width / 2.0;
            const double dy = y - g.height / 2.0;
            // A whole turn adds 256, so the spiral has no seam.
            const double angle = qAtan2(dy, dx) / (2 * M_PI) * 256;
            pixels[size_t(y) * stride + size_t(x)] = uchar(int(qSqrt(dx * dx + dy * dy) * 2 + angle) & 0xFF);
        }
    commit(1);
}

void DemoScene::cyclePalette(int frame)
{
    uint32_t entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = storedArgb(wheel((i + frame * 3) & 0xFF), alphaSetting);
    noxel_layer_set_palette(layers[1], entries, 256);
}

void DemoScene::drawVirtualScreen()
{
    // Bands with their row numbers, so the scrolling window is easy to follow.
    const Geometry &g = Layout[2];
    QImage image = frameImage(2, VirtualHeight);
    beginPaint(image);
    {
        QPainter p(&image);
        QFont font = p.font();
        font.setPixelSize(20);
        p.setFont(font);
        for (int band = 0; band * 40 < VirtualHeight; ++band) {
            const QRect r(0, band * 40, g.width, 40);
            p.fillRect(r, QColor::fromHsv((band * 23) % 360, 120, band % 2 ? 200 : 150));
            p.setPen(Qt::black);
            p.drawText(r.adjusted(12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       QStringLiteral("virtual row %1").arg(band * 40));
        }
    }
    endPaint(image);
    commit(2);
}

void DemoScene::drawStar(int frame)
{
    // Black surroundings fall into the key colour range and show as transparent.
    const Geometry &g = Layout[3];
    QImage image = frameImage(3, g.height);
    beginPaint(image);
    {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::black);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath star;
        const double turn = frame * 0.03;
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 ? 38 : 92;
            const double a = turn + i * M_PI / 5;
            const QPointF pt(g.width / 2 + r * qCos(a), g.height / 2 + r * qSin(a));
            if (i == 0)
                star.moveTo(pt);
            else
                star.lineTo(pt);
        }
        star.closeSubpath();
        p.setPen(QPen(QColor(255, 240, 200), 3));
        p.setBrush(QColor(250, 150, 30));
        p.drawPath(star);
    }
    endPaint(image);
    commit(3);
}

void DemoScene::drawText()
{
    const Geometry &g = Layout[TextLayer];
    QImage image = frameImage(TextLayer, g.height);
    beginPaint(image);
    {
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(20, 30, 60));
        p.setPen(QColor(120, 160, 255));
        p.drawRect(image.rect().adjusted(0, 0, -1, -1));
        QFont font = p.font();
        font.setPixelSize(16);
        p.setFont(font);
        p.setPen(Qt::white);
        // Starts right of the display's left edge so the start stays visible.
        const QRect area(-g.x + 12, 8, g.width + g.x - 24, g.height - 16);
        p.drawText(area.adjusted(0, 0, 0, -area.height() / 2), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Keys typed into a view:"));
        const QString line = p.fontMetrics().elidedText(typed, Qt::ElideLeft, area.width());
        p.drawText(area.adjusted(0, area.height() / 2, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, line);
    }
    endPaint(image);
    commit(TextLayer);
}

void DemoScene::drawPointer()
{
    const Geometry &g = Layout[PointerLayer];
    QImage image = frameImage(PointerLayer, g.height);
    beginPaint(image);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(image.rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.translate(-g.x, -g.y);
        if (trail.size() > 1) {
            p.setPen(QPen(QColor(255, 230, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(trail.constData(), int(trail.size()));
        }
        if (buttonDown) {
            p.setPen(QPen(Qt::white, 2));
            p.setBrush(QColor(230, 20, 40));
            p.drawEllipse(marker, 7, 7);
        }
    }
    endPaint(image);
    commit(PointerLayer);
}

bool DemoScene::readPointer()
{
    // The tool writes into the block of the view it was used in, in that
    // layer's pixels; the layer's position turns them into display pixels.
    bool changed = false;
    for (int n = 0; n < LayerCount; ++n) {
        PointerInput now;
        noxel_layer_pointer(layers[n], &now.x, &now.y, &now.pressed);
        PointerInput &last = lastInput[n];
        if (now.x == last.x && now.y == last.y && now.pressed == last.pressed)
            continue;
        last = now;
        const QPoint at(qBound(-Width, now.x, 2 * Width) + Layout[n].x, qBound(-Height, now.y, 2 * Height) + Layout[n].y);
        if (now.pressed) {
            if (!buttonDown)
                trail.clear();
            buttonDown = true;
            marker = at;
            if (trail.isEmpty() || trail.constLast() != at)
                trail.append(at);
            if (trail.size() > MaxTrail)
                trail.remove(0, trail.size() - MaxTrail);
            changed = true;
        } else if (buttonDown) {
            buttonDown = false;
            changed = true;
        }
    }
    return changed;
}

bool DemoScene::readKeys()
{
    // Each word is consumed, so the next one is seen even when it repeats
    // this one. A press adds its text; a release adds it only when its press
    // was overwritten before it could be read.
    bool changed = false;
    for (noxel_layer *layer : layers) {
        int code = 0;
        int pressed = 0;
        if (noxel_layer_take_key(layer, &code, &pressed) != 1)
            continue;
        const QString text = keyWordText(0x10000u | quint32(code));
        if (pressed)
            keysDown.insert(code);
        else if (keysDown.remove(code))
            continue;
        typed += text;
        if (typed.size() > MaxTextLength)
            typed = typed.right(MaxTextLength);
        changed = true;
    }
    return changed;
}

} // namespace sim
