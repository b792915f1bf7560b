#pragma once

#include "simlink/layerblock.h"

#include <QList>
#include <QString>

class QSharedMemory;

// Finding a running simulation and attaching its blocks. There is no
// handshake: the simulation runs while one of its windows exists.
namespace simlink {

inline constexpr char MainframeWindowClass[] = "GUI Simulation Mainframe";
inline constexpr char DeviceWindowClass[] = "GUI Device";

bool simulationRunning();

// Fills the empty list with one record per layer (0, 1, ... up to the first
// missing or unused block, at most 20) and returns the alpha-mode byte, or
// 255 when no simulation or no global block was found.
quint8 scanLayers(QList<LayerInfo> &list);

// Creates the handle in every case and stores it in the out-parameter; the
// caller owns it. Returns the mapped block with its size, or a null view when
// the block is missing, belongs to another user or is shorter than a header.
// A read-only attachment faults on any write (the view must then only be read).
BlockView attachLayer(QSharedMemory *&handle, int n, bool readOnly = false);

// Detaches the handle if it is attached; null is allowed. The last detach
// of a block that a crashed simulation left behind removes that block (the
// one attached, whatever its key names by now); key files stay.
void detachLayer(QSharedMemory *handle);

// Whether layer n's key now names another block than the one attached at
// view: the simulation ended and started again in between, under the same
// presence file. A block that is merely gone does not count (its mapping
// stays valid; the presence lock tells the end). The attachment remembers
// the key file it was made by (view must be layer n's), so that a poll of
// an unchanged block looks no key up.
bool blockReplaced(const BlockView &view, int n);

// Points the handle at the named block (the native key of this platform).
// False when the block cannot be looked for at all.
bool setBlockKey(QSharedMemory &handle, const QString &blockName);

// Caps Lock for a key event with this text and Shift state: asked from the
// system where it can tell, otherwise read from the letter's case.
bool capsLockOn(const QString &eventText, bool shiftHeld);

} // namespace simlink
