// TFindDialog and TReplaceDialog: the non-modal find and replace dialogs of the
// text windows (find text, replace text, match case, whole word, direction). They
// only collect the options and announce the buttons; the window searches.
#pragma once
#include <QDialog>

class QCheckBox;
class QGridLayout;
class QVBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    bool matchCase() const;
    void setMatchCase(bool on);
    bool wholeWord() const;
    void setWholeWord(bool on);
    bool down() const;  // the direction: true down (forward), false up
    void setDown(bool on);
    // The viewer hides the whole-word option.
    void setWholeWordVisible(bool visible);

    // Shows the dialog without blocking and brings it to the front.
    void popUp();
    // Presses Find Next (what the button does).
    void FindNextClick();

signals:
    void findNext();

protected:
    // The replace dialog builds on this one; it adds its rows through these.
    QLineEdit* findEdit_{nullptr};
    QCheckBox* matchCase_{nullptr};
    QCheckBox* wholeWord_{nullptr};
    QGroupBox* direction_{nullptr};
    QRadioButton* up_{nullptr};
    QRadioButton* down_{nullptr};
    QPushButton* findNextBtn_{nullptr};
    QPushButton* cancelBtn_{nullptr};
    QGridLayout* grid_{nullptr};
    QVBoxLayout* buttons_{nullptr};

private:
    void updateButtons();
};

class TReplaceDialog : public TFindDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString replaceText() const;
    void setReplaceText(const QString& text);
    // True when the button pressed last was Replace All (Search Again repeats it).
    bool replaceAll() const { return replaceAll_; }
    void setReplaceAll(bool on) { replaceAll_ = on; }

    void ReplaceClick();
    void ReplaceAllClick();

signals:
    void replace();  // Replace or Replace All; see replaceAll()

private:
    void updateReplaceButtons();

    QLineEdit* replaceEdit_{nullptr};
    QPushButton* replaceBtn_{nullptr};
    QPushButton* replaceAllBtn_{nullptr};
    bool replaceAll_ = false;
};
