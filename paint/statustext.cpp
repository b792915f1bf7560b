#include "paint/statustext.h"

namespace {

QString hex2(int v)
{
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

bool StatusPixelInside(int x, int y, int width, int height)
{
    return x >= 0 && y >= 0 && x < width && y < height;
}

QString PixelText(int x, int y, QRgb c, int layerCount, int index)
{
    QString text = QStringLiteral("(x=%1, y=%2, ").arg(x).arg(y);
    if (layerCount <= 1)
        text += QStringLiteral("RGB=%1 %2 %3").arg(hex2(qRed(c)), hex2(qGreen(c)), hex2(qBlue(c)));
    else
        text += QStringLiteral("ARGB=%1 %2 %3 %4")
                    .arg(hex2(qAlpha(c)), hex2(qRed(c)), hex2(qGreen(c)), hex2(qBlue(c)));
    if (index >= 0)
        text += QStringLiteral(", Index #%1").arg(index);
    text += QLatin1Char(')');
    return text;
}

QString PointerStatusText(const PointerStatus &s)
{
    if (!StatusPixelInside(s.x, s.y, s.layerWidth, s.layerHeight))
        return QString();

    const QString prefix = QStringLiteral("[%1]: ").arg(s.title);
    const auto pixel = [&] { return PixelText(s.x, s.y, s.color, s.layerCount, s.index); };
    QString text;
    switch (s.kind) {
    case StatusPointer:
        text = QStringLiteral("WM_MOUSEMOVE ") + pixel();
        if (s.pointerState == 1)
            text += QStringLiteral(", Pressed");
        else if (s.pointerState == 2)
            text += QStringLiteral(", Released");
        break;
    case StatusHand:
    case StatusSelectionHover:
        text = pixel();
        break;
    case StatusInSelection:
        text = pixel() + QStringLiteral(" (in selection)");
        break;
    case StatusSelecting:
        // The end point is exclusive: right + 1 and bottom + 1.
        text = QStringLiteral("Selection from (%1, %2) to (%3, %4)")
                   .arg(s.selection.left())
                   .arg(s.selection.top())
                   .arg(s.selection.right() + 1)
                   .arg(s.selection.bottom() + 1);
        break;
    case StatusSelectionMoved:
        text = QStringLiteral("Selection moved to (%1, %2)").arg(s.x).arg(s.y);
        break;
    default:
        return QString();
    }
    return prefix + text;
}

QString MouseMovedOutText()
{
    return QStringLiteral("Mouse moved out");
}
