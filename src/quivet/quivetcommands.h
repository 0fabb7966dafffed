// The QUIVET form windows that file dispatch opens, and the QUIVET menu's
// Make QUIVET file.
#pragma once

class TPALUMAROFORM;

namespace quivet {

// Registers the QUIVET form window factory at start-up.
void install(TPALUMAROFORM& main);

void MakeQUIVETfile(TPALUMAROFORM& main);

}  // namespace quivet
