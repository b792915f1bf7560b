#pragma once

// The platform side of the simulation link, free of Qt so that each
// platform's file can be compiled on its own (the Windows file is checked
// with a cross compiler). One implementation per platform:
// platform_win.cpp (window look-up, named mappings) and platform_posix.cpp
// (runtime directory, key files, presence files).
#include <string>

namespace native {

// Whether a top-level window of this class exists; on POSIX systems, whether
// the presence file of that name in the runtime directory is locked.
bool windowClassExists(const char *className);

// Native key under which the block of this name is published; empty when the
// block cannot be looked for (an untrusted runtime directory).
std::string blockKey(const char *blockName);

// Whether the block behind the native key belongs to this user and may be
// attached. A block of another user counts as missing.
bool blockOwnerTrusted(const std::string &key);

// Caps Lock as the system reports it: 1 on, 0 off, -1 when the platform
// cannot tell and the state has to be read from the key event.
int capsLockState();

#ifndef _WIN32
// The runtime directory D in which a simulation and the tool meet:
// NOXEL_RUNTIME_DIR, else $XDG_RUNTIME_DIR/noxel, else /tmp/noxel-<uid>;
// a relative value is taken relative to the working directory at start.
std::string runtimeDirectory();

// A System V segment the tool attached itself, remembered by id. Detaching
// by key (as QSharedMemory does) would act on whatever segment the key names
// by then, which after a restart is the new simulation's.
struct Segment
{
    void *data = nullptr;
    long long size = 0;
    int id = -1;
    // The key file it was attached by, and that file's device and inode
    // when they were seen unchanged around the look-up (keyKnown).
    std::string key;
    unsigned long long keyDev = 0;
    unsigned long long keyIno = 0;
    bool keyKnown = false;
};

// Attaches the segment the key file names, when it belongs to this user;
// a null segment otherwise. Owner check and attach use one id.
Segment attachSegment(const std::string &key, bool readOnly);

// Detaches; when that was the last attachment, removes the segment (by id,
// so never another one that took the key meanwhile). The key file stays: by
// now it may name a segment of a simulation that started again.
void detachSegment(Segment &segment);

// Id of the segment the key file names now, or -1 when there is none.
int segmentIdOf(const std::string &key);

// Whether the key file the segment was attached by names another segment
// now; false when it names none (a segment merely gone). Asked on every
// poll, so it looks the key up only when the key file is another file than
// at the attach or the segment has been removed: otherwise the key, which
// follows from the file's device and inode alone, still names this segment.
bool segmentReplaced(Segment &segment);
#endif

} // namespace native
