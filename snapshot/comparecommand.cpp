#include "snapshot/comparecommand.h"

#include "replay/replaycommand.h"
#include "snapshot/commandline.h"
#include "snapshot/reference.h"

#include <cstdio>

namespace snapshot {

using replay::printLine;

int runCompare(const CompareRequest &request)
{
    if (request.update) {
        const Result r = waitAndSave(request.reference, request.waitMs);
        printLine(r.status == Saved ? stdout : stderr, r.message);
        return r.status == Saved ? CompareSame : r.status == NoSimulation ? CompareNoSimulation : CompareBadUsage;
    }
    // The reference is read first: a broken one is reported at once,
    // whether or not a simulation runs.
    Reference reference;
    QString error;
    if (!loadReference(request.reference, &reference, &error)) {
        printLine(stderr, error);
        return CompareBadUsage;
    }
    Scene scene;
    SceneWaiter waiter(request.waitMs);
    if (!waiter.run(scene)) {
        printLine(stderr, QStringLiteral("No simulation found."));
        return CompareNoSimulation;
    }
    const Comparison comparison = compareWithReference(reference, scene, request.tolerance);
    for (const ItemDiff &d : comparison.items)
        printLine(stdout, d.line());
    printLine(stdout, summaryLine(comparison.items));
    if (!request.out.isEmpty()) {
        error = writeComparison(comparison, request.tolerance, request.out);
        if (!error.isEmpty()) {
            printLine(stderr, error);
            return CompareBadUsage;
        }
    }
    return comparison.differs() ? CompareDiffers : CompareSame;
}

} // namespace snapshot
