// The printed size of a diagram: the picture is scaled by M (the printer length of
// one inch) over the screen's pixels per inch, and the print position advances by
// the scaled height in whole lines.
#pragma once

namespace pal {

struct DiagramPrintSize {
    int width = 0;   // printer pixels, rounded to nearest (halves to even)
    int height = 0;
    int lines = 0;   // height / lineHeight, integer division (0 for a zero line height)
};

long double diagramPrintScale(int M, int screenPpi);
DiagramPrintSize diagramPrintSize(int width, int height, int M, int screenPpi, int lineHeight);

}  // namespace pal
