#include "paint/paintstats.h"

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
            entries.push_back({kind, 0});
        } else if (entries[size_t(*it)].kind != kind) {
            it = index.insert(widget, int(entries.size()));
            entries.push_back({kind, 0});
        }
        ++entries[size_t(*it)].paints;
        if (clock.elapsed() >= 250) {
            clock.restart();
            write();
        }
    }

    const QByteArray path;

private:
    void write() const
    {
        std::FILE *f = std::fopen(path.constData(), "w");
        if (!f)
            return;
        for (size_t i = 0; i < entries.size(); ++i)
            std::fprintf(f, "%s %zu %ld\n", entries[i].kind, i, entries[i].paints);
        std::fclose(f);
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
