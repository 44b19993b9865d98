#pragma once

#include <QString>

// The folder read when none is named: "data" beside the program (a build tree, or a program
// unpacked with its data), else the installed one (share/gps/data beside bin/), else gps/data
// in the standard data folders (QStandardPaths). When none holds a network, the first, so that
// messages name the folder next to the program.
QString defaultDataDir();
