#pragma once

// What a status line report is about. The selection reports two of these
// (pointer inside the selection, selection moved); the paint widget reports
// the rest and turns every kind into text (paint/statustext.h).
enum StatusKind {
    StatusPointer = 0,          // no tool: "WM_MOUSEMOVE " + pixel text + press state
    StatusHand = 1,             // hand tool; release with the selection tool
    StatusSelectionHover = 2,   // selection tool, no button held
    StatusInSelection = 3,      // pointer inside the selection
    StatusSelecting = 4,        // selection tool, button down or dragging
    StatusSelectionMoved = 5,   // selection being moved
};
