#pragma once

#include <QString>

// The tool's version text, "6.26d".
QString versionText();
