#pragma once

#include <QList>
#include <QRgb>
#include <QVector>
#include <QWidget>

class ColorItem;
class PaletteWidget;

// The grid of swatches: c = floor(sqrt(n)) columns, one swatch per entry.
// The area paints all swatches in one pass; the swatch widgets only take the
// pointer and the menu.
class ColorArea : public QWidget
{
    Q_OBJECT

public:
    explicit ColorArea(PaletteWidget *panel);

    // Marks swatch index (taken as an unsigned 16-bit number; 0xFFFF clears
    // the mark) while marking is enabled. An index that names no swatch
    // changes nothing.
    void Highlight(int index);
    void SetHighlightEnabled(bool enabled) { highlightEnabled = enabled; }
    bool HighlightEnabled() const { return highlightEnabled; }
    quint16 Highlighted() const { return highlighted; }
    QSize sizeHint() const override;

    PaletteWidget *Panel() const { return panel; }
    const QList<ColorItem *> &Items() const { return items; }
    int ColumnCount() const { return columns; }

    // Repaints the swatches whose colour in the kept palette differs from
    // the colour they were last painted with.
    void RepaintChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PaletteWidget *panel = nullptr;
    QList<ColorItem *> items;
    quint16 highlighted = 0xFFFF;
    bool highlightEnabled = false;
    int columns = 0;
    // The opaque colour each swatch was last painted with; 0 (never opaque)
    // until it is painted.
    QVector<QRgb> shown;
};

// One swatch: pointer, status text and menu for one colour. It paints
// nothing and gets no paint events (the area paints it), and is not
// opaque, so the area's painting shows through. Its colour is looked up
// in the layer's palette on every use.
class ColorItem : public QWidget
{
    Q_OBJECT

public:
    ColorItem(ColorArea *area, int index);

    // The colour painted: the layer view's kept palette.
    quint32 GetColor() const;
    // The colour in the block at this moment, for texts and copies.
    quint32 CurrentColor() const;
    int GetIndex() const { return index; }
    bool IsHighlighted() const { return highlighted; }
    void SetHighlighted(bool on);

public Q_SLOTS:
    void OnCopyColor();
    void OnCopyIndex();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    ColorArea *area = nullptr;
    int index = 0;
    bool highlighted = false;
};
