// TEditForm: the text editor window for decks and any other text file. Lines of
// any length; files are written with CR LF through a safe replacement. A valid
// UTF-8 file is edited as UTF-8, any other as Latin-1, and every byte of it comes
// back unchanged on saving (apart from line ends).
#pragma once
#include <QPlainTextEdit>
#include <QVector>
#include <string>
#include <vector>

#include "shell/docwindow.h"

class TFindDialog;
class TReplaceDialog;

// The editor control: a plain-text editor whose Insert key toggles overwrite mode
// (drawn with a block caret) and whose Ctrl+Y redoes, as on the original platform.
class TEditControl : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TEditControl(QWidget* parent = nullptr);

    // Room left of the text for a margin (line numbers and marks of a deck).
    void setLeftMargin(int width) { setViewportMargins(width, 0, 0, 0); }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

class TEditForm : public TDocWindow {
    Q_OBJECT
public:
    enum class Encoding { Utf8, Latin1 };

    // FormCreate: caption "Untitled.DCK", no file name, kind 7000.
    explicit TEditForm(QWidget* parent = nullptr);
    ~TEditForm() override;

    // Loads the file (kind 1000 for ".DCK", else 7000; caption and file name
    // become path). Throws pal::IoError when it cannot be read.
    void Open(const QString& path);
    // Writes every line with CR LF to the file name. Throws pal::IoError, and the
    // text then stays modified.
    void Save();

    QString fileName() const override { return fileName_; }
    void setFileName(const QString& path);  // also the caption
    bool isModified() const override;
    void saveForRun() override {
        storeChecked([this] { Save(); });
    }
    // Saving under a name: the name becomes the file name and caption, then Save.
    void saveTo(const QString& path) override {
        setFileName(path);
        Save();
    }
    // File > Save (a window without a file name asks for one) and Save as; the
    // name, caption and kind change only when the file was written.
    bool save() override;
    bool saveAs(const QString& suggestedName) override;
    void cut() override;
    void copy() override;
    void paste() override;
    void clear() override;
    void find() override { showFindDialog(); }
    bool replace() override {
        showReplaceDialog();
        return true;
    }
    void searchAgain(LastSearch last) override;
    // Reads the file again (the kind, caret and scroll position kept).
    bool canReload() const override { return true; }
    bool reloadFromDisk() override;
    void Print(PrintContext& ctx) override;
    void FormActivate() override;

    QPlainTextEdit* editor() const { return editor_; }
    TFindDialog* findDialog() const { return findDialog_; }
    TReplaceDialog* replaceDialog() const { return replaceDialog_; }
    void showFindDialog();
    void showReplaceDialog();
    // The dialogs' handlers, also called by Search Again.
    void Find();
    void Replace();

    Encoding encoding() const { return encoding_; }
    // The text as lines, the way Save writes them (before encoding).
    QStringList lines() const;
    // The bytes Save writes for each line (encoded).
    std::vector<std::string> encodedLines() const;

    // The text as it stands, to be turned into the bytes Save writes later, in
    // any thread (a long deck is read away from the window).
    class Snapshot {
    public:
        std::vector<std::string> encodedLines() const;

    private:
        friend class TEditForm;
        QString raw_;  // the blocks, each ended by U+2029 but the last
        QVector<std::pair<QChar, QChar>> standIns_;  // shown, original
        bool utf8_ = true;
    };
    Snapshot snapshot() const;

private:
    void findFromReplaceDialog();
    // Writes the text to path; throws pal::IoError and the text stays modified.
    void writeTo(const QString& path);
    // Writes to path and, when that worked, takes it as the file name.
    bool saveUnder(const QString& path);
    QString toDisplay(const QString& line) const;
    QString fromDisplay(const QString& line) const;

    TEditControl* editor_{nullptr};
    TFindDialog* findDialog_{nullptr};
    TReplaceDialog* replaceDialog_{nullptr};
    QString fileName_;
    Encoding encoding_ = Encoding::Utf8;
    bool bom_ = false;  // the UTF-8 file began with a byte-order mark
    // Characters the editor control cannot hold inside a line (a lone CR, the
    // paragraph separator and its frame markers) shown as stand-ins that the file
    // does not contain, and written back as themselves.
    struct StandIn {
        QChar original;
        QChar shown;
    };
    QVector<StandIn> standIns_;
};
