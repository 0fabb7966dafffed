#include "diagram/diagramf.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "diagram/diagramscale.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/printlayout.h"
#include "diagram/wmffile.h"
#include "diagram/wmfplayer.h"

// The picture inside the scroll box, sized to its content.
class TPictureView : public QWidget {
public:
    explicit TPictureView(const TDiagramForm& form, QWidget* parent) : QWidget(parent), form_(form) {
        setObjectName(QStringLiteral("Image"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        form_.drawPicture(p, QRectF(rect()));
    }

private:
    const TDiagramForm& form_;
};

namespace {


[[noreturn]] void invalidPicture(const QString& path, const QString& why) {
    throw pal::IoError(0, toBytes(path), toBytes("Invalid picture: " + why));
}

}  // namespace

TDiagramForm::TDiagramForm(QWidget* parent) : TDocWindow(Kind::Diagram, parent) {
    setWindowTitle(QStringLiteral("Diagram"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("ScrollBox"));
    scroll_->setWidgetResizable(false);
    view_ = new TPictureView(*this, scroll_);
    view_->resize(0, 0);
    scroll_->setWidget(view_);
    layout->addWidget(scroll_);
}

TDiagramForm::~TDiagramForm() = default;

void TDiagramForm::FormActivate() { setTag(Kind::Diagram); }

int TDiagramForm::screenPpi() const {
    if (screenPpi_ > 0) return screenPpi_;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? std::max(1, static_cast<int>(std::lround(s->logicalDotsPerInchY()))) : 96;
}

bool TDiagramForm::hasPicture() const { return player_ || !image_.isNull(); }

QSize TDiagramForm::pictureSize() const { return size_; }

void TDiagramForm::loadPicture(const QString& path) {
    std::string bytes = pal::readFileBytes(toBytes(path));
    const QByteArray original(bytes.data(), static_cast<qsizetype>(bytes.size()));
    std::unique_ptr<TWmfPlayer> player;
    QImage image;
    QByteArray format;
    QSize size;
    if (pal::WmfFile::looksLikeWmf(bytes)) {
        pal::WmfFile file = pal::WmfFile::parse(std::move(bytes), toBytes(path));
        const pal::WmfFile::Size s = file.pixelSize(screenPpi());
        size = QSize(s.width, s.height);
        player = std::make_unique<TWmfPlayer>(std::move(file));
        player->setNaturalSize(QSizeF(size));
    } else {
        QBuffer buffer;
        buffer.setData(original);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        format = reader.format();
        if (format.isEmpty()) invalidPicture(path, QStringLiteral("not a bitmap or metafile"));
        const QSize declared = reader.size();
        if (declared.width() > pal::WmfFile::kMaxPixels || declared.height() > pal::WmfFile::kMaxPixels)
            invalidPicture(path, QStringLiteral("the picture is too large"));
        // The reader fills a cut-off bitmap with black without a word: its
        // header must promise no more pixels than the file holds.
        if (format == "bmp" && (original.size() < 14 || !pal::dibToBmp(std::string_view(original.constData() + 14,
                                                                                      static_cast<std::size_t>(original.size() - 14)))))
            invalidPicture(path, QStringLiteral("the bitmap is truncated or damaged"));
        if (!reader.read(&image)) invalidPicture(path, reader.errorString());
        size = image.size();
    }
    if (size.isEmpty()) invalidPicture(path, QStringLiteral("the picture has no size"));
    player_ = std::move(player);
    image_ = std::move(image);
    format_ = format;
    original_ = original;
    size_ = size;
    picturePath_ = path;
    view_->resize(size_);
    view_->update();
}

void TDiagramForm::drawPicture(QPainter& painter, const QRectF& target) const {
    if (player_) {
        player_->play(painter, target);
    } else if (!image_.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image_);
        painter.restore();
    }
}

QImage TDiagramForm::renderPicture() const {
    if (!hasPicture()) return {};
    QImage img(size_, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    drawPicture(p, QRectF(QPointF(0, 0), QSizeF(size_)));
    return img;
}

void TDiagramForm::savePicture(const QString& path) {
    if (!hasPicture()) throw pal::IoError(0, toBytes(path), "There is no picture to save");
    QByteArray out = original_;
    if (!player_) {
        const QByteArray wanted = QFileInfo(path).suffix().toLower().toLatin1();
        const bool sameFormat = wanted == format_ || (wanted == "jpg" && format_ == "jpeg") ||
                                (wanted == "jpeg" && format_ == "jpg") || (wanted == "tif" && format_ == "tiff");
        if (!wanted.isEmpty() && !sameFormat && QImageWriter::supportedImageFormats().contains(wanted)) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, wanted);
            if (!writer.write(image_))
                throw pal::IoError(0, toBytes(path), toBytes(writer.errorString()));
            out = buffer.data();
        }
    }
    pal::replaceFile(toBytes(path), std::string_view(out.constData(), static_cast<std::size_t>(out.size())));
}

void TDiagramForm::Print(PrintContext& ctx) {
    if (!hasPicture()) return;
    const pal::DiagramPrintSize s =
        pal::diagramPrintSize(size_.width(), size_.height(), ctx.M, screenPpi(), ctx.lineHeight);
    // Like a plot, a picture that does not fit below the last line starts a
    // new page (unless it already stands at the top of one).
    if (ctx.printing && pal::plotNeedsNewPage(ctx.y, s.height, ctx.pageHeight, ctx.M) &&
        ctx.y > ctx.M + ctx.lineHeight) {
        ctx.y = pal::forcedBreakY(ctx.pageHeight, ctx.M);
        ctx.NewLine(1);
    }
    ctx.beginOutput();
    if (ctx.canvas) {
        ctx.canvas->save();
        drawPicture(*ctx.canvas, QRectF(ctx.leftMargin, ctx.y, s.width, s.height));
        ctx.canvas->restore();
    }
    ctx.NewLine(s.lines);
}
