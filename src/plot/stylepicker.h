// TStylePicker: the small picture box with a spin button of the plot dialogs,
// showing a curve's line style, symbol or colour code and stepping it.
#pragma once
#include <QWidget>

class TStylePicker : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Line, Symbol, Color };
    TStylePicker(Kind kind, QWidget* parent = nullptr);

    // The code as stored: a code the box cannot show (a symbol or colour of 16
    // and above) is kept until the user steps it, and shown as drawn.
    int code() const { return code_; }
    void setCode(int code);
    int maxCode() const { return kind_ == Kind::Line ? 3 : 15; }
    // The code the box shows: the one the drawing uses for code().
    int shownCode() const;
    // The spin button: the down arrow adds one to the shown code, the up arrow
    // takes one away, both wrapping around.
    void downClick();
    void upClick();

    QSize sizeHint() const override { return QSize(90, 26); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    int code_ = 0;
    QRect box() const;
};
