#pragma once

#include "paint/paintoverlay.h"

class PaintSource;

// While the view is compared with a reference: its differing pixels in
// DiffHighlight.
class DiffOverlay : public PaintOverlay
{
public:
    explicit DiffOverlay(PaintSource *source) : view(source) {}

    bool isActive() const override;
    void apply(CImage &image) override;

private:
    PaintSource *view;
};
