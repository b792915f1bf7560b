#pragma once

#include <QtGlobal>

// The largest single heap request (malloc, calloc or realloc, from any
// library: QImage buffers, containers) the process made since the last
// reset. A test linking this replaces the C library's entry points with
// ones that note the size and pass the request on, so that it can tell
// whether an action allocated beyond what the screen holds.
namespace allocationwatch {

void reset();
qint64 largest();

} // namespace allocationwatch
