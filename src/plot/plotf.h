// TPlotForm: the plot window. It owns one plot (record and curve values), draws
// it, lets the user move and resize the frame with the mouse, prints it into
// a print job and saves and opens it as a .PMX file.
#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>

#include "plot/plotrender.h"
#include "shell/docwindow.h"

class QLabel;
class QMenu;
class QScrollArea;
class QTimer;

namespace plot {
class PlotFollower;
}

class TPlotForm : public TDocWindow {
    Q_OBJECT
public:
    enum class MouseMode { None, Moving, Resizing, Zooming, Panning };

    explicit TPlotForm(QWidget* parent = nullptr);  // FormCreate: an empty plot

    plot::PlotDocument& document() { return doc_; }
    const plot::PlotDocument& document() const { return doc_; }
    void setDocument(plot::PlotDocument doc);
    plot::PlotView& view() { return view_; }
    const plot::PlotView& view() const { return view_; }

    // Writes the plot to a .PMX file and makes it the window's file name.
    // Throws pal::IoError.
    void Save(const QString& path);
    // Reads a .PMX file into the window, its caption included. False when memory
    // for the curves ran out (the warning has been shown); throws pal::IoError
    // when the file cannot be read.
    [[nodiscard]] bool Open(const QString& path);

    QString fileName() const override { return fileName_; }
    QString documentName() const override { return fileName_; }
    // Whether a save would write other bytes than were last read, written or
    // made (the caption and a hand-placed frame count, as the file keeps them);
    // File > Save writes such plots, and those never stored.
    bool isModified() const override;
    bool needsSave() const override { return fileName_.isEmpty() || isModified(); }
    void saveTo(const QString& path) override { Save(path); }
    // File > Save: under the plot's file name, or a name the user chooses (the
    // caption stays). Save as: the chosen name becomes the caption, which the
    // file stores, and stays only when the file was written.
    bool save() override;
    bool saveAs(const QString& suggestedName) override;
    void Print(PrintContext& ctx) override;
    int PrintHeight(const PrintContext& ctx) const override;

    // Redraws after the plot changed (a dialog's OK).
    void replot();
    // A change the user made (Modify Plot, an overlay, a moved frame): the plot
    // differs from its file until it is saved again. A new plot from the data
    // and a plot just opened or saved hold no change.
    void plotChanged();

    // The frame follows the window's size until the user moves or resizes it by
    // hand; FitFrameToWindow returns it to following. A hand-placed frame is
    // kept in the saved plot.
    bool frameFollowsWindow() const { return !handFrame_; }
    void FitFrameToWindow();
    // The plot as the window shows it, drawn into an image of the canvas size.
    QImage renderImage();
    // Wheel steps and pan moves change the view at once; while they keep coming
    // the paint shows the last drawing moved and scaled to the new view, and the
    // exact drawing follows once they pause (one drawing for a whole spin).
    // drawNow() makes that drawing without waiting; drawPending() tells whether
    // one is due; cacheDraws() counts the drawings of the plot so far.
    void drawNow();
    bool drawPending() const { return settling_; }
    int cacheDraws() const { return cacheDraws_; }

    // Mouse handling on the canvas (window pixels of the unscrolled plot). A drag
    // in the frame moves it, on the corner square resizes it; with Ctrl it draws
    // a rectangle to zoom into, with Shift it pans the view. A press and release
    // on one spot in the frame places the cursor (with Shift the second one).
    void FormMouseDown(const QPoint& p, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void FormMouseMove(const QPoint& p);
    void FormMouseUp(const QPoint& p);
    void FormDblClick();
    // The wheel zooms X around the mouse (Ctrl: Y, Shift: both); steps > 0 zoom in.
    // False when the mouse is outside the frame (the wheel then scrolls).
    bool FormWheel(const QPoint& p, int steps, Qt::KeyboardModifiers mods);
    // Backspace: Zoom back, Home: Whole plot, Esc: hide the cursors.
    bool FormKey(int key);

    // The view: what is visible, never the plot's stored settings. Zoom back
    // returns to the view before the last change; Whole plot to the stored limits.
    plot::AxisRange visibleX() const;
    plot::AxisRange visibleY() const;
    bool zoomed() const { return view_.zoom.has_value(); }
    void zoomTo(const plot::AxisRange& x, const plot::AxisRange& y);
    void ZoomBack();
    void WholePlot();

    // The cursors (data X values) and their read-out: the X value and each
    // curve's Y there, or with two cursors the differences; colour indexes of
    // the lines' texts (-1: the frame colour).
    struct ReadoutLine {
        QString text;
        int color = -1;
    };
    std::optional<long double> cursorX(int which) const { return which == 1 ? cursor1_ : cursor2_; }
    void setCursorX(int which, std::optional<long double> x);
    QList<ReadoutLine> cursorReadout() const;

    // The context menu (Zoom back, Whole plot, Copy image, Copy data, Export...).
    QMenu* contextMenu();

    // Following the plot data of a running engine: every kFollowMs the window
    // reads the rows the engine has added (whole lines only) into the curves
    // drawn from that file and draws them. The axes widen with the data unless
    // the view is zoomed. endFollowing() marks the engine's end: one last look,
    // after which the window shows what a fresh read of the finished file shows.
    // A file that is gone, lost its header or holds refused rows is named in a
    // note at the window's foot; the last drawing stays.
    static constexpr int kFollowMs = 250;
    void follow(std::shared_ptr<plot::PlotFollower> follower);
    void endFollowing();
    bool following() const;
    // The plot data file followed ("" when none).
    QString followedFile() const;
    bool followsRun() const override { return following(); }
    QString runFile() const override { return followedFile(); }
    void endRun() override { endFollowing(); }
    // Looks at the file now (the timer's work).
    void followLook();
    QString followNote() const;
    // The context menu's Follow: keep the last span units of X in view as the
    // data grow (none: off). A zoom of the user's own ends it.
    void setFollowSpan(std::optional<long double> span);
    std::optional<long double> followSpan() const { return followSpan_; }
    void FollowClick();
    // The plot as an image and the visible curves as tab-separated text on the
    // clipboard; File > Export... as PNG, SVG, PDF or CSV.
    void CopyImage();
    void CopyData();
    void ExportDialog();
    // The name an export proposes, without extension: the saved plot's or its
    // plot data file's base name in that file's folder, else the caption.
    QString exportProposal() const;
    MouseMode mouseMode() const { return mode_; }
    QRect rubberBand() const { return band_; }
    Qt::CursorShape cursorAt(const QPoint& p) const;
    // The tooltip at a canvas point: a legend entry's full curve name.
    QString toolTipAt(const QPoint& p) const;

signals:
    // A double click asks for the Modify Plot dialog on this window.
    void modifyRequested(TPlotForm* window);

protected:
    void showEvent(QShowEvent* event) override;
    QString unnamedDocument() const override { return QStringLiteral("This plot"); }
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class PlotCanvas;
    void paintCanvas(QPainter& painter);
    void paintCursors(QPainter& painter) const;
    // step: a wheel step or pan move, drawn exactly once the steps pause.
    void setZoom(std::optional<plot::PlotView::Zoom> zoom, bool remember, bool step = false);
    // The last drawing mapped onto the current view inside the frame (same frame).
    void paintPreview(QPainter& painter);
    void showContextMenu(const QPoint& globalPos);
    // The drawn plot is kept in an image of the plot's area and drawn again only
    // when the key changes: a new size, another screen's pixel ratio, or a
    // change of the plot or the view (each replot() is a new generation).
    struct CacheKey {
        QSize size;
        qreal pixelRatio = 0;
        quint64 generation = 0;
        bool operator==(const CacheKey&) const = default;
    };
    CacheKey cacheKey() const;
    // The window pixels the drawing covers plus a margin.
    QSize plotAreaSize() const;
    // Draws the plot into the cache and keeps what it covered.
    void renderCache();
    // The canvas covers the drawing plus a margin, at least the visible area.
    void updateCanvasSize();
    // The frame as large as the window allows with room for the labels, titles
    // and legend around it (never smaller than a new window's frame).
    void fitFrame();

    plot::PlotDocument doc_;
    plot::PlotView view_;
    QString fileName_;
    std::size_t storedHash_ = 0;  // of the file's bytes as last read, written or made
    // The bytes a save would write now.
    std::string savedBytes() const;
    QScrollArea* scroll_{nullptr};
    QWidget* canvas_{nullptr};
    QImage cache_;
    CacheKey cacheKey_;
    // The axes and frame the cache was drawn with (the preview maps from them).
    plot::AxisSettings cacheAxisX_, cacheAxisY_;
    QRect cacheFrame_;
    int cacheDraws_ = 0;
    bool settling_ = false;       // view steps shown as a preview, drawing due
    QTimer* settle_{nullptr};
    quint64 generation_ = 0;
    QList<ReadoutLine> readout_;  // the cursors' read-out as last computed
    MouseMode mode_ = MouseMode::None;
    QRect band_;
    QPoint last_;
    QPoint pressed_;
    bool shiftPress_ = false;
    // Views to go back to, and the stored limits the zoom started from (a change
    // of those through Modify Plot returns the view to them).
    std::vector<std::optional<plot::PlotView::Zoom>> history_;
    plot::PlotView::Zoom zoomBase_;
    std::optional<long double> cursor1_, cursor2_;
    std::optional<std::pair<std::optional<long double>, std::optional<long double>>> beforeClick_;
    QMenu* menu_{nullptr};
    bool ignoreNextDown_ = false;
    // Following (plotlive.cpp).
    void updateFollowedCurves();
    void widenAxes(bool fresh);
    void showFollowSpan();
    void setFollowNote(const QString& text);
    std::shared_ptr<plot::PlotFollower> follower_;
    QTimer* followTimer_{nullptr};
    QLabel* followNote_{nullptr};
    std::optional<long double> followSpan_;
    bool widened_ = false;     // the axes were widened to the data
    bool followEnded_ = false;
    bool sized_ = false;
    bool handFrame_ = false;
    int lastExportFilter_ = 1;  // the format chosen last
};
