// The row kernels give the same pixels with every instruction set this
// processor offers, at every row length and source alignment, and those
// pixels are Qt's: qPremultiply and the raster engine's source-over
// rounding, restated here per channel. NOXEL_PLAIN_KERNELS=1 selects the
// plain set for the whole process.
#include "imaging/pixelkernels.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <cstring>
#include <vector>

using namespace imaging;

namespace {

// x * a / 255 rounded as Qt's raster engine rounds it.
quint32 mul255(quint32 x, quint32 a)
{
    const quint32 t = x * a;
    return (t + (t >> 8) + 0x80) >> 8;
}

quint32 perChannel(quint32 x, quint32 a)
{
    quint32 r = 0;
    for (int shift = 0; shift < 32; shift += 8)
        r |= mul255((x >> shift) & 0xFF, a) << shift;
    return r;
}

quint32 refBlend(quint32 p, quint32 d)
{
    return p + perChannel(d, 255 - (p >> 24));
}

// Alpha 0, 255 and everything between, in runs so that whole groups of four
// and eight pixels are opaque or transparent too.
std::vector<quint32> pixels(int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::vector<quint32> v(size_t(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const quint32 kind = (quint32(i) / 9 + seed) % 4;
        const quint32 a = kind == 0 ? 0u : kind == 1 ? 255u : rng.bounded(256u);
        v[size_t(i)] = (a << 24) | (rng.generate() & 0x00FFFFFFu);
    }
    return v;
}

const char *nameOf(KernelSet set)
{
    return set == KernelSet::Plain ? "plain" : set == KernelSet::Sse2 ? "sse2" : "avx2";
}

} // namespace

class TestPixelKernels : public QObject
{
    Q_OBJECT

    // Runs check for every kernel set, row lengths 0 ... 37 and four byte
    // offsets of the source.
    template<typename Check>
    void everySet(Check check)
    {
        const KernelSet initial = kernelSet();
        for (int s = 0; s <= int(bestKernelSet()); ++s) {
            setKernelSet(KernelSet(s));
            QCOMPARE(kernelSet(), KernelSet(s));
            for (int n = 0; n <= 37; ++n)
                for (int offset = 0; offset < 4; ++offset) {
                    check(n, offset, quint32(n * 4 + offset));
                    if (QTest::currentTestFailed()) {
                        qWarning("kernel set %s, %d pixels, offset %d", nameOf(KernelSet(s)), n, offset);
                        setKernelSet(initial);
                        return;
                    }
                }
        }
        setKernelSet(initial);
    }

private Q_SLOTS:
    void setsAreLimitedToTheProcessors()
    {
        const KernelSet initial = kernelSet();
        setKernelSet(KernelSet::Avx2);
        QCOMPARE(kernelSet(), bestKernelSet());
        setKernelSet(KernelSet::Plain);
        QCOMPARE(kernelSet(), KernelSet::Plain);
        setKernelSet(initial);
    }

    void environmentSelectsThePlainSet()
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("NOXEL_PLAIN_KERNELS"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--kernel-set")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("plain"));
        environment.insert(QStringLiteral("NOXEL_PLAIN_KERNELS"), QStringLiteral("0"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--kernel-set")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray(nameOf(bestKernelSet())));
    }

    void premultiplyRowIsQPremultiply()
    {
        everySet([](int n, int offset, quint32 seed) {
            const std::vector<quint32> src = pixels(n + offset, seed);
            std::vector<quint32> out(size_t(n) + 1, 0xDEADBEEFu);
            premultiplyRow(src.data() + offset, out.data(), n);
            for (int i = 0; i < n; ++i)
                QCOMPARE(out[size_t(i)], qPremultiply(src[size_t(i + offset)]));
            QCOMPARE(out[size_t(n)], 0xDEADBEEFu);
        });
    }

    void blendRowsRoundAsTheRasterEngine()
    {
        everySet([](int n, int offset, quint32 seed) {
            const std::vector<quint32> src = pixels(n + offset, seed);
            std::vector<quint32> dst = pixels(n, seed + 1000);
            for (quint32 &d : dst)
                d = qPremultiply(d);
            std::vector<quint32> premultiplied(src.size());
            for (size_t i = 0; i < src.size(); ++i)
                premultiplied[i] = qPremultiply(src[i]);

            std::vector<quint32> a = dst, b = dst, c = dst;
            blendPremultipliedRow(premultiplied.data() + offset, a.data(), n);
            premultiplyBlendRow(src.data() + offset, b.data(), n);
            // The layer read's blend takes little-endian words at any byte offset.
            std::vector<uchar> bytes(size_t(n) * 4 + 4);
            for (int i = 0; i < n; ++i)
                for (int k = 0; k < 4; ++k)
                    bytes[size_t(offset + 4 * i + k)] = uchar(src[size_t(i + offset)] >> (8 * k));
            blendRowOverPremultiplied(bytes.data() + offset, c.data(), n);
            for (int i = 0; i < n; ++i) {
                const quint32 expected = refBlend(premultiplied[size_t(i + offset)], dst[size_t(i)]);
                QCOMPARE(a[size_t(i)], expected);
                QCOMPARE(b[size_t(i)], expected);
                QCOMPARE(c[size_t(i)], expected);
            }
            QCOMPARE(a[size_t(n)], dst[size_t(n)]);
            QCOMPARE(b[size_t(n)], dst[size_t(n)]);
            QCOMPARE(c[size_t(n)], dst[size_t(n)]);
        });
    }

    // A premultiplied source of alpha 0 with colour bits (as a raw
    // premultiplied image may hold) still adds its colour, as the raster
    // engine's blend does: only a source that is 0 as a whole leaves the
    // target alone.
    // One pixel short of alpha 255 anywhere in the row makes it not opaque,
    // in every kernel set and past the wide steps.
    void allOpaqueFindsAnyLowerAlpha()
    {
        const KernelSet initial = kernelSet();
        for (int s = 0; s <= int(bestKernelSet()); ++s) {
            setKernelSet(KernelSet(s));
            for (int n = 0; n <= 70; ++n) {
                std::vector<quint32> row(size_t(n) + 1, 0xFF000000u);
                for (int i = 0; i < n; ++i)
                    row[size_t(i + 1)] |= quint32(i * 0x010203);
                row[0] = 0; // outside the row
                QVERIFY2(allOpaque(row.data() + 1, n), nameOf(KernelSet(s)));
                for (int k = 0; k < n; ++k) {
                    const quint32 was = row[size_t(k + 1)];
                    row[size_t(k + 1)] = (was & 0x00FFFFFFu) | (k % 2 ? 0xFE000000u : 0x7F000000u);
                    QVERIFY2(!allOpaque(row.data() + 1, n),
                             qPrintable(QStringLiteral("%1, %2 pixels, at %3").arg(nameOf(KernelSet(s))).arg(n).arg(k)));
                    row[size_t(k + 1)] = was;
                }
            }
        }
        setKernelSet(initial);
    }

    void premultipliedBlendAddsTransparentColour()
    {
        everySet([](int n, int offset, quint32 seed) {
            std::vector<quint32> src = pixels(n + offset, seed);
            for (quint32 &p : src)
                p = (p >> 24) == 255 ? p : p & 0x00030303u;
            std::vector<quint32> dst = pixels(n, seed + 7);
            for (quint32 &d : dst)
                d = qPremultiply(d) & 0xFCFCFCFCu;
            std::vector<quint32> out = dst;
            blendPremultipliedRow(src.data() + offset, out.data(), n);
            for (int i = 0; i < n; ++i)
                QCOMPARE(out[size_t(i)], refBlend(src[size_t(i + offset)], dst[size_t(i)]));
        });
    }

    void rulesRowMatchesThePixelRules()
    {
        PixelRules key;
        key.mode = PixelRules::ColorKey;
        key.keyLower = 0x00204060u;
        key.keyUpper = 0x00E0C0A0u;
        PixelRules alpha;
        alpha.mode = PixelRules::SetAlpha;
        alpha.alpha = 0x7Fu;
        std::vector<PixelRules> all{PixelRules(), key, alpha};
        for (size_t i = 0, count = all.size(); i < count; ++i) {
            all.push_back(all[i]);
            all.back().invert = true;
        }
        everySet([&](int n, int offset, quint32 seed) {
            const std::vector<quint32> src = pixels(n, seed);
            std::vector<uchar> bytes(size_t(n) * 4 + 4);
            for (int i = 0; i < n; ++i)
                for (int k = 0; k < 4; ++k)
                    bytes[size_t(offset + 4 * i + k)] = uchar(src[size_t(i)] >> (8 * k));
            for (const PixelRules &r : all) {
                std::vector<quint32> out(size_t(n) + 1, 0xDEADBEEFu);
                applyRulesRow(bytes.data() + offset, out.data(), n, r);
                for (int i = 0; i < n; ++i) {
                    quint32 v = src[size_t(i)] ^ (r.invert ? 0xFF000000u : 0u);
                    bool inKey = (v >> 24) != 0;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const quint32 ch = (v >> shift) & 0xFF;
                        inKey = inKey && ch >= ((r.keyLower >> shift) & 0xFF) && ch <= ((r.keyUpper >> shift) & 0xFF);
                    }
                    if (r.mode == PixelRules::SetAlpha)
                        v = (r.alpha << 24) | (v & 0x00FFFFFFu);
                    else if (r.mode == PixelRules::ColorKey && inKey)
                        v &= 0x00FFFFFFu;
                    QCOMPARE(out[size_t(i)], v);
                }
                QCOMPARE(out[size_t(n)], 0xDEADBEEFu);
            }
        });
    }
};

int main(int argc, char *argv[])
{
    // The child of environmentSelectsThePlainSet: prints the set in use.
    if (argc == 2 && std::strcmp(argv[1], "--kernel-set") == 0) {
        std::printf("%s\n", nameOf(kernelSet()));
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestPixelKernels test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pixelkernels.moc"
