// TModPlot: the Modify Plot dialog. It changes the titles, ranges, scales,
// label formats, grid lines and legend of a plot window and the look of one
// curve, or deletes a curve.
#pragma once
#include <QDialog>
#include <QPointer>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TAxisBox;
class TPlotForm;
class TStylePicker;

class TModPlot : public QDialog {
    Q_OBJECT
public:
    explicit TModPlot(QWidget* parent = nullptr);

    void setPlotWindow(TPlotForm* w) { plot_ = w; }
    TPlotForm* plotWindow() const { return plot_; }
    // Activation: fills the controls from the plot window.
    void FormActivate();
    // The current curve's codes into the pickers.
    void SetPlotLineInfo();
    void PlotListChange();
    void OKBtnClick();
    void DeleteBtnClick();
    // The plot window's visible (zoomed) range into the Minimum and Maximum fields.
    void VisibleBtnClick();
    // Both axes proposed anew from the values of all curves (after an overlay).
    void FitBtnClick();

    QComboBox* PlotList{nullptr};
    QPushButton* DeleteBtn{nullptr};
    TStylePicker* Line{nullptr};
    TStylePicker* Symbol{nullptr};
    TStylePicker* Color{nullptr};
    QCheckBox* Smoothing{nullptr};
    QCheckBox* Legend{nullptr};
    QLineEdit* FromRow{nullptr};
    QLineEdit* ToRow{nullptr};
    TAxisBox* XAxis{nullptr};
    TAxisBox* YAxis{nullptr};
    QPushButton* VisibleBtn{nullptr};
    QPushButton* FitBtn{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

private:
    // A limit as the dialog showed it: while its field is untouched, the stored
    // value (more exact than the shown digits) is the one meant.
    struct ShownLimit {
        QString text;
        long double value = 0;
    };
    std::optional<long double> readLimit(QLineEdit* field, const ShownLimit& shown, int mode, long double lowerBound);

    QPointer<TPlotForm> plot_;
    ShownLimit shownLimits_[2][2];  // [X, Y][minimum, maximum]
    int current_ = -1;  // index of the current curve
};
