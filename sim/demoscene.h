#pragma once

#include "sim/publisher.h"

namespace sim {

// The demo simulation's display: a 320 x 240 true-colour background layer
// with an animated gradient and an 8-bpp indexed layer of 160 x 120 with a
// 16-colour palette whose colour 0 is keyed out, so the composite shows
// both. A press on the display (pointer input from the tool) paints a mark.
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
