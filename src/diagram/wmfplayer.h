// TWmfPlayer: draws a parsed Windows metafile with QPainter, so the same playing
// serves the diagram window, a QImage in a test and the printer page. It knows
// the drawing records of ordinary diagrams (pens, brushes, fonts, lines, shapes,
// text, device-independent bitmaps, saved states) and skips the others.
#pragma once
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QSizeF>

#include "diagram/wmffile.h"

class QPainter;

class TWmfPlayer {
public:
    explicit TWmfPlayer(pal::WmfFile file);

    const pal::WmfFile& file() const { return file_; }
    // The picture's size in pixels as the window shows it unscaled (by default
    // its size at 96 pixels per inch): pen dashes and pixel-sized bitmaps keep
    // their length relative to it when the picture is drawn larger or smaller.
    void setNaturalSize(QSizeF size) { natural_ = size; }
    // Plays the records with the picture's frame mapped onto target (in the
    // painter's current coordinates); drawing stays inside target.
    void play(QPainter& painter, const QRectF& target) const;
    // The picture drawn on a white image of the given size.
    QImage render(const QSize& size) const;

private:
    void playDirect(QPainter& painter, const QRectF& target) const;

    pal::WmfFile file_;
    QSizeF natural_;
    bool rasterOps_ = false;  // raster modes that combine with what is drawn occur
    // The bitmaps of the bitmap records, decoded once, by record number, and
    // whether each is stored bottom-up (for StretchDIBits' source rectangle).
    QHash<int, QImage> bitmaps_;
    QHash<int, bool> bottomUp_;
};
