// TPlotForm: the plot window. It owns one plot (record and curve values), draws
// it, lets the user move and resize the frame with the mouse, prints it into
// a print job and saves and opens it as a .PMX file.
#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>

#include "plot/plotrender.h"
#include "shell/docwindow.h"

class QScrollArea;

class TPlotForm : public TDocWindow {
    Q_OBJECT
public:
    enum class MouseMode { None, Moving, Resizing };

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
    void saveTo(const QString& path) override { Save(path); }
    bool FormCloseQuery() override;
    void Print(PrintContext& ctx) override;
    int PrintHeight(const PrintContext& ctx) const override;

    // Redraws after the plot changed (a dialog's OK).
    void replot();
    // The plot as the window shows it, drawn into an image of the canvas size.
    QImage renderImage();

    // Mouse handling on the canvas (window pixels of the unscrolled plot).
    void FormMouseDown(const QPoint& p);
    void FormMouseMove(const QPoint& p);
    void FormMouseUp(const QPoint& p);
    void FormDblClick();
    MouseMode mouseMode() const { return mode_; }
    QRect rubberBand() const { return band_; }
    Qt::CursorShape cursorAt(const QPoint& p) const;

signals:
    // A double click asks for the Modify Plot dialog on this window.
    void modifyRequested(TPlotForm* window);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class PlotCanvas;
    void paintCanvas(QPainter& painter);
    // Draws the plot into the cache at the canvas size and keeps what it covered.
    void renderCache();
    // The canvas covers the drawing plus a margin, at least the visible area.
    void updateCanvasSize();

    plot::PlotDocument doc_;
    plot::PlotView view_;
    QString fileName_;
    QScrollArea* scroll_{nullptr};
    QWidget* canvas_{nullptr};
    QImage cache_;
    MouseMode mode_ = MouseMode::None;
    QRect band_;
    QPoint last_;
    bool ignoreNextDown_ = false;
    bool sized_ = false;
};
