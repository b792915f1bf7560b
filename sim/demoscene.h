#pragma once

#include "sim/publisher.h"

namespace sim {

// The demo simulation's display of 320 x 240 pixels: an 8-bpp indexed
// background layer with a 256-colour palette whose colours cycle, and a
// 160 x 120 true-colour layer of rings above it whose dark pixels are keyed
// out, so the composite shows both. A press on the display (pointer input
// from the tool) paints a mark into the background.
class DemoScene
{
public:
    explicit DemoScene(Publisher &publisher);

    // Publishes the blocks; false with the publisher's error when it fails.
    bool publish();
    // Draws frame number `frame` and bumps the content counters.
    void step(int frame);

    static constexpr int Width = 320;
    static constexpr int Height = 240;

private:
    Publisher &m_publisher;
    PublishedBlock *m_background = nullptr;
    PublishedBlock *m_overlay = nullptr;
};

} // namespace sim
