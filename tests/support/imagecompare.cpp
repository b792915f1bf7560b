#include "imagecompare.h"

#include <cstdlib>

namespace imagecompare {

namespace {

QString describe(int x, int y, QRgb a, QRgb b)
{
    return QStringLiteral("at (%1, %2): %3 and %4")
        .arg(x)
        .arg(y)
        .arg(a, 8, 16, QLatin1Char('0'))
        .arg(b, 8, 16, QLatin1Char('0'));
}

QString sizeDifference(const QImage &a, const QImage &b)
{
    if (a.size() == b.size())
        return QString();
    return QStringLiteral("sizes %1x%2 and %3x%4").arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
}

bool within(QRgb p, QRgb q)
{
    if (p == q)
        return true;
    const int alpha = qAlpha(p);
    if (alpha != qAlpha(q) || alpha == 0 || alpha == 255)
        return false;
    return std::abs(qRed(p) - qRed(q)) <= 1 && std::abs(qGreen(p) - qGreen(q)) <= 1
        && std::abs(qBlue(p) - qBlue(q)) <= 1;
}

} // namespace

QImage roundTripped(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied).convertToFormat(QImage::Format_ARGB32);
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(icon.actualSize(QSize(65535, 65535))).toImage().convertToFormat(QImage::Format_ARGB32);
}

QString fuzzyDifference(const QImage &a, const QImage &b)
{
    const QString size = sizeDifference(a, b);
    if (!size.isEmpty())
        return size;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x)
            if (!within(pa.pixel(x, y), pb.pixel(x, y)))
                return describe(x, y, pa.pixel(x, y), pb.pixel(x, y));
    return QString();
}

QString firstDifference(const QImage &a, const QImage &b)
{
    const QString size = sizeDifference(a, b);
    if (!size.isEmpty())
        return size;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return describe(x, y, a.pixel(x, y), b.pixel(x, y));
    return QString();
}

} // namespace imagecompare
