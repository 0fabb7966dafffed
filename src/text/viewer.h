// TViewForm: the read-only text viewer window for listings, output files and plot
// data shown as text. Its TFileViewer control handles files of any size.
#pragma once
#include "shell/docwindow.h"

class TFileViewer;
class TFindDialog;

class TViewForm : public TDocWindow {
    Q_OBJECT
public:
    // FormCreate: kind 3000 (the opener makes output viewers 6000).
    explicit TViewForm(QWidget* parent = nullptr);
    ~TViewForm() override;

    // Opens the file; the caption becomes its path until the opener sets another.
    // Throws pal::IoError.
    void openFile(const QString& path);
    QString fileName() const override;
    void Print(PrintContext& ctx) override;
    void FormActivate() override;
    // Following the file while the engine writes it (see TFileViewer::follow).
    void follow();
    void endFollowing();
    bool following() const;
    bool canFollowRun() const override { return true; }
    void followRun() override { follow(); }
    bool followsRun() const override { return following(); }
    QString runFile() const override { return fileName(); }
    void endRun() override { endFollowing(); }
    void copy() override { copySelection(); }
    void find() override { showFindDialog(); }
    void searchAgain(LastSearch) override { Find(); }
    // Reads the file again (the caption and the first line shown kept). A
    // viewer following its file takes the changes in itself and is not asked.
    bool canReload() const override { return !following(); }
    bool reloadFromDisk() override;

    TFileViewer* viewer() const { return viewer_; }
    TFindDialog* findDialog() const { return findDialog_; }
    void showFindDialog();
    // The find dialog's handler, also called by Search Again.
    void Find();
    // Copies the selection to the clipboard (a beep when it is too large).
    void copySelection();

private:
    TFileViewer* viewer_{nullptr};
    TFindDialog* findDialog_{nullptr};
};
