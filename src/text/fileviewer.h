// TFileViewer: the read-only text-file viewer control. It shows a file of any size
// through a LineIndex, painting only the visible lines, indexes the rest of the
// file in short slices while the window stays responsive (the scroll range grows
// meanwhile), and offers caret, selection, copy and search.
#pragma once
#include <QAbstractScrollArea>
#include <memory>
#include "common/followfile.h"

#include "text/lineindex.h"

class QPainter;
class QTimer;

class TFileViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    // A place in the text: a line and a character column of its shown text.
    struct Pos {
        qint64 line = 0;
        int col = 0;
        friend bool operator==(const Pos&, const Pos&) = default;
        friend auto operator<=>(const Pos& a, const Pos& b) = default;
    };

    explicit TFileViewer(QWidget* parent = nullptr);
    ~TFileViewer() override;

    // Opens the file and shows its first lines at once. Throws pal::IoError.
    void openFile(const QString& path);
    QString fileName() const { return fileName_; }
    bool isOpen() const { return index_ != nullptr; }

    bool indexingComplete() const;
    // Indexes the rest of the file now (a read error is reported to the user).
    void finishIndexing();
    qint64 lineCount() const;
    // The shown text of a line (decoded, tabs kept): the whole line, or its first
    // mebibyte (a message says so once per file).
    QString lineText(qint64 line) const;

    Pos caret() const { return caret_; }
    Pos anchor() const { return anchor_; }
    bool hasSelection() const { return caret_ != anchor_; }
    void setCaret(Pos p, bool keepAnchor = false);
    void selectRange(Pos from, Pos to);
    void selectAll();
    // The selected text, lines joined by "\n"; empty with *tooLarge set when the
    // selection holds more than kMaxCopyBytes of the file.
    static constexpr qint64 kMaxCopyBytes = 64ll << 20;
    QString selectedText(bool* tooLarge = nullptr) const;

    // Searches from the selection (forward from its end, backward from its start),
    // selects the match and scrolls to it. False when there is none.
    // A long search shows the hourglass and, past findProgressDelayMs, a
    // progress window whose Cancel stops it (findCancelled() then tells).
    bool find(const QString& text, bool forward, bool caseSensitive);
    bool findCancelled() const { return findCancelled_; }
    int findProgressDelayMs = 500;

    // Following a file that is still being written, as tail -f does: every
    // kFollowMs the lines it has gained are taken in (a line still being
    // written waits for its end). The view stays where the user scrolled it,
    // unless it showed the last line, which it then keeps showing. A file that
    // was replaced or shortened is opened again at the same line; a file that
    // is gone leaves the text as it was. endFollowing(): the writer has ended.
    static constexpr int kFollowMs = 250;
    void follow();
    void endFollowing();
    bool following() const { return following_; }
    void followLook();

    int firstVisibleLine() const;
    int visibleLineCount() const;  // whole lines that fit
    int lineHeight() const { return lineHeight_; }
    void ensureVisible(Pos p);

signals:
    void copyRequested();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void indexSlice();
    void indexFailed(const std::exception& e);
    void reportCutLines();
    void drawLine(QPainter& p, qreal x0, int y, const QString& shown) const;
    void updateScrollBars();
    Pos clamp(Pos p) const;
    Pos posAt(const QPoint& viewportPoint) const;
    qreal xOfColumn(const QString& text, int col) const;
    int columnOfX(const QString& text, qreal x) const;
    std::uint64_t byteOffset(Pos p) const;
    void moveCaret(Pos p, bool keepAnchor);

    bool showsEnd() const;
    void scrollToEnd();

    std::unique_ptr<pal::LineIndex> index_;
    QString fileName_;
    QTimer* indexTimer_{nullptr};
    QTimer* followTimer_{nullptr};
    bool following_ = false;
    pal::FileStamp stamp_;
    Pos caret_, anchor_;
    bool dragging_ = false;
    bool findCancelled_ = false;
    int lineHeight_ = 16;
    int ascent_ = 12;
    int charWidth_ = 8;
    qreal pitch_ = 8;      // the advance of one character of the fixed-pitch font
    bool cutReported_ = false;
    int widest_ = 0;  // widest line drawn so far, pixels
    static constexpr int kMargin = 2;
    static constexpr int kCaretHeight = 18;
};
