// Plot export below the windows: the plot drawn by the same renderer as the
// window and the printer into a PNG image, an SVG drawing or a one-page PDF,
// and its curves as a CSV table. The plot window, its clipboard commands and
// the command line all call these.
#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

#include "plot/plotrender.h"

class QPainter;

namespace plot {

enum class ExportFormat { Png, Svg, Pdf, Csv };

// The format a file name asks for by its extension (any case); none for others.
std::optional<ExportFormat> exportFormatOf(const QString& path);

// The window-pixel area a drawing of the plot covers (labels, titles and
// legend included) with a small margin: the view's last screen drawing, or a
// measuring drawing when the view has not been drawn yet.
QRect plotExtent(const PlotDocument& doc, const PlotView& view);
// The natural pixel size of an exported image: the extent's size.
QSize naturalSize(const PlotDocument& doc, const PlotView& view = PlotView());

// Draws the plot scaled to fit the target rectangle (on white, centred).
void renderInto(QPainter& painter, const PlotDocument& doc, const PlotView& view, const QRect& target);
// The plot as an image of the given size (empty size: natural size).
QImage plotImage(const PlotDocument& doc, const PlotView& view, QSize size = QSize());

// Writes the plot (PNG, SVG, PDF) or its curves (CSV) to path through a
// temporary file renamed over it. size: pixels of a PNG and the drawing size of
// SVG and PDF; empty for the natural size. The view gives the frame and any
// zoom (a default view: the plot as a new window shows it). Throws pal::IoError.
void exportPlot(const PlotDocument& doc, const PlotView& view, ExportFormat format, const QString& path,
                QSize size = QSize());

}  // namespace plot
