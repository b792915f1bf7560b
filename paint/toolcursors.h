#pragma once

#include <QApplication>
#include <QCursor>

// The override cursors one tool pushed: each push is counted, so the tool
// restores exactly its own and never one that another widget pushed.
class ToolCursors
{
public:
    ToolCursors() = default;
    ToolCursors(const ToolCursors &) = delete;
    ToolCursors &operator=(const ToolCursors &) = delete;
    ~ToolCursors() { restoreAll(); }

    void push(Qt::CursorShape shape)
    {
        QApplication::setOverrideCursor(QCursor(shape));
        ++pushed;
    }
    // Restores the latest cursor this tool pushed, if any.
    void restore()
    {
        if (pushed == 0)
            return;
        QApplication::restoreOverrideCursor();
        --pushed;
    }
    void restoreAll()
    {
        while (pushed > 0)
            restore();
    }
    int count() const { return pushed; }

private:
    int pushed = 0;
};
