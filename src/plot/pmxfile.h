// The saved-plot file (.PMX): the window caption, the PlotRecord and each
// curve's slot and values, byte for byte.
#pragma once
#include <string>
#include <string_view>

#include "plot/plotrecord.h"

namespace plot {

struct PlotDocument {
    std::string caption;  // at most 255 characters in the file
    PlotRecord record;
};

// The file's bytes for a document.
std::string encodePmx(const PlotDocument& doc);
// Reads a document from the file's bytes. Throws pal::IoError (path only for
// the message) when the file is shorter than its contents say or damaged.
PlotDocument decodePmx(std::string_view bytes, const std::string& path);

// Writes through a temporary file renamed over the target. Throws pal::IoError.
void writePmx(const std::string& path, const PlotDocument& doc);
PlotDocument readPmx(const std::string& path);

}  // namespace plot
