// Draws the tool's artwork with vector paths and writes it as PNG files:
//   - the ten toolbar and strip pictures at the nine display scales,
//   - the two transparency tiles and the About logo, also written as
//     C++ byte arrays (embeddedart.cpp) so the program loads them from memory,
//   - the application icon in the usual desktop sizes, and as a Windows
//     icon file for the program file,
//   - the resource list noxelresources.qrc.
//
// Usage: noxel_drawicons <Resource folder>
// Every picture is painted in a fixed design space (32 x 32 units for the
// toolbar pictures) and scaled to the target size, so all scales show the
// same drawing. The output is committed; run this again after changing it.
#include "dialogs/icontable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

// One palette for every picture.
const QColor Ink(0x27, 0x38, 0x4A);      // outlines and strokes
const QColor Paper(0xFF, 0xFF, 0xFF);    // light fills
const QColor Sky(0xCF, 0xE3, 0xF7);      // pale blue fills
const QColor Accent(0x2F, 0x7B, 0xD6);   // blue accent
const QColor Warm(0xF0, 0x9A, 0x2A);     // orange accent
const QColor Wood(0xE9, 0xC6, 0x8C);     // palette board
const QColor Red(0xD9, 0x44, 0x3B);
const QColor Green(0x3F, 0xA3, 0x4D);
const QColor Yellow(0xF5, 0xCB, 0x2F);
const QColor Slate(0x3C, 0x50, 0x66);    // dark cells of the mark

QPen StrokePen(const QColor &color, qreal width, Qt::PenCapStyle cap = Qt::RoundCap)
{
    return QPen(color, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

QPainterPath Capsule(QPointF from, QPointF to, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath line(from);
    line.lineTo(to);
    return stroker.createStroke(line);
}

// A board of cells with grid lines, the cells listed in 'filled' shaded.
void DrawGridBoard(QPainter &p, qreal left, qreal top, int cells, qreal cell,
                   const QList<QPoint> &filled)
{
    const qreal side = cells * cell;
    p.fillRect(QRectF(left, top, side, side), Paper);
    for (const QPoint &c : filled)
        p.fillRect(QRectF(left + c.x() * cell, top + c.y() * cell, cell, cell), Sky);
    p.setPen(StrokePen(Ink, 2, Qt::SquareCap));
    for (int i = 0; i <= cells; ++i) {
        p.drawLine(QPointF(left + i * cell, top), QPointF(left + i * cell, top + side));
        p.drawLine(QPointF(left, top + i * cell), QPointF(left + side, top + i * cell));
    }
}

// --- the ten subjects; each paints into its design space ---

void DrawGrid(QPainter &p)
{
    DrawGridBoard(p, 4, 4, 4, 6,
                  {{0, 0}, {2, 0}, {1, 1}, {3, 1}, {0, 2}, {2, 2}, {1, 3}, {3, 3}});
}

void DrawGridColor(QPainter &p)
{
    DrawGridBoard(p, 3, 3, 3, 6, {{0, 0}, {2, 0}, {1, 1}, {0, 2}});
    const QRectF swatch(15, 15, 13, 13);
    // A paper ring keeps the swatch apart from the grid lines below it.
    p.setPen(StrokePen(Paper, 5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(swatch, 2.5, 2.5);
    p.setPen(StrokePen(Ink, 2));
    p.setBrush(Warm);
    p.drawRoundedRect(swatch, 2.5, 2.5);
}

void DrawHand(QPainter &p)
{
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    // Palm, rounded at the wrist.
    QPainterPath palm;
    palm.addRoundedRect(QRectF(9.2, 14.5, 18.0, 14.0), 5.5, 5.5);
    hand = hand.united(palm);
    // Four fingers, index to little finger, parted by a hair so that the
    // outline runs down between them.
    const qreal xs[4] = {11.5, 16.0, 20.5, 25.0};
    const qreal tops[4] = {7.0, 4.5, 5.5, 8.5};
    for (int i = 0; i < 4; ++i)
        hand = hand.united(Capsule(QPointF(xs[i], tops[i]), QPointF(xs[i], 17.0), 4.3));
    // Thumb, spread out to the left.
    hand = hand.united(Capsule(QPointF(11.0, 23.0), QPointF(4.6, 15.4), 4.6));
    p.setPen(StrokePen(Ink, 1.8));
    p.setBrush(Paper);
    p.drawPath(hand.simplified());
}

void DrawSelection(QPainter &p)
{
    const QRectF rect(5, 8, 21, 15);
    p.fillRect(rect, Sky);
    // Marching ants: dark dashes over a light line, visible on any background.
    p.setBrush(Qt::NoBrush);
    p.setPen(StrokePen(Paper, 2, Qt::FlatCap));
    p.drawRect(rect);
    QPen dash(Ink, 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dash.setDashPattern({1.5, 1.5}); // 3 units on, 3 off: every edge starts and ends on a dash
    p.setPen(dash);
    p.drawLine(rect.topLeft(), rect.topRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    p.drawLine(rect.topLeft(), rect.bottomLeft());
    p.drawLine(rect.topRight(), rect.bottomRight());
    // Solid corners.
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    for (const QPointF &c : {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()})
        p.drawRect(QRectF(c.x() - 2, c.y() - 2, 4, 4));
}

void DrawMagnifier(QPainter &p, bool plus)
{
    // Handle first, so the rim covers its end.
    p.setPen(StrokePen(Ink, 5));
    p.drawLine(QPointF(20, 20), QPointF(27, 27));
    p.setPen(StrokePen(Ink, 2));
    p.setBrush(Sky);
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(StrokePen(Accent, 2.6, Qt::FlatCap));
    p.drawLine(QPointF(8, 13), QPointF(18, 13));
    if (plus)
        p.drawLine(QPointF(13, 8), QPointF(13, 18));
}

void DrawPalette(QPainter &p)
{
    QPainterPath board;
    board.addEllipse(QRectF(2.5, 4.5, 27, 23));
    QPainterPath notch;
    notch.addEllipse(QPointF(25.5, 24.5), 5.0, 4.5);
    QPainterPath hole;
    hole.addEllipse(QPointF(19.0, 21.0), 2.4, 2.4);
    board = board.subtracted(notch).subtracted(hole);
    p.setPen(StrokePen(Ink, 2));
    p.setBrush(Wood);
    p.drawPath(board);
    p.setPen(StrokePen(Ink, 1.2));
    const struct { QPointF at; QColor color; } dabs[] = {
        {{8.5, 17.0}, Red}, {{10.5, 10.5}, Yellow}, {{17.0, 9.0}, Green}, {{23.5, 12.0}, Accent},
    };
    for (const auto &d : dabs) {
        p.setBrush(d.color);
        p.drawEllipse(d.at, 2.9, 2.9);
    }
}

void DrawClose(QPainter &p)
{
    p.setPen(StrokePen(Ink, 4));
    p.drawLine(QPointF(9, 9), QPointF(23, 23));
    p.drawLine(QPointF(23, 9), QPointF(9, 23));
}

QPolygonF Head(QPointF tip, QPointF dir, qreal length, qreal halfWidth)
{
    const QPointF normal(-dir.y(), dir.x());
    const QPointF base = tip - dir * length;
    return QPolygonF({tip, base + normal * halfWidth, base - normal * halfWidth});
}

// Design space 13 x 12: a height arrow on the left and a width arrow along
// the bottom, beside the outline of the measured area.
void DrawSelSize(QPainter &p)
{
    p.setPen(QPen(Accent, 1, Qt::DotLine, Qt::FlatCap));
    p.setBrush(Sky);
    p.drawRect(QRectF(5.5, 0.5, 7, 7));

    p.setPen(StrokePen(Ink, 1.0, Qt::FlatCap));
    p.drawLine(QPointF(2.5, 2.5), QPointF(2.5, 9.5));
    p.drawLine(QPointF(7.5, 10.5), QPointF(10.5, 10.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawPolygon(Head(QPointF(2.5, 0), QPointF(0, -1), 3, 2.2));
    p.drawPolygon(Head(QPointF(2.5, 12), QPointF(0, 1), 3, 2.2));
    p.drawPolygon(Head(QPointF(5.0, 10.5), QPointF(-1, 0), 3, 1.9));
    p.drawPolygon(Head(QPointF(13, 10.5), QPointF(1, 0), 3, 1.9));
}

// Design space 11 x 11: a crosshair with a ring and a centre dot.
void DrawSelPos(QPainter &p)
{
    p.setPen(StrokePen(Ink, 1.1, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(5.5, 5.5), 3.4, 3.4);
    p.drawLine(QPointF(5.5, 0), QPointF(5.5, 3.2));
    p.drawLine(QPointF(5.5, 7.8), QPointF(5.5, 11));
    p.drawLine(QPointF(0, 5.5), QPointF(3.2, 5.5));
    p.drawLine(QPointF(7.8, 5.5), QPointF(11, 5.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Warm);
    p.drawEllipse(QPointF(5.5, 5.5), 1.3, 1.3);
}

QImage RenderIcon(int iconId, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    qreal designW = 32, designH = 32;
    if (iconId == 8) {
        designW = 13;
        designH = 12;
    } else if (iconId == 9) {
        designW = 11;
        designH = 11;
    }
    p.scale(width / designW, height / designH);
    switch (iconId) {
    case 0: DrawGrid(p); break;
    case 1: DrawGridColor(p); break;
    case 2: DrawHand(p); break;
    case 3: DrawSelection(p); break;
    case 4: DrawMagnifier(p, true); break;
    case 5: DrawMagnifier(p, false); break;
    case 6: DrawPalette(p); break;
    case 7: DrawClose(p); break;
    case 8: DrawSelSize(p); break;
    case 9: DrawSelPos(p); break;
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// --- tiles, mark, logo, application icon ---

QImage RenderTile(int phase)
{
    const QRgb dark = 0xFF7F7F7F, light = 0xFFC3C3C3;
    QImage tile(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool diagonal = (x < 5) == (y < 5); // top left and bottom right
            tile.setPixel(x, y, (diagonal == (phase == 0)) ? dark : light);
        }
    return tile;
}

// The tool's mark in a 64-unit square: a dark rounded board holding a
// 5 x 5 pixel grid with an X of lit pixels.
void DrawMark(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(0, 0, 64, 64), 12, 12);
    const qreal cell = 10.4, gap = 1.6, origin = 32 - 2.5 * cell;
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 5; ++col) {
            QColor c = Slate;
            if (row == 2 && col == 2)
                c = Warm;
            else if (row == col || row + col == 4)
                c = QColor(0x5D, 0xA9, 0xF0);
            p.setBrush(c);
            p.drawRoundedRect(QRectF(origin + col * cell + gap / 2, origin + row * cell + gap / 2,
                                     cell - gap, cell - gap), 1.5, 1.5);
        }
}

QImage RenderAppIcon(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 64.0, side / 64.0);
    DrawMark(p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage RenderLogo()
{
    QImage image(140, 70, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    p.translate(4, 5);
    p.scale(60 / 64.0, 60 / 64.0);
    DrawMark(p);
    p.restore();

    QFont bold(QStringLiteral("DejaVu Sans"));
    bold.setBold(true);
    bold.setPixelSize(26);
    QFont plain(QStringLiteral("DejaVu Sans"));
    plain.setPixelSize(20);
    QPainterPath name;
    name.addText(0, 0, bold, QStringLiteral("no"));
    const qreal noWidth = name.boundingRect().right() + 1;
    QPainterPath x;
    x.addText(noWidth, 0, bold, QStringLiteral("X"));
    QPainterPath el;
    el.addText(x.boundingRect().right() + 1, 0, bold, QStringLiteral("el"));
    QPainterPath view;
    view.addText(1, 26, plain, QStringLiteral("View"));

    // Fit the lettering into the 70 x 60 units right of the mark, whatever
    // the font's exact metrics are.
    QPainterPath all = name.united(x).united(el).united(view);
    const QRectF box = all.boundingRect();
    const qreal fit = qMin(68.0 / box.width(), 56.0 / box.height());
    p.translate(70, 7);
    p.scale(fit, fit);
    p.translate(-box.left(), -box.top());
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawPath(name);
    p.drawPath(el);
    p.setBrush(Warm);
    p.drawPath(x);
    p.setBrush(Accent);
    p.drawPath(view);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// --- output ---

bool Save(const QImage &image, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QByteArray PngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A Windows icon file holding PNG-compressed images (read by Windows Vista
// and later), for the program file's own icon.
bool WriteIco(const QString &path, const QList<QImage> &images)
{
    QByteArray header, body;
    auto put16 = [](QByteArray &b, int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto put32 = [&](QByteArray &b, int v) { put16(b, v & 0xFFFF); put16(b, (v >> 16) & 0xFFFF); };
    put16(header, 0);
    put16(header, 1); // icon
    put16(header, int(images.size()));
    int offset = 6 + 16 * int(images.size());
    for (const QImage &image : images) {
        const QByteArray png = PngBytes(image);
        header.append(char(image.width() >= 256 ? 0 : image.width()));
        header.append(char(image.height() >= 256 ? 0 : image.height()));
        header.append(char(0)).append(char(0)); // no palette, reserved
        put16(header, 1);                        // planes
        put16(header, 32);                       // bits per pixel
        put32(header, int(png.size()));
        put32(header, offset);
        offset += int(png.size());
        body.append(png);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(header + body) == header.size() + body.size();
}

void WriteArray(QTextStream &out, const char *name, const QByteArray &bytes)
{
    out << "const unsigned char " << name << "[] = {";
    for (int i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0)
            out << "\n   ";
        out << " 0x" << QString::number(quint8(bytes[i]), 16).rightJustified(2, QLatin1Char('0')) << ",";
    }
    out << "\n};\nconst unsigned int " << name << "Size = " << bytes.size() << ";\n\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the logo lettering
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <Resource folder>\n", argv[0]);
        return 2;
    }
    const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QStringList resourceFiles;
    bool ok = true;

    for (int s = 0; s < IconTable::ScaleCount; ++s)
        for (int id = 0; id < IconTable::IconCount; ++id) {
            const IconTable::PixelSize size = IconTable::SizeOf(id, s);
            const QString rel = QStringLiteral("Scale_%1/%2_%3x%4.png")
                                    .arg(IconTable::Percents[s])
                                    .arg(QLatin1String(IconTable::Names[id]))
                                    .arg(size.width)
                                    .arg(size.height);
            ok = Save(RenderIcon(id, size.width, size.height), root + QLatin1Char('/') + rel) && ok;
            resourceFiles << rel;
        }

    QList<QImage> appIcons;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        const QString rel = QStringLiteral("AppIcon/noxelview_%1.png").arg(side);
        appIcons << RenderAppIcon(side);
        ok = Save(appIcons.last(), root + QLatin1Char('/') + rel) && ok;
        resourceFiles << rel;
    }
    if (!WriteIco(root + QStringLiteral("/AppIcon/noxelview.ico"), appIcons)) {
        std::fprintf(stderr, "cannot write the icon file\n");
        ok = false;
    }

    const QImage tile0 = RenderTile(0), tile1 = RenderTile(1), logo = RenderLogo();
    ok = Save(tile0, root + QStringLiteral("/Embedded/TransparencyTile0_10x10.png")) && ok;
    ok = Save(tile1, root + QStringLiteral("/Embedded/TransparencyTile1_10x10.png")) && ok;
    ok = Save(logo, root + QStringLiteral("/Embedded/AboutLogo_140x70.png")) && ok;

    QFile cpp(root + QStringLiteral("/embeddedart.cpp"));
    if (!cpp.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(cpp.fileName()));
        return 1;
    }
    {
        QTextStream out(&cpp);
        out << "// Written by noxel_drawicons: the PNG files of Resource/Embedded as data.\n"
               "#include \"Resource/embeddedart.h\"\n\nnamespace EmbeddedArt {\n\n";
        WriteArray(out, "TransparencyTile0", PngBytes(tile0));
        WriteArray(out, "TransparencyTile1", PngBytes(tile1));
        WriteArray(out, "AboutLogo", PngBytes(logo));
        out << "} // namespace EmbeddedArt\n";
    }

    QFile qrc(root + QStringLiteral("/noxelresources.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(qrc.fileName()));
        return 1;
    }
    {
        QTextStream out(&qrc);
        out << "<!DOCTYPE RCC>\n<!-- Written by noxel_drawicons. -->\n<RCC version=\"1.0\">\n"
               "  <qresource prefix=\"/Resource\">\n";
        for (const QString &file : resourceFiles)
            out << "    <file>" << file << "</file>\n";
        out << "  </qresource>\n</RCC>\n";
    }
    std::printf("wrote %lld pictures to %s\n", qlonglong(resourceFiles.size() + 3), qPrintable(root));
    return ok ? 0 : 1;
}
