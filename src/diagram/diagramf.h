// TDiagramForm: the diagram window, a scroll box holding the picture of the
// simulated system: a bitmap (any raster format Qt reads) or a Windows metafile
// played by TWmfPlayer. It prints the picture scaled from screen to printer.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <memory>

#include "shell/docwindow.h"

class QPainter;
class QScrollArea;
class TWmfPlayer;
class TPictureView;

class TDiagramForm : public TDocWindow {
    Q_OBJECT
public:
    // Kind 8000, caption "Diagram".
    explicit TDiagramForm(QWidget* parent = nullptr);
    ~TDiagramForm() override;

    // Loads a bitmap or metafile (told apart by content, not by extension). A
    // file that cannot be read or is damaged throws pal::IoError and leaves the
    // window as it was.
    void loadPicture(const QString& path);
    bool hasPicture() const;
    bool isMetafile() const { return player_ != nullptr; }
    QSize pictureSize() const;  // pixels on the screen
    // Writes the picture: a metafile as its own bytes; a bitmap as its own bytes,
    // or converted when the name's extension names another raster format Qt
    // writes. Throws pal::IoError.
    void savePicture(const QString& path);
    // Save as of the main window: writes the picture.
    void saveTo(const QString& path) override { savePicture(path); }
    // The picture's file, which Save as proposes.
    QString documentName() const override { return picturePath_; }
    // Save as writes the picture under the chosen name; the window keeps its caption.
    bool saveAs(const QString& suggestedName) override {
        const auto name = askSaveName(QStringLiteral("Save as"), suggestedName, QString());
        return name && reportFailure([&] { savePicture(*name); });
    }
    // The picture drawn at its size on white (what the window shows).
    QImage renderPicture() const;
    // Draws the picture into a rectangle of any painter.
    void drawPicture(QPainter& painter, const QRectF& target) const;

    void Print(PrintContext& ctx) override;
    void FormActivate() override;

    // Screen pixels per inch for printing and for metafile sizes; 0 (the default)
    // asks the screen.
    void setScreenPpi(int ppi) { screenPpi_ = ppi; }
    int screenPpi() const;

    QScrollArea* scrollBox() const { return scroll_; }

private:
    QScrollArea* scroll_{nullptr};
    TPictureView* view_{nullptr};
    QImage image_;
    std::unique_ptr<TWmfPlayer> player_;
    QSize size_;
    QByteArray original_;  // the file's bytes, for Save as
    QString picturePath_;  // the file it was read from
    QByteArray format_;    // the raster format read ("bmp", "png", ...)
    int screenPpi_ = 0;
};
