// TIndexDlg ("Select Project"): the entries of an index file, each naming a
// document to open, with an optional picture and help text.
#pragma once
#include <QDialog>
#include <vector>

#include "help/helptext.h"

class QLabel;
class QListWidget;
class QPushButton;
class TAddHelpDlg;

class TIndexDlg : public QDialog {
    Q_OBJECT
public:
    explicit TIndexDlg(TAddHelpDlg* addHelp, QWidget* parent = nullptr);

    QString indexFile;  // set by the caller before the dialog is shown

    // Loads the index (throws pal::IoError when it cannot be read).
    void FormActivate();
    void theListClick();
    void OKBtnClick();
    void HelpBtnClick();

    QListWidget* list() const { return theList; }
    QPushButton* okButton() const { return OKBtn; }
    QPushButton* helpButton() const { return HelpBtn; }
    QLabel* picture() const { return Picture; }
    QString titleLine(int i) const;

signals:
    // OK chose an entry whose file is to be opened (after the dialog closed).
    void fileChosen(const QString& path);

private:
    const pal::IndexEntry* selected() const;
    QString resolved(const std::string& path) const;

    TAddHelpDlg* addHelp_;
    bool reentry_ = false;
    std::vector<pal::IndexEntry> entries_;
    QLabel* Titles[3]{};
    QListWidget* theList{nullptr};
    QLabel* Picture{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* HelpBtn{nullptr};
};
