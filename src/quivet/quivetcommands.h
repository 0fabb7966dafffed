// The QUIVET form windows that file dispatch opens, and the QUIVET menu's
// Make QUIVET file.
#pragma once

class Workbench;

namespace quivet {

// Registers the QUIVET form window factory at start-up.
void install(Workbench& bench);

void MakeQUIVETfile(Workbench& bench);

}  // namespace quivet
