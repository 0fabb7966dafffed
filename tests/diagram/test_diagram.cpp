// The diagram window and the metafile player: metafiles built byte by byte are
// played and their pixels checked (shapes, mapping, objects, saved states, text,
// bitmaps); damaged pictures give an error and leave the window as it was;
// bitmaps load; Save as writes the picture; printing scales from screen to printer.
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPicture>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "common/ioerror.h"
#include "diagram/diagramf.h"
#include "shell/printcontext.h"
#include "diagram/wmffile.h"
#include "diagram/wmfplayer.h"
#include "support/testsupport.h"
#include "wmfbuilder.h"

using testsupport::readFile;
using testsupport::writeFile;
using wmftest::Builder;
namespace wmf = pal::wmf;

namespace {

QByteArray qbytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string pen(int style, int width, int r, int g, int b) {
    return Builder::w16(style) + Builder::w16(width) + Builder::w16(0) + Builder::color(r, g, b);
}
std::string brush(int style, int r, int g, int b, int hatch = 0) {
    return Builder::w16(style) + Builder::color(r, g, b) + Builder::w16(hatch);
}

// A 100 x 100 pixel picture (at 96 ppi) whose logical space is 1000 x 1000.
Builder picture() {
    Builder b = Builder::placeable(0, 0, 1000, 1000, 960);
    b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {1000, 1000});
    return b;
}

QImage play(const Builder& b, QSize size = QSize(100, 100)) {
    return TWmfPlayer(pal::WmfFile::parse(b.bytes())).render(size);
}

bool near(QRgb a, QColor b) {
    return std::abs(qRed(a) - b.red()) < 40 && std::abs(qGreen(a) - b.green()) < 40 && std::abs(qBlue(a) - b.blue()) < 40;
}

}  // namespace

class TestDiagram : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir_;
    QString path(const QString& name) const { return dir_ + "/" + name; }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }

    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    // ---- the player

    void shapesWithPensAndBrushes() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));          // 0: no pen
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 255, 0, 0));       // 1: red
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));       // 2: blue
        b.recBytes(wmf::CreatePenIndirect, pen(0, 0, 0, 160, 0));        // 3: green line
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::Rectangle, {500, 500, 100, 100});  // bottom, right, top, left
        b.rec(wmf::SelectObject, {2});
        b.rec(wmf::Ellipse, {900, 900, 600, 600});
        b.rec(wmf::SelectObject, {3});
        b.rec(wmf::MoveTo, {50, 0}).rec(wmf::LineTo, {50, 1000});  // y, x: a horizontal line at y 50
        b.rec(wmf::Polygon, {3, 100, 600, 400, 600, 100, 900});    // count, then x, y pairs
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(30, 30), Qt::red));
        QVERIFY(near(img.pixel(75, 75), Qt::blue));
        QVERIFY(near(img.pixel(62, 62), Qt::white));  // the ellipse's corner stays white
        QVERIFY(near(img.pixel(5, 30), Qt::white));
        QVERIFY(near(img.pixel(30, 5), QColor(0, 160, 0)));
        QVERIFY(near(img.pixel(15, 65), Qt::blue));    // the polygon uses the blue brush
        QVERIFY(near(img.pixel(35, 85), Qt::white));   // outside the triangle
    }

    void windowAndViewportMapping() {
        // A window shifted and flipped: logical y grows upwards from the bottom.
        Builder b = Builder::placeable(0, 0, 1000, 1000, 960);
        b.rec(wmf::SetWindowOrg, {1000, 0}).rec(wmf::SetWindowExt, {-1000, 1000});
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::Rectangle, {200, 200, 0, 0});  // logical 0..200 from the bottom left
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(10, 90), Qt::black));
        QVERIFY(near(img.pixel(10, 10), Qt::white));
        // Drawn into a larger target the picture scales with it.
        const QImage big = play(b, QSize(400, 200));
        QVERIFY(near(big.pixel(40, 190), Qt::black));
        QVERIFY(near(big.pixel(90, 190), Qt::white));
    }

    void objectSlotsAreReused() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));     // slot 0
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 255, 0, 0));  // slot 1: red
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));  // slot 2: blue
        b.rec(wmf::DeleteObject, {1});
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 200, 0));  // takes slot 1: green
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::Rectangle, {1000, 1000, 0, 0});
        b.eof();
        QVERIFY(near(play(b).pixel(50, 50), QColor(0, 200, 0)));
    }

    void savedStatesComeBack() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 255, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::SaveDC, {});
        b.rec(wmf::SelectObject, {2});
        b.rec(wmf::SetWindowExt, {2000, 2000});
        b.rec(wmf::IntersectClipRect, {100, 100, 0, 0});
        b.rec(wmf::RestoreDC, {-1});
        b.rec(wmf::Rectangle, {500, 500, 0, 0});
        b.rec(wmf::RestoreDC, {-5});  // nothing saved any more: ignored
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(40, 40), Qt::red));  // red brush, full scale, no clip
        QVERIFY(near(img.pixel(60, 60), Qt::white));
    }

    void clipRectanglesLimitDrawing() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::IntersectClipRect, {500, 500, 0, 0});
        b.rec(wmf::ExcludeClipRect, {300, 300, 0, 0});
        b.rec(wmf::Rectangle, {1000, 1000, 0, 0});
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(40, 40), Qt::black));
        QVERIFY(near(img.pixel(10, 10), Qt::white));
        QVERIFY(near(img.pixel(70, 70), Qt::white));
    }

    void textIsDrawnWithTheSelectedFont() {
        Builder b = picture();
        std::string font = Builder::w16(-200) + Builder::w16(0) + Builder::w16(0) + Builder::w16(0) + Builder::w16(700);
        font += std::string("\0\0\0\0\0\0\0\x20", 8) + std::string("Arial") + std::string(27, '\0');
        b.recBytes(wmf::CreateFontIndirect, font);
        b.rec(wmf::SelectObject, {0});
        b.recBytes(wmf::SetTextColor, Builder::color(200, 0, 0));
        b.rec(wmf::SetBkMode, {1});
        b.recBytes(wmf::TextOut, Builder::w16(4) + "MMMM" + Builder::w16(300) + Builder::w16(100));  // y 300, x 100
        b.rec(wmf::SetTextAlign, {2});  // right
        b.recBytes(wmf::ExtTextOut, Builder::w16(700) + Builder::w16(900) + Builder::w16(3) + Builder::w16(0) + "MMM");
        b.eof();
        const QImage img = play(b);
        const auto redIn = [&](QRect r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (qRed(img.pixel(x, y)) > 120 && qGreen(img.pixel(x, y)) < 100) ++n;
            return n;
        };
        QVERIFY(redIn(QRect(10, 30, 60, 20)) > 20);  // top-left aligned at (10, 30)
        QVERIFY(redIn(QRect(0, 0, 100, 29)) == 0);
        QVERIFY(redIn(QRect(45, 70, 45, 20)) > 20);  // right-aligned, ending at x 90
        QVERIFY(redIn(QRect(91, 60, 9, 40)) == 0);
    }

    void bitmapRecordsAreDrawn() {
        Builder b = picture();
        // StretchDIBits of a 2 x 2 green bitmap into the left half.
        b.recBytes(wmf::StretchDib, Builder::w32(0x00CC0020) + Builder::w16(0) + Builder::w16(2) + Builder::w16(2) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::w16(1000) + Builder::w16(500) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::dib24(2, 2, 0, 200, 0));
        // DibStretchBlt of a magenta bitmap into the lower right quarter.
        b.recBytes(wmf::DibStretchBlt, Builder::w32(0x00CC0020) + Builder::w16(3) + Builder::w16(3) + Builder::w16(0) +
                                          Builder::w16(0) + Builder::w16(500) + Builder::w16(500) + Builder::w16(500) +
                                          Builder::w16(500) + Builder::dib24(3, 3, 255, 0, 255));
        // A damaged bitmap is skipped.
        b.recBytes(wmf::StretchDib, Builder::w32(0x00CC0020) + std::string(18, '\0') + Builder::w32(999));
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(20, 50), QColor(0, 200, 0)));
        QVERIFY(near(img.pixel(75, 75), QColor(255, 0, 255)));
        QVERIFY(near(img.pixel(75, 25), Qt::white));
    }

    void unknownRecordsAreSkipped() {
        Builder b = picture();
        b.rec(0x0626, {1, 2, 3, 4});      // escape
        b.rec(0x0F00, {});                 // no such record
        b.rec(wmf::Rectangle, {1, 2});     // too short to draw
        b.rec(wmf::Polygon, {30000, 1, 2});  // more points than the record has
        b.rec(wmf::SelectObject, {999});
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));
        b.rec(wmf::SelectObject, {0});
        b.rec(wmf::Rectangle, {1000, 1000, 0, 0});
        b.eof();
        QVERIFY(near(play(b).pixel(50, 50), Qt::black));
    }

    // Runs of the pen's colour along row y: the first dash and gap lengths.
    static QList<int> runs(const QImage& img, int y, int from, int count) {
        QList<int> out;
        bool on = true;
        int n = 0;
        for (int x = from; x < img.width() && out.size() < count; ++x) {
            const bool dark = qGray(img.pixel(x, y)) < 128;
            if (dark == on) {
                ++n;
            } else {
                out << n;
                n = 1;
                on = dark;
            }
        }
        if (out.size() < count && n) out << n;
        return out;
    }

    void penStylesDashAtThePictureScale() {
        Builder b = Builder::placeable(0, 0, 2000, 1000, 960);  // 200 x 100 pixels
        b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {1000, 2000});
        b.rec(wmf::SetBkMode, {1});
        for (int style = 1; style <= 4; ++style) b.recBytes(wmf::CreatePenIndirect, pen(style, 0, 0, 0, 0));
        b.recBytes(wmf::CreatePenIndirect, pen(1, 30, 0, 0, 0));  // wide: drawn solid
        for (int k = 0; k < 5; ++k) {
            b.rec(wmf::SelectObject, {k});
            b.rec(wmf::MoveTo, {100 + 200 * k, 0}).rec(wmf::LineTo, {100 + 200 * k, 2000});
        }
        b.eof();
        const auto bytes = b.bytes();
        const QImage img = TWmfPlayer(pal::WmfFile::parse(bytes)).render(QSize(200, 100));
        QCOMPARE(runs(img, 10, 0, 2), QList<int>({18, 6}));
        QCOMPARE(runs(img, 30, 0, 2), QList<int>({3, 3}));
        QCOMPARE(runs(img, 50, 0, 4), QList<int>({9, 6, 3, 6}));
        QCOMPARE(runs(img, 70, 0, 6), QList<int>({9, 3, 3, 3, 3, 3}));
        QCOMPARE(runs(img, 90, 0, 1), QList<int>({200}));
        // Drawn twice as large, the dashes grow with the picture.
        const QImage big = TWmfPlayer(pal::WmfFile::parse(bytes)).render(QSize(400, 200));
        QCOMPARE(runs(big, 20, 0, 2), QList<int>({36, 12}));
        // A picture shown at its size on another screen keeps its own dash lengths.
        TWmfPlayer shown(pal::WmfFile::parse(bytes));
        shown.setNaturalSize(QSizeF(250, 125));
        QCOMPARE(runs(shown.render(QSize(250, 125)), 12, 0, 2), QList<int>({18, 6}));
    }

    // A styled pen's width is judged in device pixels: at 20 units a pixel, a
    // pen 10 units wide is half a pixel and dashes (GDI draws styles up to one
    // device pixel); 20 units is one pixel, still dashed; 60 units, 3 pixels,
    // solid. Dashes never shrink below their device length in a small view.
    void styledPensByTheirDeviceWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("dashes");
        QTest::newRow("half a pixel") << 10 << QSize(200, 100) << QList<int>({18, 6});
        QTest::newRow("one pixel") << 20 << QSize(200, 100) << QList<int>({18, 6});
        QTest::newRow("three pixels") << 60 << QSize(200, 100) << QList<int>({200});
        QTest::newRow("small view") << 0 << QSize(100, 50) << QList<int>({18, 6});
    }
    void styledPensByTheirDeviceWidth() {
        QFETCH(int, width);
        QFETCH(QSize, size);
        QFETCH(QList<int>, dashes);
        Builder b = Builder::placeable(0, 0, 4000, 2000, 1920);  // 200 x 100 pixels at 96 ppi, 20 units a pixel
        b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {2000, 4000});
        b.rec(wmf::SetBkMode, {1});
        b.recBytes(wmf::CreatePenIndirect, pen(1, width, 0, 0, 0));  // dashed
        b.rec(wmf::SelectObject, {0});
        b.rec(wmf::MoveTo, {1000, 0}).rec(wmf::LineTo, {1000, 4000});
        b.eof();
        const QImage img = TWmfPlayer(pal::WmfFile::parse(b.bytes())).render(size);
        QCOMPARE(runs(img, size.height() / 2, 0, static_cast<int>(dashes.size())), dashes);
    }

    void penRasterModes() {
        // Each column: a black bar on white, then a yellow-pen, black-brush
        // rectangle drawn over both in one mode; the colour inside the bar and
        // beside it shows what the mode did.
        struct Mode {
            int rop2;
            QColor onWhite, onBlack, border;
        };
        const QColor yellow(255, 255, 0), blue(0, 0, 255);
        const QList<Mode> modes = {
            {13, Qt::black, Qt::black, yellow},   // copy
            {6, Qt::black, Qt::white, Qt::black},  // not: the destination inverted
            {7, Qt::white, Qt::black, blue},      // xor pen (black brush changes nothing)
            {10, Qt::black, Qt::white, yellow},   // not xor pen
            {1, Qt::black, Qt::black, Qt::black},  // black
            {16, Qt::white, Qt::white, Qt::white},  // white
            {11, Qt::white, Qt::black, Qt::white},  // nop
            {9, Qt::black, Qt::black, yellow},    // mask pen: filled black, yellow border
            {15, Qt::white, Qt::black, Qt::white},  // merge pen
        };
        Builder b = Builder::placeable(0, 0, 900, 300, 96);  // 900 x 300 pixels
        b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {300, 900});
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));
        b.recBytes(wmf::CreatePenIndirect, pen(0, 9, 255, 255, 0));
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::Rectangle, {300, 900, 150, 0});  // black lower half
        b.rec(wmf::SelectObject, {2});
        for (int k = 0; k < modes.size(); ++k) {
            b.rec(wmf::SetRop2, {modes[k].rop2});
            b.rec(wmf::Rectangle, {280, 100 * k + 90, 20, 100 * k + 10});
        }
        b.eof();
        const QImage img = TWmfPlayer(pal::WmfFile::parse(b.bytes())).render(QSize(900, 300));
        for (int k = 0; k < modes.size(); ++k) {
            const int x = 100 * k + 50;
            QVERIFY2(near(img.pixel(x, 80), modes[k].onWhite), qPrintable(QString("mode %1 on white").arg(modes[k].rop2)));
            QVERIFY2(near(img.pixel(x, 220), modes[k].onBlack), qPrintable(QString("mode %1 on black").arg(modes[k].rop2)));
            QVERIFY2(near(img.pixel(x, 17), modes[k].border), qPrintable(QString("mode %1 border").arg(modes[k].rop2)));
            QCOMPARE(qAlpha(img.pixel(x, 220)), 255);
        }
        // Text and bitmaps are drawn as they are, whatever the pen's mode.
        Builder t = picture();
        t.rec(wmf::SetRop2, {11});
        t.recBytes(wmf::StretchDib, Builder::w32(0x00CC0020) + Builder::w16(0) + Builder::w16(2) + Builder::w16(2) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::w16(1000) + Builder::w16(1000) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::dib24(2, 2, 0, 200, 0));
        t.eof();
        QVERIFY(near(play(t).pixel(50, 50), QColor(0, 200, 0)));
    }

    void bitmapAndPatternRasterOperations_data() {
        QTest::addColumn<uint>("rop");
        QTest::addColumn<bool>("pattern");  // a PatBlt with the blue brush, else a red bitmap
        QTest::addColumn<QColor>("onWhite");
        QTest::addColumn<QColor>("onBlack");
        const QColor red(255, 0, 0), cyan(0, 255, 255), blue(0, 0, 255), yellow(255, 255, 0);
        QTest::newRow("SRCCOPY") << 0x00CC0020u << false << red << red;
        QTest::newRow("SRCPAINT") << 0x00EE0086u << false << QColor(Qt::white) << red;
        QTest::newRow("SRCAND") << 0x008800C6u << false << red << QColor(Qt::black);
        QTest::newRow("SRCINVERT") << 0x00660046u << false << cyan << red;
        QTest::newRow("SRCERASE") << 0x00440328u << false << QColor(Qt::black) << red;
        QTest::newRow("NOTSRCCOPY") << 0x00330008u << false << cyan << cyan;
        QTest::newRow("NOTSRCERASE") << 0x001100A6u << false << QColor(Qt::black) << cyan;
        QTest::newRow("MERGEPAINT") << 0x00BB0226u << false << QColor(Qt::white) << cyan;
        QTest::newRow("DSTINVERT") << 0x00550009u << true << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("PATINVERT") << 0x005A0049u << true << yellow << blue;
        QTest::newRow("PATCOPY") << 0x00F00021u << true << blue << blue;
    }
    void bitmapAndPatternRasterOperations() {
        QFETCH(uint, rop);
        QFETCH(bool, pattern);
        QFETCH(QColor, onWhite);
        QFETCH(QColor, onBlack);
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));   // 0: no pen
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));  // 1: black
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));  // 2: blue
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::Rectangle, {1000, 1000, 0, 500});  // the right half black
        b.rec(wmf::SelectObject, {2});
        if (pattern)  // height, width, y, x of a band across both halves
            b.recBytes(wmf::PatBlt, Builder::w32(rop) + Builder::w16(200) + Builder::w16(1000) + Builder::w16(400) + Builder::w16(0));
        else
            b.recBytes(wmf::StretchDib, Builder::w32(rop) + Builder::w16(0) + Builder::w16(2) + Builder::w16(2) + Builder::w16(0) +
                                           Builder::w16(0) + Builder::w16(200) + Builder::w16(1000) + Builder::w16(400) +
                                           Builder::w16(0) + Builder::dib24(2, 2, 255, 0, 0));
        b.eof();
        const TWmfPlayer player(pal::WmfFile::parse(b.bytes()));
        const QImage img = player.render(QSize(100, 100));
        QVERIFY2(near(img.pixel(25, 50), onWhite), qPrintable(QColor(img.pixel(25, 50)).name()));
        QVERIFY2(near(img.pixel(75, 50), onBlack), qPrintable(QColor(img.pixel(75, 50)).name()));
        QVERIFY(near(img.pixel(25, 20), Qt::white));  // outside the band nothing changed
        QVERIFY(near(img.pixel(75, 20), Qt::black));
        // On a page (no raster device) the same picture comes out the same.
        QImage page(100, 100, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        {
            QPicture recorded;
            QPainter rp(&recorded);
            player.play(rp, QRectF(0, 0, 100, 100));
            rp.end();
            QPainter pp(&page);
            recorded.play(&pp);
        }
        QVERIFY2(near(page.pixel(25, 50), onWhite), qPrintable(QColor(page.pixel(25, 50)).name()));
        QVERIFY2(near(page.pixel(75, 50), onBlack), qPrintable(QColor(page.pixel(75, 50)).name()));
    }

    void shapesLeaveOutTheirBoxsRightAndBottomEdges_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("withPen");
        QTest::addColumn<QPoint>("drawn");
        QTest::addColumn<QPoint>("left");
        // A box of logical 100..500 is device 10..50: its far edge is drawn at 49.
        QTest::newRow("rectangle outline") << int(wmf::Rectangle) << true << QPoint(49, 30) << QPoint(50, 30);
        QTest::newRow("rectangle bottom") << int(wmf::Rectangle) << true << QPoint(30, 49) << QPoint(30, 50);
        QTest::newRow("rectangle without a pen") << int(wmf::Rectangle) << false << QPoint(48, 48) << QPoint(49, 30);
    }
    void shapesLeaveOutTheirBoxsRightAndBottomEdges() {
        QFETCH(int, function);
        QFETCH(bool, withPen);
        QFETCH(QPoint, drawn);
        QFETCH(QPoint, left);
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(withPen ? 0 : 5, 0, 0, 0, 0));
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 255, 0, 0));
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(static_cast<uint16_t>(function), {500, 500, 100, 100});
        // A frame around the whole picture keeps its right and bottom lines.
        b.recBytes(wmf::CreateBrushIndirect, brush(1, 0, 0, 0)).rec(wmf::SelectObject, {2});
        b.recBytes(wmf::CreatePenIndirect, pen(0, 0, 0, 0, 255)).rec(wmf::SelectObject, {3});
        b.rec(wmf::Rectangle, {1000, 1000, 0, 0});
        b.eof();
        const QImage img = play(b);
        QVERIFY2(!near(img.pixel(drawn), Qt::white), qPrintable(QColor(img.pixel(drawn)).name()));
        QVERIFY2(near(img.pixel(left), Qt::white), qPrintable(QColor(img.pixel(left)).name()));
        QVERIFY(near(img.pixel(99, 70), Qt::blue));
        QVERIFY(near(img.pixel(70, 99), Qt::blue));
        QVERIFY(near(img.pixel(0, 70), Qt::blue));
    }

    // The leftmost and rightmost columns holding red text.
    static QPair<int, int> redSpan(const QImage& img) {
        int first = img.width(), last = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qRed(img.pixel(x, y)) > 120 && qGreen(img.pixel(x, y)) < 100) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }
    static Builder textPicture(const QList<std::pair<int, QList<int>>>& state, const std::string& text,
                               const std::string& dx = {}) {
        Builder b = Builder::placeable(0, 0, 4000, 1000, 960);  // 400 x 100 pixels
        b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {1000, 4000});
        std::string font = Builder::w16(-200) + Builder::w16(0) + Builder::w16(0) + Builder::w16(0) + Builder::w16(400);
        font += std::string("\0\0\0\0\0\0\0\x20", 8) + std::string("Arial") + std::string(27, '\0');
        b.recBytes(wmf::CreateFontIndirect, font);
        b.rec(wmf::SelectObject, {0});
        b.recBytes(wmf::SetTextColor, Builder::color(220, 0, 0));
        b.rec(wmf::SetBkMode, {1});
        for (const auto& [function, words] : state) {
            std::string params;
            for (int w : words) params += Builder::w16(w);
            b.recBytes(static_cast<uint16_t>(function), params);
        }
        std::string s = text;
        b.recBytes(wmf::ExtTextOut, Builder::w16(300) + Builder::w16(100) + Builder::w16(static_cast<int>(text.size())) +
                                        Builder::w16(0) + (s.size() % 2 ? s + '\0' : s) + dx);
        b.eof();
        return b;
    }

    void textSpacingAndJustification() {
        const auto span = [](const Builder& b) { return redSpan(TWmfPlayer(pal::WmfFile::parse(b.bytes())).render(QSize(400, 100))); };
        const auto plain = span(textPicture({}, "IIII"));
        QVERIFY(plain.first >= 10 && plain.first < 14);
        // Character extra: 10 pixels after each character.
        const auto extra = span(textPicture({{wmf::SetTextCharExtra, {100}}}, "IIII"));
        QCOMPARE(extra.first, plain.first);
        QVERIFY2(std::abs((extra.second - plain.second) - 30) <= 1, qPrintable(QString::number(extra.second - plain.second)));
        // Justification: 60 pixels spread over the 2 blanks.
        const auto words = span(textPicture({}, "I I I"));
        const auto justified = span(textPicture({{wmf::SetTextJustification, {2, 600}}}, "I I I"));
        QVERIFY2(std::abs((justified.second - words.second) - 60) <= 1,
                 qPrintable(QString::number(justified.second - words.second)));
        // Advances given with the text place each character.
        const std::string dx = Builder::w16(500) + Builder::w16(500) + Builder::w16(500) + Builder::w16(500);
        const auto placed = span(textPicture({}, "IIII", dx));
        QVERIFY2(placed.second - placed.first >= 150 && placed.second - placed.first <= 156,
                 qPrintable(QString("%1 %2").arg(placed.first).arg(placed.second)));
    }

    // A bottom-up 32-bit DIB (the fourth byte unused), top half red, bottom half blue.
    static std::string dib32(int w, int h) {
        std::string s = Builder::w32(40) + Builder::w32(static_cast<uint32_t>(w)) + Builder::w32(static_cast<uint32_t>(h)) +
                        Builder::w16(1) + Builder::w16(32) + std::string(24, '\0');
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) s += y < h / 2 ? std::string("\0\0\xff\0", 4) : std::string("\xff\0\0\0", 4);
        return s;
    }

    void bitmapTransferForms() {
        Builder b = Builder::placeable(0, 0, 2000, 1000, 960);  // 200 x 100 pixels, 10 units a pixel
        b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {1000, 2000});
        // SetDIBitsToDevice: 40 x 40 pixels placed at logical (100, 100), not stretched by the mapping.
        b.recBytes(wmf::SetDibToDev, Builder::w16(0) + Builder::w16(40) + Builder::w16(0) + Builder::w16(0) +
                                        Builder::w16(0) + Builder::w16(40) + Builder::w16(40) + Builder::w16(100) +
                                        Builder::w16(100) + dib32(40, 40));
        // DIBStretchBlt of the lower half of a bitmap (source rows counted from the bottom, as the
        // system counts them for bottom-up bitmaps) into logical (1000, 100) 400 x 200.
        b.recBytes(wmf::DibStretchBlt, Builder::w32(0x00CC0020) + Builder::w16(20) + Builder::w16(40) + Builder::w16(0) +
                                          Builder::w16(0) + Builder::w16(200) + Builder::w16(400) + Builder::w16(100) +
                                          Builder::w16(1000) + dib32(40, 40));
        // StretchBlt of a monochrome device bitmap (8 x 2, rows from the top): 0 bits in the
        // text colour, 1 bits in the background colour, into logical (1000, 600) 400 x 200.
        b.recBytes(wmf::SetTextColor, Builder::color(255, 0, 0));
        b.recBytes(wmf::SetBkColor, Builder::color(0, 200, 0));
        const std::string mono = Builder::w16(0) + Builder::w16(8) + Builder::w16(2) + Builder::w16(2) +
                                 std::string("\x01\x01", 2) + std::string("\x00\x00\xff\x00", 4);
        b.recBytes(wmf::StretchBlt, Builder::w32(0x00CC0020) + Builder::w16(2) + Builder::w16(8) + Builder::w16(0) +
                                       Builder::w16(0) + Builder::w16(200) + Builder::w16(400) + Builder::w16(600) +
                                       Builder::w16(1000) + mono);
        b.eof();
        TWmfPlayer player(pal::WmfFile::parse(b.bytes()));
        const QImage img = player.render(QSize(200, 100));
        QVERIFY(near(img.pixel(15, 15), Qt::red));
        QVERIFY(near(img.pixel(15, 45), Qt::blue));
        QVERIFY(near(img.pixel(55, 30), Qt::white));  // 40 pixels wide, not 400
        QVERIFY(near(img.pixel(105, 15), Qt::blue));
        QVERIFY(near(img.pixel(135, 25), Qt::blue));
        QVERIFY(near(img.pixel(145, 15), Qt::white));
        QVERIFY(near(img.pixel(120, 65), Qt::red));
        QVERIFY(near(img.pixel(120, 75), QColor(0, 200, 0)));
        // Printed larger, the device-sized bitmap grows with the picture.
        const QImage big = player.render(QSize(400, 200));
        QVERIFY(near(big.pixel(30, 30), Qt::red));
        QVERIFY(near(big.pixel(30, 90), Qt::blue));
    }

    void savedStatesBringBackClipRegionsAndMapping() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));   // 0
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));  // 1
        // 2: a region of two scans: logical x 0..500 for y 0..200, x 0..200 for y 200..500.
        std::string region = Builder::w16(0) + Builder::w16(6) + Builder::w32(0) + Builder::w16(0) + Builder::w16(2) +
                             Builder::w16(2) + Builder::w16(0) + Builder::w16(0) + Builder::w16(500) + Builder::w16(500);
        region += Builder::w16(2) + Builder::w16(0) + Builder::w16(200) + Builder::w16(0) + Builder::w16(500) + Builder::w16(2);
        region += Builder::w16(2) + Builder::w16(200) + Builder::w16(500) + Builder::w16(0) + Builder::w16(200) + Builder::w16(2);
        b.recBytes(wmf::CreateRegion, region);
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::SelectClipRegion, {2});
        b.rec(wmf::SaveDC, {});                     // 1: region clip, full scale
        b.rec(wmf::SetWindowExt, {4000, 4000});
        b.rec(wmf::SaveDC, {});                     // 2
        b.rec(wmf::SelectClipRegion, {0});          // not a region: no clip
        b.rec(wmf::SaveDC, {});                     // 3
        b.rec(wmf::RestoreDC, {-3});                // back to 1
        b.rec(wmf::Rectangle, {1000, 1000, 0, 0});  // clipped to the region
        b.rec(wmf::SaveDC, {});
        b.rec(wmf::SetWindowExt, {4000, 4000});
        b.rec(wmf::ExcludeClipRect, {100, 100, 0, 0});
        b.rec(wmf::RestoreDC, {1});                 // absolute: the first saved state again
        b.rec(wmf::Rectangle, {50, 50, 0, 0});
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(40, 10), Qt::black));
        QVERIFY(near(img.pixel(10, 40), Qt::black));
        QVERIFY(near(img.pixel(40, 40), Qt::white));  // outside the region
        QVERIFY(near(img.pixel(80, 80), Qt::white));
        QVERIFY(near(img.pixel(2, 2), Qt::black));    // the exclusion did not survive
    }

    void deletedAndReusedObjects() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(5, 0, 0, 0, 0));        // 0
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 128, 128, 128));  // 1: grey
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1});
        b.rec(wmf::DeleteObject, {1});                                  // selected: still in use
        b.rec(wmf::Rectangle, {500, 500, 0, 0});
        b.rec(wmf::CreateBitmapIndirect, {0, 1, 1, 2, 1, 1, 0, 0});    // 1: a bitmap holds a slot too
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));     // 2: blue
        b.rec(wmf::SelectObject, {2});
        b.rec(wmf::Rectangle, {1000, 1000, 500, 500});
        b.rec(wmf::DeleteObject, {2});
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 255, 0, 0));     // 2 again: red
        b.rec(wmf::SelectObject, {2});
        b.rec(wmf::Rectangle, {1000, 500, 500, 0});
        b.eof();
        const QImage img = play(b);
        QVERIFY(near(img.pixel(25, 25), QColor(128, 128, 128)));
        QVERIFY(near(img.pixel(75, 75), Qt::blue));
        QVERIFY(near(img.pixel(25, 75), Qt::red));
    }

    void mutatedMetafilesNeverCrash() {
        Builder b = picture();
        b.recBytes(wmf::CreatePenIndirect, pen(1, 3, 10, 20, 30));
        b.recBytes(wmf::CreateBrushIndirect, brush(2, 0, 0, 255, 3));
        std::string font = std::string(18, '\0') + "Times";
        b.recBytes(wmf::CreateFontIndirect, font);
        b.rec(wmf::SelectObject, {0}).rec(wmf::SelectObject, {1}).rec(wmf::SelectObject, {2});
        b.rec(wmf::PolyPolygon, {2, 3, 3, 0, 0, 500, 0, 0, 500, 600, 600, 900, 600, 600, 900});
        b.rec(wmf::RoundRect, {100, 100, 900, 900, 500, 500});
        b.rec(wmf::Arc, {0, 1000, 1000, 0, 800, 800, 200, 200});
        b.rec(wmf::Pie, {0, 1000, 1000, 0, 800, 800, 200, 200});
        b.recBytes(wmf::TextOut, Builder::w16(2) + "ab" + Builder::w16(10) + Builder::w16(10));
        b.recBytes(wmf::StretchDib, Builder::w32(0x00CC0020) + Builder::w16(0) + Builder::w16(2) + Builder::w16(2) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::w16(100) + Builder::w16(100) +
                                       Builder::w16(0) + Builder::w16(0) + Builder::dib24(2, 2, 1, 2, 3));
        b.eof();
        const std::string good = b.bytes();
        std::mt19937 rng(5);
        int played = 0;
        for (int i = 0; i < 400; ++i) {
            std::string bad = good;
            for (int k = 0; k < 4; ++k) bad[22 + rng() % (bad.size() - 22)] = static_cast<char>(rng());
            try {
                const TWmfPlayer player(pal::WmfFile::parse(bad));
                player.render(QSize(64, 64));
                ++played;
            } catch (const pal::IoError&) {
            }
        }
        QVERIFY(played > 0);
    }

    // ---- the window

    void newWindow() {
        TDiagramForm d;
        QCOMPARE(d.Tag(), 8000);
        QCOMPARE(d.windowTitle(), QStringLiteral("Diagram"));
        QVERIFY(!d.hasPicture());
        d.setTag(1);
        d.FormActivate();
        QCOMPARE(d.Tag(), 8000);
    }

    void loadsAMetafile() {
        Builder b = Builder::placeable(0, 0, 1440, 720, 1440);
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 255));
        b.rec(wmf::SelectObject, {0});
        b.rec(wmf::Rectangle, {720, 1440, 0, 0});
        b.eof();
        writeFile(path("PUMP.WMF"), qbytes(b.bytes()));
        TDiagramForm d;
        d.setScreenPpi(96);
        d.loadPicture(path("PUMP.WMF"));
        QVERIFY(d.isMetafile());
        QCOMPARE(d.pictureSize(), QSize(96, 48));
        QCOMPARE(d.scrollBox()->widget()->size(), QSize(96, 48));
        const QImage img = d.renderPicture();
        QVERIFY(near(img.pixel(48, 24), Qt::blue));
        d.resize(435, 300);
        d.show();
        const QImage shown = d.scrollBox()->widget()->grab().toImage();
        QVERIFY(near(shown.pixel(48, 24), Qt::blue));
    }

    void damagedMetafilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const std::string good = picture().eof().bytes();
        QTest::newRow("truncated") << qbytes(good.substr(0, good.size() - 4));
        Builder huge = picture();
        huge.u32(0x7FFFFFFF);
        huge.u16(wmf::Rectangle);
        QTest::newRow("huge record") << qbytes(huge.bytes());
        Builder zero = picture();
        zero.u32(0);
        zero.u16(wmf::Rectangle);
        QTest::newRow("zero record") << qbytes(zero.bytes());
        QTest::newRow("zero frame") << qbytes(Builder::placeable(0, 0, 0, 0, 96).eof().bytes());
        QTest::newRow("zero inch") << qbytes(Builder::placeable(0, 0, 10, 10, 0).eof().bytes());
        QTest::newRow("too large") << qbytes(Builder::placeable(-30000, -30000, 30000, 30000, 10).eof().bytes());
    }
    void damagedMetafilesAreRefused() {
        QFETCH(QByteArray, bytes);
        writeFile(path("GOOD.WMF"), qbytes(picture().eof().bytes()));
        writeFile(path("BAD.WMF"), bytes);
        TDiagramForm d;
        d.setScreenPpi(96);
        d.loadPicture(path("GOOD.WMF"));
        try {
            d.loadPicture(path("BAD.WMF"));
            QFAIL("a damaged metafile was accepted");
        } catch (const pal::IoError& e) {
            QVERIFY(QString::fromStdString(e.userText()).contains(QStringLiteral("Invalid metafile")));
        }
        QVERIFY(d.isMetafile());
        QCOMPARE(d.pictureSize(), QSize(100, 100));
    }

    void loadsABitmap() {
        QImage src(30, 20, QImage::Format_RGB32);
        src.fill(QColor(10, 200, 30));
        src.setPixel(0, 0, qRgb(255, 0, 0));
        QVERIFY(src.save(path("PUMP.BMP"), "BMP"));
        TDiagramForm d;
        d.loadPicture(path("PUMP.BMP"));
        QVERIFY(!d.isMetafile());
        QCOMPARE(d.pictureSize(), QSize(30, 20));
        const QImage img = d.renderPicture();
        QCOMPARE(img.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(10, 10), qRgb(10, 200, 30));
    }

    void damagedBitmapsAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QImage src(40, 40, QImage::Format_RGB32);
        src.fill(Qt::red);
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        QImageWriter(&buf, "BMP").write(src);
        QTest::newRow("header only") << buf.data().left(20);
        QTest::newRow("truncated pixels") << buf.data().left(buf.data().size() / 2);
        QTest::newRow("cut by one byte") << buf.data().left(buf.data().size() - 1);
        QByteArray hugeBmp = buf.data();
        hugeBmp[18] = char(0xFF);  // width 0x7FFF..., far beyond any screen
        hugeBmp[19] = char(0xFF);
        hugeBmp[20] = char(0xFF);
        hugeBmp[21] = char(0x0F);
        QTest::newRow("huge") << hugeBmp;
        QTest::newRow("garbage") << QByteArray("this is no picture at all");
        QTest::newRow("empty") << QByteArray();
    }
    void damagedBitmapsAreRefused() {
        QFETCH(QByteArray, bytes);
        writeFile(path("BAD.BMP"), bytes);
        TDiagramForm d;
        QVERIFY_THROWS_EXCEPTION(pal::IoError, d.loadPicture(path("BAD.BMP")));
        QVERIFY(!d.hasPicture());
        QVERIFY_THROWS_EXCEPTION(pal::IoError, d.loadPicture(path("MISSING.BMP")));
    }

    void saveAsWritesThePicture() {
        const QByteArray wmfBytes = qbytes(picture().eof().bytes());
        writeFile(path("D.WMF"), wmfBytes);
        TDiagramForm d;
        QVERIFY_THROWS_EXCEPTION(pal::IoError, d.savePicture(path("NOTHING.BMP")));
        d.loadPicture(path("D.WMF"));
        d.savePicture(path("COPY.WMF"));
        QCOMPARE(readFile(path("COPY.WMF")), wmfBytes);
        // The main window's Save as reaches it through the document-window interface.
        static_cast<TDocWindow&>(d).saveTo(path("ASIS.BMP"));
        QCOMPARE(readFile(path("ASIS.BMP")), wmfBytes);

        QImage src(8, 8, QImage::Format_RGB32);
        src.fill(Qt::yellow);
        QVERIFY(src.save(path("D.BMP"), "BMP"));
        d.loadPicture(path("D.BMP"));
        d.savePicture(path("SAME.BMP"));
        QCOMPARE(readFile(path("SAME.BMP")), readFile(path("D.BMP")));
        d.savePicture(path("OTHER.PNG"));
        QImage back;
        QVERIFY(back.load(path("OTHER.PNG"), "PNG"));
        QCOMPARE(back.pixel(3, 3), QColor(Qt::yellow).rgb());
    }

    void printScalesFromScreenToPrinter() {
        QImage src(8, 4, QImage::Format_RGB32);
        src.fill(Qt::blue);
        QVERIFY(src.save(path("P.BMP"), "BMP"));
        TDiagramForm d;
        d.setScreenPpi(96);
        d.loadPicture(path("P.BMP"));
        QImage page(200, 200, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.M = 600;  // 6.25 printer pixels per screen pixel
        ctx.leftMargin = 10;
        ctx.y = 20;
        ctx.lineHeight = 7;
        d.Print(ctx);
        painter.end();
        // 8 x 4 pixels become 50 x 25, drawn from (10, 20).
        QCOMPARE(page.pixel(10, 20), QColor(Qt::blue).rgb());
        QCOMPARE(page.pixel(59, 44), QColor(Qt::blue).rgb());
        QCOMPARE(page.pixel(60, 30), QColor(Qt::white).rgb());
        QCOMPARE(page.pixel(30, 45), QColor(Qt::white).rgb());
        QCOMPARE(page.pixel(9, 30), QColor(Qt::white).rgb());
        QCOMPARE(ctx.y, 20 + (25 / 7) * 7);
    }

    void aPictureThatDoesNotFitStartsANewPage() {
        QImage src(8, 4, QImage::Format_RGB32);
        src.fill(Qt::blue);
        QVERIFY(src.save(path("Q.BMP"), "BMP"));
        TDiagramForm d;
        d.setScreenPpi(96);
        d.loadPicture(path("Q.BMP"));
        QImage page(200, 1100, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.printing = true;
        ctx.pageHeight = 1100;
        ctx.M = 96;  // the picture prints 8 x 4 pixels
        ctx.leftMargin = 10;
        ctx.lineHeight = 2;
        int pages = 0;
        ctx.startNewPage = [&] {
            ++pages;
            page.fill(Qt::white);
        };
        ctx.y = 1100 - 96 - 3;  // three pixels left above the bottom margin
        d.Print(ctx);
        QCOMPARE(pages, 1);
        // Drawn on the new page, one line below its top margin.
        QCOMPARE(page.pixel(10, 96 + 2), QColor(Qt::blue).rgb());
        QCOMPARE(ctx.y, 96 + 2 + 4);
        // A picture that fits stays on the page.
        ctx.y = 500;
        d.Print(ctx);
        QCOMPARE(pages, 1);
        QCOMPARE(page.pixel(10, 500), QColor(Qt::blue).rgb());
        painter.end();
    }

    void printOfAMetafileStaysInItsRectangle() {
        Builder b = picture();
        b.recBytes(wmf::CreateBrushIndirect, brush(0, 0, 0, 0));
        b.rec(wmf::SelectObject, {0});
        b.rec(wmf::Rectangle, {3000, 3000, -2000, -2000});  // far beyond the frame
        b.eof();
        writeFile(path("BIG.WMF"), qbytes(b.bytes()));
        TDiagramForm d;
        d.setScreenPpi(96);
        d.loadPicture(path("BIG.WMF"));
        QImage page(800, 800, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.M = 192;  // twice the screen size: 200 x 200
        ctx.leftMargin = 100;
        ctx.y = 100;
        ctx.lineHeight = 10;
        d.Print(ctx);
        painter.end();
        QCOMPARE(page.pixel(200, 200), QColor(Qt::black).rgb());
        QCOMPARE(page.pixel(99, 200), QColor(Qt::white).rgb());
        QCOMPARE(page.pixel(200, 301), QColor(Qt::white).rgb());
        QCOMPARE(ctx.y, 100 + 200);
    }
};

QTEST_MAIN(TestDiagram)
#include "test_diagram.moc"
