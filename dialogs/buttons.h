#pragma once

#include <QIcon>
#include <QPushButton>
#include <QWidget>

// Icon ids of the toolbar and strip pictures (IconNone: a text button).
enum IconId : int {
    IconNone = -1,
    IconGrid = 0,
    IconGridColor = 1,
    IconHand = 2,
    IconSelection = 3,
    IconZoomPlus = 4,
    IconZoomMinus = 5,
    IconPalette = 6,
    IconClose = 7,
    IconSelSize = 8,
    IconSelPos = 9,
};

// Button ids of the toolbar button table applied by CButton::SetButton.
enum ButtonId : int {
    ButtonGrid = 0,
    ButtonGridColor = 1,
    ButtonReset = 2,
    ButtonHand = 3,
    ButtonSelection = 4,
    ButtonZoomIn = 5,
    ButtonZoomOut = 6,
    ButtonPalette = 7,
    ButtonClose = 8,
};

// The picture of an icon id at the current display scale: the stored set of
// the scale's percent (truncated), otherwise the 350 % set rescaled smoothly.
// An id outside IconGrid ... IconSelPos gives a null icon.
QIcon GetScaledIcon(IconId iconId);
// Resource path of an icon id in the set of a percent; empty when there is
// no such set or id.
QString ScaledIconFileName(int percent, IconId iconId);

// Square toolbar button of 32 x 32 pixels times the display scale; takes no focus.
class CButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CButton(QWidget *parent);
    // Applies a row of the toolbar button table: icon or text, tooltip,
    // checkable, disabled at start. An id outside the table changes nothing.
    void SetButton(ButtonId buttonId);

};

// The close button of a view or palette panel: on release it emits
// closeClicked, which the panel connects to its CloseView.
class CloseButton : public CButton
{
    Q_OBJECT

public:
    CloseButton(QWidget *panel, const QString &toolTip);

Q_SIGNALS:
    void closeClicked();

public Q_SLOTS:
    void OnBtnCloseClicked();
};

// A flat picture used as a label.
class IconWidget : public QPushButton
{
    Q_OBJECT

public:
    IconWidget(QWidget *parent, const QIcon &icon);
    ~IconWidget() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QIcon icon_;
};

// A colour swatch (alpha ignored when painted).
class ColorField : public QWidget
{
    Q_OBJECT

public:
    ColorField(QWidget *parent, quint32 color);
    ~ColorField() override;
    void SetColor(quint32 color);
    quint32 Color() const { return color_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 color_ = 0;
};
