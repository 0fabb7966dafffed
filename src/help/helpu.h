// THelpDlg: the help topic of one field of a QUIVET form (F1 on the field).
#pragma once
#include <QDialog>

class QPlainTextEdit;

class THelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit THelpDlg(QWidget* parent = nullptr);

    // Set by the caller before the dialog is shown.
    int topic = 0;          // 0: none
    QString filePath;       // the QUIVET file; becomes its topic file on activation
    QString fieldLabel;     // the caption: the label of the field asking for help

    // Loads the topic into the text area.
    void FormActivate();
    void GetHelpText(const std::string& fileBytes);
    QString text() const;

private:
    QPlainTextEdit* Memo{nullptr};
};
