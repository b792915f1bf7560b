#pragma once

#include <QFrame>

class IconWidget;
class QLabel;
class SelectionTarget;

// The strip of a view that shows the current selection's top-left pixel
// and size as numbers, each beside a small icon. Its labels keep a fixed
// width, so the strip's width never changes with the numbers. Its context
// menu opens the edit dialog.
class SelectionWidget : public QFrame
{
    Q_OBJECT

public:
    // parent: the view; target: the view's selection operations (may be null).
    SelectionWidget(QWidget *parent, SelectionTarget *target);
    ~SelectionWidget() override;

    void SetValues(int x, int y, int width, int height);
    // No selection: zeros shown, the stored numbers kept.
    void Clear();

    bool HasSelection() const { return hasSelection; }
    QLabel *PosLabel() const { return posLabel; }
    QLabel *SizeLabel() const { return sizeLabel; }

public Q_SLOTS:
    // Opens the edit dialog; on OK the target gets the numbers.
    void OnEditSelectionTriggered();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void ShowNumbers(int x, int y, int width, int height);

    SelectionTarget *target = nullptr;
    IconWidget *sizeIcon = nullptr;
    IconWidget *posIcon = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *posLabel = nullptr;
    int selX = 0;
    int selY = 0;
    int selWidth = -1;
    int selHeight = -1;
    bool hasSelection = false;
};
