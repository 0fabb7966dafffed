// Plot export below the windows: the plot drawn by the same renderer as the
// window and the printer into a PNG image, an SVG drawing or a one-page PDF,
// and its curves as a CSV table. The plot window, its clipboard commands and
// the command line all call these.
#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "plot/plotrender.h"

class QPainter;

namespace plot {

enum class ExportFormat { Png, Svg, Pdf, Csv };

// The format a file name asks for by its extension (any case); none for others.
std::optional<ExportFormat> exportFormatOf(const QString& path);

// An image size as the user writes it: "1280x800", "1280 x 800" (x, X, * or ×).
std::optional<QSize> parseImageSize(const QString& text);
// Why an image of this size is refused (each side 16 to 10000 pixels, at most
// 40 million pixels, so that an image needs no more than 160 MB); empty when it
// is fine.
QString imageSizeProblem(const QSize& size);

// The window-pixel area a drawing of the plot covers (labels, titles and
// legend included) with a small margin: the view's last screen drawing, or a
// measuring drawing when the view has not been drawn yet.
QRect plotExtent(const PlotDocument& doc, const PlotView& view);
// The natural pixel size of an exported image: the extent's size.
QSize naturalSize(const PlotDocument& doc, const PlotView& view = PlotView());

// Draws the plot scaled to fit the target rectangle (on white, centred); false
// when progress stopped it.
bool renderInto(QPainter& painter, const PlotDocument& doc, const PlotView& view, const QRect& target,
                const std::function<bool(double)>& progress = {});
// The plot as an image of the given size (empty size: natural size); a null
// image when progress stopped it.
QImage plotImage(const PlotDocument& doc, const PlotView& view, QSize size = QSize(),
                 const std::function<bool(double)>& progress = {});

// Writes the plot (PNG, SVG, PDF) or its curves (CSV) to path through a
// temporary file renamed over it. size: pixels of a PNG and the drawing size of
// SVG and PDF; empty for the natural size. The view gives the frame and any
// zoom (a default view: the plot as a new window shows it). Throws pal::IoError.
// progress (when given) hears how far the drawing is (0..1) and may stop it:
// then nothing is written and the result is false.
bool exportPlot(const PlotDocument& doc, const PlotView& view, ExportFormat format, const QString& path,
                QSize size = QSize(), const std::function<bool(double)>& progress = {});

}  // namespace plot
