// Placeholder bodies until the plot subsystem is built; replaced by that work.
#include "plot/plotcommands.h"

namespace plot {
void install(TPALUMAROFORM&) {}
void NewPlot(TPALUMAROFORM&) {}
void OverlayPlot(TPALUMAROFORM&) {}
void ModifyPlot(TPALUMAROFORM&) {}
}  // namespace plot
