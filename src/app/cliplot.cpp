// palumaro --plot and --new-plot: a saved plot, or a quick plot of plot data,
// drawn by the plot windows' own renderer into an image, a PDF page or a table
// of its values, without a window.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdio>

#include "app/cli.h"
#include "plot/axes.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/plotexport.h"
#include "plot/plotrender.h"
#include "plot/plottext.h"
#include "plot/pmxfile.h"
#include "shell/qtbytes.h"

namespace cli {

namespace {

// The plot drawn as the window draws it, on white, in an image just large
// enough for everything it covers (at least the window's first size).
QImage renderImage(const plot::PlotDocument& doc) {
    const plot::PlotView view;
    QRect extent;
    {
        // A first drawing learns the extent of labels and legend.
        QImage scratch(2000, 1600, QImage::Format_RGB32);
        QPainter p(&scratch);
        extent = plot::PlotRenderer::render(p, doc, view, plot::RenderTarget{}).dataExtent;
    }
    const QSize size(std::max(500, extent.right() + 50), std::max(340, extent.bottom() + 50));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    plot::PlotRenderer::render(p, doc, view, plot::RenderTarget{});
    return image;
}

void writePng(const plot::PlotDocument& doc, const QString& out) {
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || !renderImage(doc).save(&file, "PNG") || !file.commit())
        throw Failure(out + QStringLiteral(": cannot write: ") + file.errorString());
}

void writePdf(const plot::PlotDocument& doc, const QString& out) {
    const QImage probe = renderImage(doc);  // the size the drawing needs
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly)) throw Failure(out + QStringLiteral(": cannot write: ") + file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(600);
        pdf.setTitle(plot::plotString(doc.caption));
        QPainter p(&pdf);
        // Vector drawing scaled to fill the page's width or height.
        const double scale = std::min(pdf.width() / double(probe.width()), pdf.height() / double(probe.height()));
        p.scale(scale, scale);
        plot::PlotRenderer::render(p, doc, plot::PlotView{}, plot::RenderTarget{});
    }
    if (!file.commit()) throw Failure(out + QStringLiteral(": cannot write: ") + file.errorString());
}

// One pair of columns per curve (its X and Y names as the header); shorter
// curves leave their cells empty. Values are written exactly (17 digits).
void writeCsv(const plot::PlotDocument& doc, const QString& out) {
    QByteArray text;
    const auto quoted = [](const std::string& s) {
        QByteArray q = QByteArray::fromStdString(s);
        q.replace('"', "\"\"");
        return '"' + q + '"';
    };
    std::size_t rows = 0;
    for (int c = 0; c < doc.record.curveCount(); ++c) {
        const auto& curve = doc.record.curves[std::size_t(c)];
        if (c) text += ',';
        text += quoted(curve.xName) + ',' + quoted(curve.yName);
        rows = std::max(rows, std::min(curve.x.size(), curve.y.size()));
    }
    text += "\r\n";
    char buf[64];
    for (std::size_t r = 0; r < rows; ++r) {
        for (int c = 0; c < doc.record.curveCount(); ++c) {
            const auto& curve = doc.record.curves[std::size_t(c)];
            if (c) text += ',';
            if (r < curve.x.size() && r < curve.y.size()) {
                std::snprintf(buf, sizeof buf, "%.17g,%.17g", curve.x[r], curve.y[r]);
                text += buf;
            } else {
                text += ',';
            }
        }
        text += "\r\n";
    }
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Failure(out + QStringLiteral(": cannot write: ") + file.errorString());
}

// Writes the plot in the format of the one output option given.
int writeOutputs(const plot::PlotDocument& doc, const Options& o, const QString& command) {
    int written = 0;
    for (const auto& [name, out] : o.pairs) {
        if (name == QLatin1String("--png"))
            writePng(doc, out);
        else if (name == QLatin1String("--pdf"))
            writePdf(doc, out);
        else if (name == QLatin1String("--csv"))
            writeCsv(doc, out);
        else if (name == QLatin1String("--svg"))
            plot::exportPlot(doc, plot::PlotView{}, plot::ExportFormat::Svg, out);
        else
            continue;
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
                                    QStringLiteral("--csv")});
    const plot::PlotDocument doc = plot::readPmx(toBytes(o.positional));
    return writeOutputs(doc, o, QStringLiteral("--plot"));
}

int renderNewPlot(const QStringList& arguments) {
    const Options o = parseOptions(QStringLiteral("--new-plot"), arguments,
                                   {QStringLiteral("--x"), QStringLiteral("--y"), QStringLiteral("--png"),
                                    QStringLiteral("--svg"), QStringLiteral("--pdf"), QStringLiteral("--csv")});
    if (o.value(QStringLiteral("--x")).isEmpty() || o.value(QStringLiteral("--y")).isEmpty())
        throw Failure(QStringLiteral("--new-plot needs --x COL and --y COL[,COL...]"), 2);
    const plot::PlotDataTable data = plot::ReadPlt(toBytes(o.positional));
    if (data.rowCount < 1) throw Failure(o.positional + QStringLiteral(" holds no rows"));

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
    // The plot setup's defaults, the first curve in blue so that it stands
    // apart from the black frame; a legend when there are several curves.
    plot::addCurves(doc.record, data, x, ys, plot::RowRange{1, data.rowCount}, plot::CurveStyle{1, 1, 1, false});
    doc.record.legend = ys.size() > 1;
    return writeOutputs(doc, o, QStringLiteral("--new-plot"));
}

}  // namespace cli
