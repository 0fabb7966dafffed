// TQUIVETForm: the document window that shows a QUIVET file as a form of
// labelled, checked input fields in SI or English units and writes it back as
// a runnable deck.
#pragma once
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
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
    // True when a heading text or numeric box was edited or a shown choice changed
    // since the last read or write.
    bool DCKChanged() const;
    void ClearModify();
    // Re-expresses every numeric field in the new unit system.
    void ConvertUnits(int from, int to);

    // ---- TDocWindow ----
    QString fileName() const override { return fileName_; }
    void Print(PrintContext& ctx) override;
    bool isModified() const override { return DCKChanged(); }
    void saveForRun() override { WriteDeck(fileName_); }
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
    // The controls of one item (null where the kind has none).
    struct Row {
        TDescriptor* label = nullptr;
        TDescriptor* unitLabel = nullptr;
        TInput* input = nullptr;
        TFileInput* choice = nullptr;
        TOpenFile* file = nullptr;
        QLabel* bitmap = nullptr;
    };
    const std::vector<Row>& rowControls() const { return controls_; }
    // The help number of the focused control; -1 when no field has the focus.
    int focusedHelpNumber() const;

protected:
    // F1: the help text of the focused field.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Creates and places the controls of every item; throws QuivetError for a
    // picture that cannot be loaded.
    void build(const std::function<void(int)>& progress);
    void place(std::size_t index, int& y);
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
    QScrollArea* scrollBox_{nullptr};
    QWidget* rows_{nullptr};
    int W_ = 8;
    int H_ = 16;
    int errorFlag_ = 0;
    int units_ = 1;
    TDescriptor* previousLabel_{nullptr};
    enum class Approval { NotAsked, Allowed, Refused };
    mutable Approval approval_ = Approval::NotAsked;
};
