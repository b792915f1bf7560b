#pragma once

#include "noxel/publish.h"

#include <QImage>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QVector>

namespace sim {

// Text a key word adds to the typed line: the character for a character
// key, "<name>" for a device key code of the key table, "<code>" for any
// other unprintable code; empty for a word without bit 16.
QString keyWordText(quint32 word);

// The device key name of a code ("GUI_KEY_LEFT"), or empty when the code
// has none.
QString deviceKeyName(int code);

// The built-in demo simulation: an 800 x 480 display that shows every
// feature of the tool at once, and reacts to the tool's pointer and key
// input.
//   0  backdrop, true colour, a smoothly turning gradient
//   1  8-bpp indexed rings whose 256-entry palette cycles
//   2  a 320 x 240 window scrolling through a 320 x 720 virtual screen
//   3  a turning star whose black surroundings are colour-keyed (transMode 1)
//   4  a panel with constant alpha (transMode 2) showing the typed keys
//   5  the top layer: pointer marker and trail, transparent elsewhere
// Layers 3 and 4 lie partly outside the display.
class DemoScene
{
public:
    // sim is open (its inverted_alpha set when alphaMode is 0) and stays
    // open while the scene lives.
    explicit DemoScene(noxel_sim *sim, int alphaMode = 1);

    // Publishes the layers, drawn and in use; false with lastError() when
    // it fails.
    bool publish();
    QString lastError() const { return errorText; }
    // Reads the input fields, consumes key words and draws frame `frame`;
    // a layer's content counter changes only when its pixels or its window
    // changed.
    void step(int frame);
    // Only the input: the typed line and the pointer layer are redrawn when
    // the tool wrote something; every other layer is left as it is, so a
    // reader never meets one of them half redrawn.
    void stepInput();

    QString typedText() const { return typed; }
    // Layer n's handle, for a program that draws into it beside the scene
    // (the screenshots); null before publish().
    noxel_layer *layer(int n) const { return n >= 0 && n < LayerCount ? layers[n] : nullptr; }

    static constexpr int Width = 800;
    static constexpr int Height = 480;
    static constexpr int LayerCount = 6;
    static constexpr int TextLayer = 4;
    static constexpr int PointerLayer = 5;
    static constexpr int MaxTextLength = 120;
    static constexpr int MaxTrail = 256;
    static constexpr int VirtualStep = 2;

private:
    // A frame buffer as a QImage over the block's pixels; with alpha-mode 0
    // the stored alpha is flipped around the painting, so QPainter blends
    // ordinary ARGB.
    QImage frameImage(int n, int height) const;
    // The layer's pixels changed; from the end of publish() on.
    void commit(int n);
    void flipAlpha(QImage &image) const;
    void beginPaint(QImage &image) const;
    void endPaint(QImage &image) const;

    void drawBackdrop(int frame);
    void drawRings();
    void cyclePalette(int frame);
    void drawVirtualScreen();
    void drawStar(int frame);
    void drawText();
    void drawPointer();
    bool readPointer();
    bool readKeys();

    noxel_sim *simulation;
    int alphaSetting;
    noxel_layer *layers[LayerCount] = {};
    bool ready = false;
    QString errorText;

    struct PointerInput
    {
        int x = 0;
        int y = 0;
        int pressed = 0;
    };
    PointerInput lastInput[LayerCount];
    bool buttonDown = false;
    QPoint marker;
    QVector<QPoint> trail;
    QSet<int> keysDown;
    QString typed;
};

} // namespace sim
