#pragma once

#include <QByteArray>
#include <QImage>

namespace snapshot {

// An Indexed8 image as a palette PNG whose colour table is exactly the
// image's (PLTE, with tRNS when any entry is not opaque). Qt's own writer
// turns an image whose table is the gray ramp 0, 1, 2, ... into a grayscale
// PNG, which loses the table; this one never does. Empty on a null image, a
// format other than Indexed8 or a table of 0 or more than 256 entries.
QByteArray indexedPng(const QImage &image);

} // namespace snapshot
