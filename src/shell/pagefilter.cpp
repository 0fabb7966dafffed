#include "shell/pagefilter.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPainter>
#include <QPrinter>

// Hands every drawing on to a painter on the printer, with the state the job's
// painter had at that moment; on a page outside the range the state still
// follows and only the drawing is left out.
class PageFilter::Engine : public QPaintEngine {
public:
    Engine(QPrinter& printer, int first, int last)
        : QPaintEngine(QPaintEngine::AllFeatures), printer_(printer), first_(first), last_(last) {}

    bool begin(QPaintDevice*) override {
        page_ = 1;
        printed_ = 0;
        if (!target_.begin(&printer_)) return false;
        enterPage();
        return true;
    }
    bool end() override { return !target_.isActive() || target_.end(); }
    Type type() const override { return QPaintEngine::User; }

    void newPage() {
        ++page_;
        enterPage();
    }
    int printed() const { return printed_; }

    void updateState(const QPaintEngineState& s) override {
        const QPaintEngine::DirtyFlags f = s.state();
        if (f & DirtyPen) target_.setPen(s.pen());
        if (f & DirtyBrush) target_.setBrush(s.brush());
        if (f & DirtyBrushOrigin) target_.setBrushOrigin(s.brushOrigin());
        if (f & DirtyBackground) target_.setBackground(s.backgroundBrush());
        if (f & DirtyBackgroundMode) target_.setBackgroundMode(s.backgroundMode());
        if (f & DirtyFont) target_.setFont(s.font());
        // The transform first: a clip is given in the coordinates it was set in.
        if (f & DirtyTransform) target_.setTransform(s.transform());
        if (f & DirtyClipPath) target_.setClipPath(s.clipPath(), s.clipOperation());
        if (f & DirtyClipRegion) target_.setClipRegion(s.clipRegion(), s.clipOperation());
        if (f & DirtyClipEnabled) target_.setClipping(s.isClipEnabled());
        if (f & DirtyHints)
            for (const QPainter::RenderHint hint : {QPainter::Antialiasing, QPainter::TextAntialiasing, QPainter::SmoothPixmapTransform,
                                                    QPainter::LosslessImageRendering})
                target_.setRenderHint(hint, s.renderHints().testFlag(hint));
        if (f & DirtyCompositionMode) target_.setCompositionMode(s.compositionMode());
        if (f & DirtyOpacity) target_.setOpacity(s.opacity());
    }

    void drawRects(const QRectF* rects, int count) override {
        if (!drop_) target_.drawRects(rects, count);
    }
    void drawLines(const QLineF* lines, int count) override {
        if (!drop_) target_.drawLines(lines, count);
    }
    void drawEllipse(const QRectF& r) override {
        if (!drop_) target_.drawEllipse(r);
    }
    void drawPath(const QPainterPath& path) override {
        if (!drop_) target_.drawPath(path);
    }
    void drawPoints(const QPointF* points, int count) override {
        if (!drop_) target_.drawPoints(points, count);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (drop_) return;
        switch (mode) {
            case PolylineMode: target_.drawPolyline(points, count); break;
            case ConvexMode: target_.drawConvexPolygon(points, count); break;
            case WindingMode: target_.drawPolygon(points, count, Qt::WindingFill); break;
            default: target_.drawPolygon(points, count, Qt::OddEvenFill); break;
        }
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        if (!drop_) target_.drawPixmap(r, pm, sr);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap& pm, const QPointF& offset) override {
        if (!drop_) target_.drawTiledPixmap(r, pm, offset);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags flags) override {
        if (!drop_) target_.drawImage(r, image, sr, flags);
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        if (!drop_) target_.drawTextItem(p, item);
    }

private:
    void enterPage() {
        drop_ = page_ < first_ || page_ > last_;
        if (drop_) return;
        if (printed_ > 0) printer_.newPage();
        ++printed_;
    }

    QPrinter& printer_;
    QPainter target_;
    int first_, last_;
    int page_ = 1;
    int printed_ = 0;
    bool drop_ = false;
};

PageFilter::PageFilter(QPrinter& printer, int first, int last)
    : printer_(printer), engine_(std::make_unique<Engine>(printer, first, last)) {}

PageFilter::~PageFilter() = default;

QPaintEngine* PageFilter::paintEngine() const { return engine_.get(); }

void PageFilter::newPage() { engine_->newPage(); }

int PageFilter::pagesPrinted() const { return engine_->printed(); }

int PageFilter::metric(PaintDeviceMetric m) const {
    switch (m) {
        case PdmWidth: return printer_.width();
        case PdmHeight: return printer_.height();
        case PdmWidthMM: return printer_.widthMM();
        case PdmHeightMM: return printer_.heightMM();
        case PdmNumColors: return printer_.colorCount();
        case PdmDepth: return printer_.depth();
        case PdmDpiX: return printer_.logicalDpiX();
        case PdmDpiY: return printer_.logicalDpiY();
        case PdmPhysicalDpiX: return printer_.physicalDpiX();
        case PdmPhysicalDpiY: return printer_.physicalDpiY();
        case PdmDevicePixelRatio: return static_cast<int>(printer_.devicePixelRatio());
        case PdmDevicePixelRatioScaled: return static_cast<int>(printer_.devicePixelRatio() * devicePixelRatioFScale());
        default: return QPaintDevice::metric(m);
    }
}
