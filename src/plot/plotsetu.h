// TPlotSetup: the Plot Setup dialog. It reads the current plot data file, lets
// the user pick the X column, Y columns, axis settings, rows and curve look, and
// on OK opens a new plot window or adds the curves to an existing one.
#pragma once
#include <QDialog>
#include <QPointer>
#include <memory>
#include <optional>

#include "plot/plotdata.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class TAxisBox;
class TPlotForm;
class TStylePicker;

namespace plot {
class PlotFollower;
}

class TPlotSetup : public QDialog {
    Q_OBJECT
public:
    explicit TPlotSetup(QWidget* parent = nullptr);

    // Prepares a new plot (overlay null) or an overlay onto a plot window.
    // running: the engine is still writing the file; the dialog reads its whole
    // lines so far, and a new plot window follows it.
    void setTarget(const QString& plotDataFile, TPlotForm* overlay, bool running = false);
    // Activation: reads the plot data file and fills the controls. False (after
    // the failure was shown) when the file cannot be read.
    [[nodiscard]] bool FormActivate();

    void OKBtnClick();
    void CancelBtnClick();
    void XListClick();
    void YListClick();
    // Fills one axis' Minimum, Maximum, No. of Ticks and digits (1 X, 2 Y).
    void MinMax(int axis);

    // The window the last OK made or added to.
    TPlotForm* resultWindow() const { return result_; }
    const std::optional<plot::PlotDataTable>& table() const { return table_; }

    QListWidget* XList{nullptr};
    QListWidget* YList{nullptr};
    TAxisBox* XAxis{nullptr};
    TAxisBox* YAxis{nullptr};
    QLineEdit* FromRow{nullptr};
    QLineEdit* ToRow{nullptr};
    TStylePicker* Line{nullptr};
    TStylePicker* Symbol{nullptr};
    TStylePicker* Color{nullptr};
    QCheckBox* Smoothing{nullptr};
    QCheckBox* LegendBox{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

signals:
    // OK made a new plot window; a receiver puts it into the main frame (a
    // window nobody takes is shown on its own).
    void plotCreated(TPlotForm* window);

private:
    std::vector<int> selectedY() const;
    void updateLogPermission(TAxisBox* box);
    bool overlay() const { return overlay_ != nullptr; }

    QString fileName_;
    QPointer<TPlotForm> overlay_;
    bool overlayMode_ = false;
    std::optional<plot::PlotDataTable> table_;
    bool running_ = false;
    std::shared_ptr<plot::PlotFollower> follower_;
    QPointer<TPlotForm> result_;
};
