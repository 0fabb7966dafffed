// palumaro --plot and --new-plot: a saved plot, or a quick plot of plot data,
// written as an image, a drawing, a PDF page or a table of its values by the
// plot export service, without a window.
#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <utility>

#include "app/cli.h"
#include "plot/axes.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/plotexport.h"
#include "plot/plottext.h"
#include "plot/pmxfile.h"
#include "shell/qtbytes.h"

namespace cli {

namespace {

// Writes the plot into each output option given, through the export service the
// plot window's File > Export uses, as a new plot window would show it.
int writeOutputs(const plot::PlotDocument& doc, const Options& o, const QString& command) {
    static const std::pair<const char*, plot::ExportFormat> kOutputs[] = {{"--png", plot::ExportFormat::Png},
                                                                        {"--svg", plot::ExportFormat::Svg},
                                                                        {"--pdf", plot::ExportFormat::Pdf},
                                                                        {"--csv", plot::ExportFormat::Csv}};
    QStringList outputs;
    for (const auto& [name, out] : o.pairs)
        if (name != QLatin1String("--x") && name != QLatin1String("--y")) outputs << out;
    refuseOutputOverInput(command, {o.positional}, outputs);
    // --size WxH: the pixels of a PNG (the plot's natural size without it).
    QSize size;
    if (const QString text = o.value(QStringLiteral("--size")); !text.isEmpty()) {
        const auto asked = plot::parseImageSize(text);
        if (!asked) throw Failure(QStringLiteral("%1: --size wants WIDTHxHEIGHT in pixels, such as 1280x800, not '%2'").arg(command, text), 2);
        if (const QString problem = plot::imageSizeProblem(*asked); !problem.isEmpty())
            throw Failure(QStringLiteral("%1: %2").arg(command, problem), 2);
        size = *asked;
    }
    int written = 0;
    for (const auto& [name, out] : o.pairs) {
        const auto format = std::find_if(std::begin(kOutputs), std::end(kOutputs),
                                         [&](const auto& f) { return name == QLatin1String(f.first); });
        if (format == std::end(kOutputs)) continue;
        plot::exportPlot(doc, plot::PlotView{}, format->second, out,
                         format->second == plot::ExportFormat::Png ? size : QSize());  // pal::IoError: one line by the caller
        ++written;
    }
    if (!written) throw Failure(QStringLiteral("%1 needs an output (--png, --svg, --pdf or --csv)").arg(command), 2);
    return 0;
}

// A column by its name (letter case ignored) or its number (1 = first).
int findColumn(const plot::PlotDataTable& data, const QString& text, const QString& file) {
    for (int c = 0; c < data.columnCount(); ++c)
        if (toQ(data.names[std::size_t(c)]).trimmed().compare(text.trimmed(), Qt::CaseInsensitive) == 0) return c;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && n >= 1 && n <= data.columnCount()) return n - 1;
    throw Failure(QStringLiteral("%1 has no column %2").arg(file, text));
}

plot::AxisSettings proposedAxis(const std::vector<plot::ColumnRange>& ranges) {
    const plot::ScaleProposal p = plot::ScaleMinMax(ranges);
    plot::AxisSettings a;
    a.minimum = p.low;
    a.maximum = p.high;
    if (!(a.maximum > a.minimum)) a.maximum = a.minimum + 1;  // a constant column still gets an axis
    a.ticks = p.ticks.value_or(5);
    a.digits = static_cast<std::int16_t>(p.digits.value_or(0));
    a.style = 1;
    a.minorTicks = 1;
    return a;
}

}  // namespace

int renderSavedPlot(const QStringList& arguments) {
    const Options o = parseOptions(QStringLiteral("--plot"), arguments,
                                   {QStringLiteral("--png"), QStringLiteral("--svg"), QStringLiteral("--pdf"),
                                    QStringLiteral("--csv"), QStringLiteral("--size")});
    const plot::PlotDocument doc = plot::readPmx(toBytes(o.positional));
    return writeOutputs(doc, o, QStringLiteral("--plot"));
}

int renderNewPlot(const QStringList& arguments) {
    const Options o = parseOptions(QStringLiteral("--new-plot"), arguments,
                                   {QStringLiteral("--x"), QStringLiteral("--y"), QStringLiteral("--png"),
                                    QStringLiteral("--svg"), QStringLiteral("--pdf"), QStringLiteral("--csv"),
                                    QStringLiteral("--size")});
    if (o.value(QStringLiteral("--x")).isEmpty() || o.value(QStringLiteral("--y")).isEmpty())
        throw Failure(QStringLiteral("--new-plot needs --x COL and --y COL[,COL...]"), 2);
    const plot::PlotDataTable data = plot::ReadPlt(toBytes(o.positional));
    // Header lines alone read as one row of zeros: a curve of a point nobody wrote.
    if (data.rowsRead < 1)
        throw Failure(o.positional + QStringLiteral(" holds no rows of values: there is nothing to plot"), 2);

    const int x = findColumn(data, o.value(QStringLiteral("--x")), o.positional);
    std::vector<int> ys;
    for (const QString& y : o.value(QStringLiteral("--y")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ys.push_back(findColumn(data, y, o.positional));
    if (ys.empty()) throw Failure(QStringLiteral("--new-plot needs --y COL[,COL...]"), 2);
    if (static_cast<int>(ys.size()) > plot::kMaxCurves)
        throw Failure(QStringLiteral("a plot holds at most %1 curves").arg(plot::kMaxCurves));

    plot::PlotDocument doc;
    doc.caption = plot::plotBytes(QStringLiteral("Plot from ") + QFileInfo(o.positional).absoluteFilePath(), 255);
    doc.record.x = proposedAxis({{data.minimum[std::size_t(x)], data.maximum[std::size_t(x)]}});
    std::vector<plot::ColumnRange> yRanges;
    for (int y : ys) yRanges.push_back({data.minimum[std::size_t(y)], data.maximum[std::size_t(y)]});
    doc.record.y = proposedAxis(yRanges);
    // The plot setup's first choices (the first curve black, as in the window);
    // a legend when there are several curves.
    plot::addCurves(doc.record, data, x, ys, plot::RowRange{1, data.rowCount}, plot::CurveStyle{1, 1, 0, false});
    doc.record.legend = ys.size() > 1;
    return writeOutputs(doc, o, QStringLiteral("--new-plot"));
}

}  // namespace cli
