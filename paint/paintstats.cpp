#include "paint/paintstats.h"

#include "paint/paintwidget.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QtGlobal>

#include <cstdio>
#include <vector>

namespace paintstats {

namespace {

struct Entry
{
    const char *kind;
    long paints;
    int zoom;
    int grid;
    int overlays; // 1: update flashes, 2: heat map, 3: both
};

class Stats
{
public:
    Stats() : path(qgetenv("NOXEL_PAINT_STATS")) { clock.start(); }
    ~Stats() { write(); }

    void count(const QWidget *widget, const char *kind)
    {
        auto it = index.constFind(widget);
        if (it == index.constEnd()) {
            // A new widget at a reused address is a new view: counted apart.
            it = index.insert(widget, int(entries.size()));
            entries.push_back({kind, 0, 0, 0, 0});
        } else if (entries[size_t(*it)].kind != kind) {
            it = index.insert(widget, int(entries.size()));
            entries.push_back({kind, 0, 0, 0, 0});
        }
        Entry &e = entries[size_t(*it)];
        ++e.paints;
        // The view's state as this paint reads it (paint widgets only).
        const auto *paint = qobject_cast<const PaintWidget *>(widget);
        if (paint && paint->View()) {
            e.zoom = paint->View()->zoomFactor();
            e.grid = paint->View()->grid().on ? 1 : 0;
            e.overlays = (paint->View()->UpdatesShown() ? 1 : 0) + (paint->View()->HeatMapShown() ? 2 : 0);
        }
        if (clock.elapsed() >= 250) {
            clock.restart();
            write();
        }
    }

    const QByteArray path;

private:
    // Written beside the file and renamed over it, so a reader never sees
    // a half-written file.
    void write() const
    {
        const QByteArray temporary = path + ".new";
        std::FILE *f = std::fopen(temporary.constData(), "w");
        if (!f)
            return;
        for (size_t i = 0; i < entries.size(); ++i)
            std::fprintf(f, "%s %zu %ld %d %d %d\n", entries[i].kind, i, entries[i].paints, entries[i].zoom,
                         entries[i].grid, entries[i].overlays);
        if (std::fclose(f) == 0)
            std::rename(temporary.constData(), path.constData());
    }

    QElapsedTimer clock;
    QHash<const QWidget *, int> index;
    std::vector<Entry> entries;
};

} // namespace

void countPaint(const QWidget *widget, const char *kind)
{
    static const bool on = !qEnvironmentVariableIsEmpty("NOXEL_PAINT_STATS");
    if (!on)
        return;
    static Stats stats;
    stats.count(widget, kind);
}

} // namespace paintstats
