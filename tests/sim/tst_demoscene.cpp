// The default scene: every feature the tool shows, and its reactions to the
// pointer and key input the tool writes into the blocks.
#include "simlink/input.h"
#include "sim/demoscene.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QSharedMemory>
#include <QtTest>

using namespace simlink;

class TestDemoScene : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int count = 0;

    static constexpr quint32 MarkerColor = 0xFFE61428u;
    static constexpr quint32 TrailColor = 0xFFFFE600u;

    // The top layer's pixel at display (x, y); it lies at (0, 0).
    static quint32 top(const sim::Publisher &pub, int x, int y)
    {
        return pub.layer(sim::DemoScene::PointerLayer)->uint32At(Offset::FrameBuffer + 4 * (qint64(sim::DemoScene::Width) * y + x));
    }

    // Attaches layer n's block as the tool does, to write input into it.
    struct ToolSide
    {
        QSharedMemory *handle = nullptr;
        BlockView view;
        int layer = 0;
        explicit ToolSide(int n) : layer(n) { view = attachLayer(handle, n); }
        ~ToolSide()
        {
            detachLayer(handle);
            delete handle;
        }
    };

private Q_SLOTS:
    void init() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++count)); }

    void showsEveryFeature()
    {
        sim::OpenSimulation simulation;
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        sim::DemoScene scene(simulation.get());
        QVERIFY(scene.publish());

        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 1);
        QCOMPARE(list.size(), sim::DemoScene::LayerCount);
        int w = 0;
        int h = 0;
        QVERIFY(compositeSize(pub.layer(0)->view(), &w, &h));
        QCOMPARE(QSize(w, h), QSize(800, 480));
        QCOMPARE(list[0].xSize, 800);
        QCOMPARE(NumColors(pub.layer(1)->view()), 256);
        QCOMPARE(list[1].bitsPerPixel, 8);
        QCOMPARE(QSize(list[2].xSize, list[2].ySize), QSize(320, 240));
        QVERIFY(list[2].vySize > list[2].ySize);
        QCOMPARE(transMode(pub.layer(3)->view()), 1);
        QCOMPARE(transMode(pub.layer(4)->view()), 2);
        QVERIFY(layerAlpha(pub.layer(4)->view()) < 255);
        for (int n : {3, 4}) {
            const LayerInfo &l = list[n];
            QVERIFY(l.xPos < 0 || l.yPos < 0 || l.xPos + l.xSize > 800 || l.yPos + l.ySize > 480);
            QVERIFY(l.xPos < 800 && l.yPos < 480 && l.xPos + l.xSize > 0 && l.yPos + l.ySize > 0);
        }

        // One frame: the backdrop moves, the palette turns, the window
        // scrolls; layers without input keep their content counters.
        qint32 content[sim::DemoScene::LayerCount];
        for (int n = 0; n < sim::DemoScene::LayerCount; ++n)
            content[n] = contentCounter(pub.layer(n)->view());
        const qint32 palette = paletteCounter(pub.layer(1)->view());
        const quint32 entry = paletteEntry(pub.layer(1)->view(), 0);
        const qint32 origin = yOrg(pub.layer(2)->view());
        const quint32 backdrop = pub.layer(0)->uint32At(Offset::FrameBuffer);
        scene.step(40);
        QVERIFY(paletteCounter(pub.layer(1)->view()) != palette);
        QVERIFY(paletteEntry(pub.layer(1)->view(), 0) != entry);
        QVERIFY(yOrg(pub.layer(2)->view()) != origin);
        QVERIFY(yOrg(pub.layer(2)->view()) + 240 <= list[2].vySize);
        QVERIFY(contentCounter(pub.layer(2)->view()) != content[2]);
        QVERIFY(contentCounter(pub.layer(0)->view()) != content[0]);
        QVERIFY(pub.layer(0)->uint32At(Offset::FrameBuffer) != backdrop);
        QCOMPARE(contentCounter(pub.layer(1)->view()), content[1]);
        QCOMPARE(contentCounter(pub.layer(4)->view()), content[4]);
        QCOMPARE(contentCounter(pub.layer(5)->view()), content[5]);
    }

    void pressedPointerDrawsMarkerAndTrail()
    {
        sim::OpenSimulation simulation;
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        sim::DemoScene scene(simulation.get());
        QVERIFY(scene.publish());
        ToolSide composite(0);
        QVERIFY(!composite.view.isNull());
        const sim::PublishedBlock *overlay = pub.layer(sim::DemoScene::PointerLayer);
        QCOMPARE(top(pub, 100, 200), 0u);

        // A move without the button draws nothing.
        setPointer(composite.view, composite.layer, 100, 200, 0);
        qint32 counter = contentCounter(overlay->view());
        scene.step(1);
        QCOMPARE(contentCounter(overlay->view()), counter);
        QCOMPARE(top(pub, 100, 200), 0u);

        setPointer(composite.view, composite.layer, 100, 200, 1);
        scene.step(2);
        QVERIFY(contentCounter(overlay->view()) != counter);
        QCOMPARE(top(pub, 100, 200), MarkerColor);

        // Dragging leaves a trail between the points; the marker follows.
        setPointer(composite.view, composite.layer, 160, 200, 1);
        scene.step(3);
        QCOMPARE(top(pub, 130, 200), TrailColor);
        QCOMPARE(top(pub, 160, 200), MarkerColor);
        QVERIFY(top(pub, 100, 200) != MarkerColor);

        // Unchanged input changes nothing.
        counter = contentCounter(overlay->view());
        scene.step(4);
        QCOMPARE(contentCounter(overlay->view()), counter);

        // Release: the marker goes, the trail stays until the next press.
        setPointer(composite.view, composite.layer, 160, 200, 0);
        scene.step(5);
        QCOMPARE(top(pub, 160, 200), TrailColor);
        QCOMPARE(top(pub, 130, 200), TrailColor);

        // A press in another layer's view is in that layer's pixels.
        ToolSide star(3);
        const int x = xPos(pub.layer(3)->view());
        const int y = yPos(pub.layer(3)->view());
        setPointer(star.view, star.layer, 10, 12, 1);
        scene.step(6);
        QCOMPARE(top(pub, x + 10, y + 12), MarkerColor);
        QCOMPARE(top(pub, 130, 200), 0u);
    }

    void keyWordsAreConsumedAndTyped()
    {
        sim::OpenSimulation simulation;
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        sim::DemoScene scene(simulation.get());
        QVERIFY(scene.publish());
        ToolSide tool(2);
        const sim::PublishedBlock *text = pub.layer(sim::DemoScene::TextLayer);
        qint32 counter = contentCounter(text->view());

        WriteKey(tool.view, tool.layer, 'a', 1);
        scene.step(1);
        QCOMPARE(pub.layer(2)->keyEvent(), 0u);
        QCOMPARE(scene.typedText(), QStringLiteral("a"));
        QVERIFY(contentCounter(text->view()) != counter);

        // The same word again is a new key, seen because the last was consumed.
        WriteKey(tool.view, tool.layer, 'a', 1);
        scene.step(2);
        QCOMPARE(scene.typedText(), QStringLiteral("aa"));
        // A release of a seen press adds nothing and redraws nothing.
        counter = contentCounter(text->view());
        WriteKey(tool.view, tool.layer, 'a', 0);
        scene.step(3);
        QCOMPARE(pub.layer(2)->keyEvent(), 0u);
        QCOMPARE(scene.typedText(), QStringLiteral("aa"));
        QCOMPARE(contentCounter(text->view()), counter);
        // A release whose press was overwritten before it was read still counts.
        WriteKey(tool.view, tool.layer, 'b', 0);
        scene.step(4);
        QCOMPARE(scene.typedText(), QStringLiteral("aab"));

        // Special keys by name, in whichever block the tool wrote them.
        ToolSide composite(0);
        WriteKey(composite.view, composite.layer, 16, 1);
        WriteKey(tool.view, tool.layer, 32, 1);
        scene.step(5);
        QCOMPARE(pub.layer(0)->keyEvent(), 0u);
        QCOMPARE(scene.typedText(), QStringLiteral("aab<GUI_KEY_LEFT> "));

        // A word without bit 16 is not a key; it is consumed all the same.
        pub.layer(2)->setUInt32(Offset::KeyEvent, 0x161);
        scene.step(6);
        QCOMPARE(pub.layer(2)->keyEvent(), 0u);
        QCOMPARE(scene.typedText(), QStringLiteral("aab<GUI_KEY_LEFT> "));

        // The line is bounded and keeps the latest keys.
        for (int i = 0; i < 300; ++i) {
            WriteKey(tool.view, tool.layer, '0' + i % 10, 1);
            scene.step(7 + i);
        }
        QCOMPARE(scene.typedText().size(), sim::DemoScene::MaxTextLength);
        QVERIFY(scene.typedText().endsWith(QStringLiteral("789")));
    }

    void keyWordText()
    {
        QCOMPARE(sim::keyWordText(0x00010161u), QStringLiteral("a"));
        QCOMPARE(sim::keyWordText(0x00010041u), QStringLiteral("A"));
        QCOMPARE(sim::keyWordText(0x0001010Du), QStringLiteral("<GUI_KEY_ENTER>"));
        QCOMPARE(sim::keyWordText(0x00010028u), QStringLiteral("<GUI_KEY_F1>"));
        QCOMPARE(sim::keyWordText(0x00010105u), QStringLiteral("<5>"));
        QCOMPARE(sim::keyWordText(0x000101E9u), QString(QChar(0xE9)));
        QCOMPARE(sim::keyWordText(0x00000161u), QString());
        QCOMPARE(sim::deviceKeyName(21), QStringLiteral("GUI_KEY_PGDOWN"));
        QCOMPARE(sim::deviceKeyName(22), QString());
    }

    // Alpha-mode 0: what is painted opaque is stored with alpha 0, empty
    // pixels of the top layer with alpha 255.
    void alphaModeZeroStoresInvertedAlpha()
    {
        sim::OpenSimulation simulation(nullptr, true);
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        sim::DemoScene scene(simulation.get(), 0);
        QVERIFY(scene.publish());
        QCOMPARE(int(pub.global()->data()[0]), 0);
        QCOMPARE(pub.layer(0)->uint32At(Offset::FrameBuffer) >> 24, 0u);
        QCOMPARE(paletteEntry(pub.layer(1)->view(), 7) >> 24, 0u);
        QCOMPARE(top(pub, 300, 300), 0xFF000000u);
        ToolSide tool(0);
        setPointer(tool.view, tool.layer, 300, 300, 1);
        scene.step(1);
        QCOMPARE(top(pub, 300, 300), MarkerColor ^ 0xFF000000u);
        QCOMPARE(top(pub, 400, 300), 0xFF000000u);
    }
};

QTEST_MAIN(TestDemoScene)
#include "tst_demoscene.moc"
