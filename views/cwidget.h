#pragma once

#include <QFrame>
#include <QtGlobal>

class CloseButton;

// The saved state of a view, handed out before a teardown and given back
// to the view with the same identifier when the same configuration returns.
struct ViewState
{
    int id = 0;
    quint8 zoom = 0;      // zoom factor, not the combo index
    int scrollX = 0;      // scroll-bar values, multiples of the zoom
    int scrollY = 0;
    quint32 gridColor = 0;
    int gridMode = 0;
    bool gridOn = false;
    bool hidden = false;
    bool updatesShown = false;
    bool heatMapShown = false;
    // Inclusive selection rectangle in image pixels; (0, 0, -1, -1) for none.
    int selLeft = 0;
    int selTop = 0;
    int selRight = -1;
    int selBottom = -1;
    // The composite view's layers left out of its image, bit n for layer n.
    quint32 leftOutLayers = 0;
};

// Base of every view and palette panel: a sunken frame with a close button.
class CWidget : public QFrame
{
    Q_OBJECT

public:
    explicit CWidget(QWidget *parent);

    virtual void CloseView() = 0;
    virtual void SaveState(ViewState *state) = 0;
    virtual void RestoreState(const ViewState *state) = 0;
    virtual int GetId() = 0;

protected:
    // Creates closeButton, which calls CloseView when released.
    void addCloseButton(const QString &toolTip);

    CloseButton *closeButton = nullptr;
};

// View identifiers: a kind code in the top bits, the layer index below.
namespace ViewId {
inline constexpr int Layer = 0x10000000;
inline constexpr int Composite = 0x20000000;
inline constexpr int VirtLayer = 0x30000000;
inline constexpr int Palette = 0x40000000;
} // namespace ViewId
