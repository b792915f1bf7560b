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
    back.bitsPerPixel = 32;
    m_background = m_publisher.createLayer(0, back);
    if (!m_background)
        return false;
    m_background->setCompositeSize(Width, Height);
    m_background->setBkColor(0x00302010); // library format: opaque, blue 30, green 20, red 10

    LayerSpec over;
    over.xSize = OverlayW;
    over.ySize = OverlayH;
    over.bitsPerPixel = 8;
    over.numColors = 16;
    over.xPos = OverlayX;
    over.yPos = OverlayY;
    m_overlay = m_publisher.createLayer(1, over);
    if (!m_overlay)
        return false;
    // Colour 0 is the key colour: transparent in the composite.
    m_overlay->setTransMode(1);
    m_overlay->setKeyColorMin(0x000000);
    m_overlay->setKeyColorMax(0x000000);
    for (int i = 0; i < 16; ++i) {
        const int v = i * 17;
        m_overlay->setPaletteEntry(i, i == 0 ? argb(255, 0, 0, 0) : argb(255, v, 255 - v, (i * 64) & 0xFF));
    }
    m_overlay->bumpPalette();
    step(0);
    return true;
}

void DemoScene::step(int frame)
{
    // Background: a diagonal gradient that drifts, and a white square that
    // follows the pointer while the display is pressed.
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const int r = (x + frame) & 0xFF;
            const int g = (y * 255) / Height;
            const int b = ((x + y) / 2 + frame * 2) & 0xFF;
            m_background->setPixel32(x, y, argb(255, r, g, b));
        }
    }
    if (m_background->pointerPressed()) {
        const int px = m_background->pointerX();
        const int py = m_background->pointerY();
        for (int y = py - 3; y <= py + 3; ++y)
            for (int x = px - 3; x <= px + 3; ++x)
                if (x >= 0 && y >= 0 && x < Width && y < Height)
                    m_background->setPixel32(x, y, argb(255, 255, 255, 255));
    }
    m_background->bumpContent();

    // Overlay: rings of palette colours around a moving centre; colour 0
    // between the rings is keyed out.
    const double cx = OverlayW / 2 + 40 * qCos(frame / 20.0);
    const double cy = OverlayH / 2 + 25 * qSin(frame / 15.0);
    for (int y = 0; y < OverlayH; ++y) {
        for (int x = 0; x < OverlayW; ++x) {
            const int d = int(qSqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)));
            const int ring = d / 6;
            m_overlay->setPixel8(x, y, (ring % 2 == 0 && ring < 10) ? quint8(1 + (ring / 2 + frame / 10) % 15) : 0);
        }
    }
    m_overlay->bumpContent();
}

} // namespace sim
