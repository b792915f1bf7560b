// LVGL's widgets demo (examples/lvgl-sim, on libnoxelpublish) operated
// through noXelView: a click in the layer view on the demo's "Analytics"
// tab switches the tab, which changes the tab bar's pixels in the block the
// view shows and in a snapshot taken before and after.
#include "snapshot/snapshot.h"
#include "windowfixture.h"

#include <QProcess>

namespace {

constexpr int Width = 800;
// The demo's tab bar at 800 x 480: the title on the left half, the tabs
// Profile, Analytics and Shop on the right half.
constexpr int TabBarHeight = 75;
constexpr int AnalyticsX = 600;

} // namespace

class TestLvglSim : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    // The demo's tab bar as layer 0's block holds it now.
    QImage tabBar() const
    {
        const sim::PublishedBlock *b = fx.pub->layer(0);
        if (!b || b->pixelBytes() < qint64(Width) * TabBarHeight * 4)
            return QImage();
        return QImage(b->pixels(), Width, TabBarHeight, Width * 4, QImage::Format_ARGB32).copy();
    }

    // The tab bar no longer changes between two looks 300 ms apart.
    QImage steadyTabBar() const
    {
        QImage last = tabBar();
        for (int i = 0; i < 50; ++i) {
            QTest::qWait(300);
            const QImage now = tabBar();
            if (!now.isNull() && now == last)
                return now;
            last = now;
        }
        return QImage();
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    void clickOnATabSwitchesIt()
    {
        QProcess sim;
        sim.start(QStringLiteral(NOXEL_LVGLSIM), {QStringLiteral("--seconds"), QStringLiteral("120")});
        QVERIFY(sim.waitForStarted(10000));
        QVERIFY(sim.waitForReadyRead(30000));
        QVERIFY(sim.readLine().startsWith("lvgl-sim: publishing in"));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(1, WindowFixture::WithComposite));

        const QImage before = steadyTabBar();
        QVERIFY(!before.isNull());
        const QString first = fx.env.root() + QStringLiteral("/before");
        QCOMPARE(snapshot::saveSnapshot(first).status, snapshot::Saved);

        // Pressed long enough for LVGL's pointer poll to see it, on the
        // second tab.
        PaintWidget *paint = fx.view(0)->GetPaintWidget();
        const QPoint tab = fixture::at(AnalyticsX, TabBarHeight / 2, fx.view(0)->GetZoom());
        QTest::mousePress(paint, Qt::LeftButton, Qt::NoModifier, tab);
        QTest::qWait(200);
        QTest::mouseRelease(paint, Qt::LeftButton, Qt::NoModifier, tab);
        const QImage after = steadyTabBar();
        QVERIFY(!after.isNull());
        QVERIFY(after != before);

        const QString second = fx.env.root() + QStringLiteral("/after");
        QCOMPARE(snapshot::saveSnapshot(second).status, snapshot::Saved);
        const QImage a(first + QStringLiteral("/layer0.png"));
        const QImage b(second + QStringLiteral("/layer0.png"));
        QCOMPARE(a.size(), QSize(800, 480));
        QVERIFY(a.copy(0, 0, Width, TabBarHeight) != b.copy(0, 0, Width, TabBarHeight));

        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(fx.waitForViews(0));
    }
};

QTEST_MAIN(TestLvglSim)
#include "tst_lvglsim.moc"
