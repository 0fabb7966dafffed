#include "shell/qtbytes.h"
#include "plot/plotexport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cerrno>

#include "common/ioerror.h"
#include "plot/curvetable.h"
#include "plot/plottext.h"

namespace plot {

namespace {

constexpr int kMargin = 10;  // window pixels around the drawn extent

[[noreturn]] void fail(const QString& path, const QString& why) {
    // Qt's wording, without a system error number that may not be the cause.
    throw pal::IoError(0, toBytes(path), toBytes(why));
}

void commit(QSaveFile& file, const QString& path) {
    if (!file.commit()) fail(path, file.errorString());
}

void open(QSaveFile& file, const QString& path) {
    // Written in place where the directory does not let a new file be made.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) fail(path, file.errorString());
}

}  // namespace

std::optional<ExportFormat> exportFormatOf(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("png")) return ExportFormat::Png;
    if (ext == QLatin1String("svg")) return ExportFormat::Svg;
    if (ext == QLatin1String("pdf")) return ExportFormat::Pdf;
    if (ext == QLatin1String("csv")) return ExportFormat::Csv;
    return std::nullopt;
}

std::optional<QSize> parseImageSize(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,6})\\s*[xX*\\x{00D7}]\\s*(\\d{1,6})\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    return QSize(m.captured(1).toInt(), m.captured(2).toInt());
}

QString imageSizeProblem(const QSize& size) {
    constexpr int kSmallest = 16, kLargest = 10000;
    constexpr qint64 kMostPixels = 40'000'000;
    if (size.width() < kSmallest || size.height() < kSmallest || size.width() > kLargest || size.height() > kLargest)
        return QStringLiteral("%1 x %2 is not an image size to export: width and height must each be %3 to %4 pixels")
            .arg(size.width()).arg(size.height()).arg(kSmallest).arg(kLargest);
    if (qint64(size.width()) * size.height() > kMostPixels)
        return QStringLiteral("%1 x %2 pixels is too large an image to export (at most %3 million pixels, such as 8000 x 5000)")
            .arg(size.width()).arg(size.height()).arg(kMostPixels / 1'000'000);
    return {};
}

QRect plotExtent(const PlotDocument& doc, const PlotView& view) {
    QRect extent = view.dataExtent;
    if (!extent.isValid()) {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter p(&probe);
        RenderTarget layout;
        layout.layoutOnly = true;
        extent = PlotRenderer::render(p, doc, view, layout).dataExtent;
    }
    return extent.adjusted(-kMargin, -kMargin, kMargin, kMargin);
}

QSize naturalSize(const PlotDocument& doc, const PlotView& view) { return plotExtent(doc, view).size(); }

bool renderInto(QPainter& painter, const PlotDocument& doc, const PlotView& view, const QRect& target,
                const std::function<bool(double)>& progress) {
    const QRect extent = plotExtent(doc, view);
    const double scale = std::min(double(target.width()) / extent.width(), double(target.height()) / extent.height());
    const QPoint origin = target.topLeft() + QPoint(static_cast<int>((target.width() - extent.width() * scale) / 2),
                                                    static_cast<int>((target.height() - extent.height() * scale) / 2));
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target);
    painter.setRenderHint(QPainter::TextAntialiasing);
    RenderTarget t;
    t.scale = scale;
    t.placement = RenderTarget::Placement{extent, origin};
    t.progress = progress;
    const bool done = !PlotRenderer::render(painter, doc, view, t).cancelled;
    painter.restore();
    return done;
}

QImage plotImage(const PlotDocument& doc, const PlotView& view, QSize size, const std::function<bool(double)>& progress) {
    if (size.isEmpty()) size = naturalSize(doc, view);
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    if (!renderInto(p, doc, view, img.rect(), progress)) return QImage();
    return img;
}

bool exportPlot(const PlotDocument& doc, const PlotView& view, ExportFormat format, const QString& path, QSize size,
                const std::function<bool(double)>& progress) {
    if (size.isEmpty()) size = naturalSize(doc, view);
    if (format == ExportFormat::Png) {
        const QString problem = imageSizeProblem(size);
        if (!problem.isEmpty()) throw pal::IoError(0, toBytes(path), toBytes(problem));
    }
    QSaveFile file(path);
    open(file, path);
    switch (format) {
    case ExportFormat::Png: {
        const QImage img = plotImage(doc, view, size, progress);
        if (img.isNull()) return false;  // stopped: the old file stays as it was
        if (!img.save(&file, "PNG")) fail(path, file.errorString());
        break;
    }
    case ExportFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setResolution(96);  // text sizes as on the screen the layout was measured on
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(plotString(doc.caption));
        svg.setDescription(QStringLiteral("PALUMARO plot"));
        QPainter p;
        if (!p.begin(&svg)) fail(path, file.errorString());
        const bool done = renderInto(p, doc, view, QRect(QPoint(0, 0), size), progress);
        p.end();
        if (!done) return false;
        break;
    }
    case ExportFormat::Pdf: {
        // One page of the plot's own size (window pixels at 96 per inch), drawn
        // at the resolution of a printer.
        QPdfWriter pdf(&file);
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96), QPageSize::Point,
                                  QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(plotString(doc.caption));
        pdf.setCreator(QStringLiteral("PALUMARO"));
        QPainter p;
        if (!p.begin(&pdf)) fail(path, file.errorString());
        const bool done = renderInto(p, doc, view, QRect(0, 0, pdf.width(), pdf.height()), progress);
        p.end();
        if (!done) return false;
        break;
    }
    case ExportFormat::Csv: {
        const std::string text = curveTable(doc.record, CurveTableOptions{});
        if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
            fail(path, file.errorString());
        break;
    }
    }
    commit(file, path);
    return true;
}

}  // namespace plot
