#include "sim/demoscene.h"

#include <QtMath>

namespace sim {

namespace {
constexpr int OverlayW = 160;
constexpr int OverlayH = 120;
constexpr int OverlayX = 80;
constexpr int OverlayY = 60;

quint32 argb(int a, int r, int g, int b)
{
    return (quint32(a) << 24) | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
}

// A smooth colour wheel: entry i of 256.
quint32 wheel(int i)
{
    const double t = i / 256.0 * 2 * M_PI;
    const int r = int(127.5 + 127.5 * qCos(t));
    const int g = int(127.5 + 127.5 * qCos(t - 2 * M_PI / 3));
    const int b = int(127.5 + 127.5 * qCos(t + 2 * M_PI / 3));
    return argb(255, r, g, b);
}
} // namespace

DemoScene::DemoScene(Publisher &publisher)
    : m_publisher(publisher)
{
}

bool DemoScene::publish()
{
    // Alpha stored as ordinary ARGB.
    if (!m_publisher.createGlobal(255))
        return false;

    LayerSpec back;
    back.xSize = Width;
    back.ySize = Height;
    back.bitsPerPixel = 8;
    back.numColors = 256;
    m_background = m_publisher.createLayer(0, back);
    if (!m_background)
        return false;
    m_background->setCompositeSize(Width, Height);
    m_background->setBkColor(0x00302010); // library format: opaque, blue 30, green 20, red 10
    for (int i = 0; i < 256; ++i)
        m_background->setPaletteEntry(i, wheel(i));
    m_background->bumpPalette();

    LayerSpec over;
    over.xSize = OverlayW;
    over.ySize = OverlayH;
    over.bitsPerPixel = 32;
    over.xPos = OverlayX;
    over.yPos = OverlayY;
    m_overlay = m_publisher.createLayer(1, over);
    if (!m_overlay)
        return false;
    // Black and near-black pixels are the key colour: transparent in the composite.
    m_overlay->setTransMode(1);
    m_overlay->setKeyColorMin(0x000000);
    m_overlay->setKeyColorMax(0x101010);
    step(0);
    return true;
}

void DemoScene::step(int frame)
{
    // Background: diagonal bands of palette indices, and a white-ish mark
    // (index 0) that follows the pointer while the display is pressed.
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            m_background->setPixel8(x, y, quint8((x + y) / 2));
    if (m_background->pointerPressed()) {
        const int px = m_background->pointerX();
        const int py = m_background->pointerY();
        for (int y = py - 3; y <= py + 3; ++y)
            for (int x = px - 3; x <= px + 3; ++x)
                if (x >= 0 && y >= 0 && x < Width && y < Height)
                    m_background->setPixel8(x, y, quint8(128));
    }
    m_background->bumpContent();
    // The palette turns slowly, so the palette panel follows too.
    if (frame % 4 == 0) {
        for (int i = 0; i < 256; ++i)
            m_background->setPaletteEntry(i, wheel((i + frame / 4) & 0xFF));
        m_background->bumpPalette();
    }

    // Overlay: rings around a moving centre, black between them.
    const double cx = OverlayW / 2 + 40 * qCos(frame / 20.0);
    const double cy = OverlayH / 2 + 25 * qSin(frame / 15.0);
    for (int y = 0; y < OverlayH; ++y) {
        for (int x = 0; x < OverlayW; ++x) {
            const int d = int(qSqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)));
            const int ring = d / 6;
            const bool on = ring % 2 == 0 && ring < 8;
            m_overlay->setPixel32(x, y, on ? argb(255, 255 - ring * 24, 64 + ring * 20, ring * 30) : argb(255, 0, 0, 0));
        }
    }
    m_overlay->bumpContent();
}

} // namespace sim
