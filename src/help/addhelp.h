// TAddHelpDlg: the help text of an index entry, reflowed into paragraphs, or a
// help file handed to the desktop's help viewer.
#pragma once
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TAddHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAddHelpDlg(QWidget* parent = nullptr);

    QString helpFile;   // set by the caller
    QString subject;
    bool handedToViewer = false;
    bool readyToShow = false;  // the text area holds something to show

    // Loads the help file; afterwards the caller shows the dialog when
    // readyToShow (not when the file went to the help viewer or was too large).
    void SetupWindow();
    void CopyBClick();
    void HelpMemoMouseMove();
    QString text() const;
    QPushButton* copyButton() const { return CopyB; }
    QPlainTextEdit* memo() const { return HelpMemo; }

private:
    QPlainTextEdit* HelpMemo{nullptr};
    QPushButton* CopyB{nullptr};
};
