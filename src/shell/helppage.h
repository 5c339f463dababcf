#pragma once
// The help page shipped with the program (help/ of the source tree, built into the program):
// written into a program directory's Help/ folder when its index.htm is missing.
#include <QString>

namespace helppage {

enum class Outcome { AlreadyThere, Written, Failed };

// Writes the shipped page and its pictures into DIR/Help unless DIR/Help/index.htm exists; files
// already in the folder are kept. On failure `error` says why.
Outcome installIfMissing(const QString &dir, QString *error = nullptr);

} // namespace helppage
