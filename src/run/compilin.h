// TCompiling: the small progress window of long operations. It shows the line
// being read while a QUIVET file loads and the run number during a table run.
#pragma once
#include <QWidget>

class QLabel;

class TCompiling : public QWidget {
    Q_OBJECT
public:
    explicit TCompiling(QWidget* parent = nullptr);

    // n > 0: "Reading line " and n; n <= 0: "KALVEX Run " and |n|. The number is
    // painted at once; then pending events are handled, except keyboard and
    // mouse input aimed at this window, which is dropped.
    void Update(int n);

    // Shows the window centred on the screen (its place between uses).
    void showCentred();

    void FormActivate();    // repaints both labels
    void FormDeactivate();  // hides the window

    QLabel* label1() const { return label1_; }
    QLabel* lineL() const { return LineL_; }

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label1_{nullptr};
    QLabel* LineL_{nullptr};
};
