#pragma once

#include <QString>

// "--compare": a capture of the running simulation against a reference
// snapshot, or with update set, a new reference written over it.
namespace snapshot {

enum CompareStatus { CompareSame = 0, CompareNoSimulation = 1, CompareBadUsage = 2, CompareDiffers = 3 };

struct CompareRequest
{
    QString reference;  // the reference snapshot's folder
    int tolerance = 0;  // largest channel difference that still counts as equal
    QString out;        // where actual and diff images and report.json go; empty: nowhere
    int waitMs = 0;
    bool update = false;
};

// Prints one line per item compared and the summary on standard output
// (errors on standard error) and returns the exit status.
int runCompare(const CompareRequest &request);

} // namespace snapshot
