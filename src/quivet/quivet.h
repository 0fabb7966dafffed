// TQUIVETForm: the document window that shows a QUIVET file as a form of
// labelled, checked input fields in SI or English units and writes it back as
// a runnable deck.
#pragma once
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "quivet/formitem.h"
#include "shell/docwindow.h"

class QLabel;
class QLineEdit;
class QScrollArea;
class TCompiling;
class TDescriptor;
class TFileInput;
class TInput;
class TOpenFile;

class TQUIVETForm : public TDocWindow {
    Q_OBJECT
public:
    // FormCreate: kind 2000, the metrics of the form font; the window stays
    // hidden until ReadDeck has built it. progress (when given) shows the lines
    // read while a file is read.
    explicit TQUIVETForm(TCompiling* progress = nullptr, QWidget* parent = nullptr);
    ~TQUIVETForm() override;

    // Reads the QUIVET file and builds the rows. When the file cannot be shown the
    // reason is reported and false returned; the window is then to be discarded.
    bool ReadDeck(const QString& fileName);
    // Writes the form to target (a backup is kept when target is the form's own
    // file). Throws pal::IoError whose text is the message to show; the form then
    // keeps its state.
    void WriteDeck(const QString& target);
    // True when a heading text or numeric box was edited, a shown choice changed
    // or another file was chosen in a file field since the last read or write.
    bool DCKChanged() const;
    void ClearModify();
    // Re-expresses every numeric field in the new unit system.
    void ConvertUnits(int from, int to);

    // ---- TDocWindow ----
    QString fileName() const override { return fileName_; }
    void Print(PrintContext& ctx) override;
    bool isModified() const override { return DCKChanged(); }
    void saveForRun() override {
        storeChecked([this] { WriteDeck(fileName_); });
    }
    void saveTo(const QString& path) override { WriteDeck(path.isEmpty() ? fileName_ : path); }
    // File > Save writes the form to its own file (the one it was read from or
    // last saved as); Save as writes it to the chosen file, which then becomes
    // its file and caption.
    bool save() override;
    bool saveAs(const QString& suggestedName) override;
    // The Edit commands act on the focused input field.
    void cut() override;
    void copy() override;
    void paste() override;
    void clear() override;
    // Find a field by (a part of) its label: asks for the name, then goes to the
    // next field after the focused one whose label holds it, round the form.
    void find() override;
    void searchAgain(LastSearch last) override;
    // Focuses the next field whose label holds name (any letter case); a message
    // and false when no field does.
    bool FindField(const QString& name);
    // The file's commands, once the user agreed to run them (asked once per
    // opened file, as they come from the file and not from the user).
    QString beforeCommand() const override;
    QString afterCommand() const override;
    void convertUnits(int oldSystem, int newSystem) override { ConvertUnits(oldSystem, newSystem); }

    // ---- state, for the main window's Edit menu and for tests ----
    const quivet::QuivetDocument& document() const { return doc_; }
    QScrollArea* scrollBox() const { return scrollBox_; }
    QWidget* rows() const { return rows_; }
    int charWidth() const { return W_; }
    int lineHeight() const { return H_; }
    int errorFlag() const { return errorFlag_; }
    int shownUnits() const { return units_; }
    // The controls of one item (null where the kind has none). Only the rows in
    // and near the scroll box's view have controls; the others are built when
    // they are scrolled into view or reached with Tab.
    struct Row {
        TDescriptor* label = nullptr;
        TDescriptor* unitLabel = nullptr;
        TInput* input = nullptr;
        TFileInput* choice = nullptr;
        TOpenFile* file = nullptr;
        QLabel* bitmap = nullptr;
    };
    const std::vector<Row>& rowControls() const { return controls_; }
    // Scrolls the item's row into view, builds its controls and returns its
    // input control (null for items that take no input).
    QWidget* showField(std::size_t index);
    // The help number of the focused control; -1 when no field has the focus.
    int focusedHelpNumber() const;

protected:
    // F1: the help text of the focused field.
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // What the user made of one item. While its row has controls they hold it;
    // storeRow gives it back here when the row goes or the whole form is worked
    // on. A numeric field's value is kept in its document item.
    struct FieldState {
        QString text;       // a heading's text; the typed text of a numeric box
        bool typed = false;  // numeric: text is typed and its number not yet taken
        bool edited = false;
        int current = -1;   // shown choice: the selected row,
        int saved = -1;     // the row selected at the last read or write,
        int accepted = -1;  // the last row whose value the form can write
        QString fileName;   // file field
    };

    // Works out where every row goes (no controls are made) and builds the rows
    // in view; throws QuivetError for a picture that cannot be loaded.
    void build();
    // Builds and drops row controls so that the rows in and near the view have them.
    void updateRows();
    void createRow(std::size_t index);
    // Removes the row's controls, giving their state back first when keepState.
    void dropRow(std::size_t index, bool keepState = true);
    // A row whose controls must stay: it holds the focus or an unchecked number.
    bool pinned(std::size_t index) const;
    void storeRow(std::size_t index);
    void storeLiveRows();
    // Shows the state in the row's controls.
    void applyRow(std::size_t index);
    void applyLiveRows();
    void markUnchanged();
    bool focusable(std::size_t index) const;
    // Box widths: the frame and margins around a text, a numeric box, a file box.
    int boxChrome() const;
    int numericBoxWidth(std::size_t index) const;
    int fileBoxWidth(std::size_t index) const;
    int focusedItem() const;
    // Tab and Shift+Tab: the next field in the form's order, built when needed.
    // When the focused field has been scrolled out of view (or none has the
    // focus), Tab starts at the first field in view and Shift+Tab at the last.
    bool focusNextField(bool next);
    bool inView(std::size_t index) const;
    // The first item whose row is in view (next), or one past the last (!next).
    int firstInView(bool next) const;
    // The number of a numeric field: the typed text when there is one, else the
    // kept value; empty when the text is no number.
    std::optional<long double> numericValue(std::size_t index) const;
    QString shownText(std::size_t index) const;
    // A choice the user made: refused with a message (the previous row comes
    // back) when the deck could not be read back with its value.
    void choiceChosen(std::size_t index, int row);
    // A file the user chose for a file field: a path holding a blank becomes the
    // path relative to the form's folder when that holds none. Returns why the
    // name cannot be used, empty when it can.
    QString vetFileName(std::size_t index, QString& name) const;
    bool commandsAllowed() const;
    QLineEdit* focusedField() const;

    QString fileName_;
    QPointer<TCompiling> progress_;
    quivet::QuivetDocument doc_;
    std::vector<Row> controls_;
    std::vector<FieldState> state_;
    std::set<std::size_t> live_;   // the items whose rows have controls
    std::vector<int> top_;         // each item's row top
    std::vector<int> reach_;       // the lowest bottom of the rows up to each item
    std::vector<QPixmap> pictures_;
    std::size_t keep_ = SIZE_MAX;  // a row being brought into view
    QScrollArea* scrollBox_{nullptr};
    QWidget* rows_{nullptr};
    int W_ = 8;
    int H_ = 16;
    int errorFlag_ = 0;
    int units_ = 1;
    QString findText_;
    enum class Approval { NotAsked, Allowed, Refused };
    mutable Approval approval_ = Approval::NotAsked;
};
