#pragma once

class CImage;

// Something drawn over a view's image: marks on some pixels, or other
// colours in place of the image. Overlays work on the pixels a paint has
// just read, before they are magnified: what they draw is exact at every
// zoom, and the selection shading and the grid still come over it.
//
// A paint widget asks each overlay registered on it (addOverlay) whether it
// is active and lets the active ones draw, in the order they were added, on
// every paint path of every view kind. An overlay that is off costs that
// one question per paint; while any is on, the composite leaves its direct
// path and reads an image like the layer views.
class PaintOverlay
{
public:
    virtual ~PaintOverlay() = default;

    // Whether the overlay draws anything at this moment.
    virtual bool isActive() const = 0;
    // Draws into image, a 32-bit ARGB image (never indexed) whose pixel
    // (0, 0) is layer or display pixel (image.left, image.top).
    virtual void apply(CImage &image) = 0;
};
