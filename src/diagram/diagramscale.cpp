#include "diagram/diagramscale.h"

#include <cmath>

namespace pal {

long double diagramPrintScale(int M, int screenPpi) {
    return screenPpi > 0 ? static_cast<long double>(M) / screenPpi : 0.0L;
}

DiagramPrintSize diagramPrintSize(int width, int height, int M, int screenPpi, int lineHeight) {
    const long double scale = diagramPrintScale(M, screenPpi);
    DiagramPrintSize s;
    // nearbyint rounds halves to even in the default rounding mode.
    s.width = static_cast<int>(std::nearbyint(width * scale));
    s.height = static_cast<int>(std::nearbyint(height * scale));
    s.lines = lineHeight > 0 ? s.height / lineHeight : 0;
    return s;
}

}  // namespace pal
