#include "snapshot/indexedpng.h"

#include <QtEndian>

#include <array>

namespace snapshot {

namespace {

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (char b : bytes)
        c = table[(c ^ quint8(b)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendUInt32(QByteArray &out, quint32 v)
{
    const quint32 be = qToBigEndian(v);
    out.append(reinterpret_cast<const char *>(&be), 4);
}

void appendChunk(QByteArray &out, const char type[5], const QByteArray &data)
{
    appendUInt32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out.append(typed);
    appendUInt32(out, crc32(typed));
}

} // namespace

QByteArray indexedPng(const QImage &image)
{
    const QVector<QRgb> table = image.colorTable();
    if (image.isNull() || image.format() != QImage::Format_Indexed8 || table.isEmpty() || table.size() > 256)
        return QByteArray();

    QByteArray header;
    appendUInt32(header, quint32(image.width()));
    appendUInt32(header, quint32(image.height()));
    header.append(char(8)); // bit depth
    header.append(char(3)); // colour type: palette
    header.append(3, char(0)); // deflate, adaptive filtering, no interlace

    QByteArray palette, alpha;
    int lastTranslucent = -1;
    for (int i = 0; i < table.size(); ++i) {
        const QRgb c = table[i];
        palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        alpha.append(char(qAlpha(c)));
        if (qAlpha(c) != 255)
            lastTranslucent = i;
    }

    // Every row with filter type 0 (none), then zlib: qCompress prefixes the
    // zlib stream with four bytes of length.
    QByteArray rows;
    rows.reserve(qsizetype(image.width() + 1) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        rows.append(char(0));
        rows.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.width());
    }
    const QByteArray compressed = qCompress(rows, 6);
    if (compressed.size() <= 4)
        return QByteArray();

    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    appendChunk(out, "IHDR", header);
    appendChunk(out, "PLTE", palette);
    if (lastTranslucent >= 0)
        appendChunk(out, "tRNS", alpha.left(lastTranslucent + 1));
    appendChunk(out, "IDAT", compressed.mid(4));
    appendChunk(out, "IEND", QByteArray());
    return out;
}

} // namespace snapshot
