// PlotRenderer: draws one plot (frame, axes, ticks, labels, titles, curves,
// legend) with a QPainter, the same code for the window, an image and a page.
#pragma once
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "plot/plotzoom.h"
#include "plot/pmxfile.h"

class QPainter;
class QPolygon;
class QPaintDevice;
struct PrintContext;

namespace plot {

// A tick label as drawn: its text and the rectangle it covers (surface pixels).
struct DrawnLabel {
    bool xAxis = true;
    QString text;
    QRect rect;
};

// What one drawing covered (window pixels of the screen drawing).
struct RenderResult {
    QRect dataExtent;        // everything drawn; left invalid while printing
    int widestYLabel = 0;    // places the Y title
    QRect resizeHandle;      // 20 x 20 around the frame's bottom-right corner
    std::vector<DrawnLabel> labels;
    std::vector<QRect> legendEntries;  // each curve's legend entry (screen drawing)
    bool cancelled = false;            // the progress callback stopped the drawing
};

// The drawing state a plot window keeps between drawings (window pixels).
struct PlotView {
    int left = 100, top = 20, right = 400, bottom = 225;  // the frame of the axes
    QRect dataExtent;        // everything the last screen drawing covered
    int widestYLabel = 0;
    QRect resizeHandle;
    std::vector<DrawnLabel> labels;  // the tick labels of the last screen drawing
    std::vector<QRect> legendEntries;
    // The visible ranges of a zoomed view; none: the plot's stored limits. A view
    // only changes the drawing, never the plot.
    struct Zoom {
        AxisRange x, y;
        bool operator==(const Zoom&) const = default;
    };
    std::optional<Zoom> zoom;

    // The axes as this view draws them.
    AxisSettings axisX(const PlotRecord& r) const { return zoom ? zoomedAxis(r.x, zoom->x) : r.x; }
    AxisSettings axisY(const PlotRecord& r) const { return zoom ? zoomedAxis(r.y, zoom->y) : r.y; }
    // Whether an axis shows another range than the stored one (round ticks).
    bool zoomedX(const PlotRecord& r) const { return zoom && !(zoom->x == storedRange(r.x)); }
    bool zoomedY(const PlotRecord& r) const { return zoom && !(zoom->y == storedRange(r.y)); }
    AxisSpan spanX() const { return AxisSpan{left, right - left}; }
    AxisSpan spanY() const { return AxisSpan{bottom, top - bottom}; }

    QRect frame() const { return QRect(QPoint(left, top), QPoint(right, bottom)); }
    // Keeps what a screen drawing covered.
    void take(const RenderResult& r);
};

// Where a drawing goes: the screen (scale 1) or a printer page. While printing
// the frame is placed on the page at the print job's current line.
struct RenderTarget {
    double scale = 1.0;                // device pixels per window pixel
    PrintContext* print = nullptr;     // set while printing
    // Every point stroked and marked as it comes, without the reduction to what
    // the pixels can show (the reference the reduction is measured against).
    bool fullDetail = false;
    // Everything but the curves' values (frame, axes, titles, legend): what the
    // drawing covers, learnt without the cost of the curves.
    bool layoutOnly = false;
    // A surface of the plot's own (an exported image or page): the window-pixel
    // extent of the screen drawing is drawn, scaled, with its top-left at origin.
    struct Placement {
        QRect extent;
        QPoint origin;
    };
    std::optional<Placement> placement;
    // Long drawings report how far they are (0..1) before each curve and each
    // curve's symbols; false stops the drawing (an export the user cancelled).
    std::function<bool(double)> progress;
};

class PlotRenderer {
public:
    // Draws the plot and returns what the drawing covered. While printing the
    // page placement uses the view's data extent of the last screen drawing.
    static RenderResult render(QPainter& painter, const PlotDocument& doc, const PlotView& view, const RenderTarget& target);

    // The colour of a colour index (unknown indexes are black).
    static QColor PlotColor(int index);
    // Pens by pen code at a scale; line styles 0..3 of curves map to pen codes.
    static QPen plotPen(int penCode, int colorIndex, double scale);
    static int penCodeOfLineStyle(int lineStyle);  // 0 for no line
    // Draws symbol code n (16 and above wrap to 1..15) centred at (x, y).
    static void DrawSymbol(QPainter& painter, int code, int x, int y, int colorIndex, double scale);
    // The same symbol at every point. Unless fullDetail is set, a symbol is drawn
    // once per pixel (where it was drawn last) and not outside the clip region,
    // which gives the same picture.
    static void DrawSymbols(QPainter& painter, int code, const QPolygon& points, int colorIndex, double scale,
                            bool fullDetail = false);
    // The font of a font slot (face code 1, size, style bits) at a scale.
    static QFont plotFont(int faceCode, int size, int style, double scale);

    // The scale of a printed plot for a page and the window's client size.
    static double printScale(const PrintContext& ctx, int clientWidth, int clientHeight);
};

}  // namespace plot
