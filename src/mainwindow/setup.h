// TSetupDlg: the setup dialog ("PALUMARO Setup") that shows and changes the
// settings of PALUMARO.DFT and the engine switches of CNFGKV.KVN.
#pragma once
#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class TRunSetupGroup;

class TSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSetupDlg(QWidget* parent = nullptr);

    // Reads PALUMARO.DFT from the program directory into the settings; false
    // (after the message) when the file is missing.
    static bool ReadDFT();

    // Fills the dialog from the settings and CNFGKV.KVN. False when CNFGKV.KVN is
    // missing: the message has been shown and the dialog must not be opened.
    [[nodiscard]] bool FormActivate();
    // OK and Cancel alike: apply the dialog to the settings, rewrite CNFGKV.KVN.
    void OKBtnClick();
    // OKBtnClick, then write PALUMARO.DFT.
    void StoreClick();
    void TabSetClick(int index);
    // Cancel, Esc and closing the dialog: applied like OK.
    void reject() override;

    // The Browse button beside a directory or command-line field: a directory
    // chooser, or a file dialog whose program replaces the command's first word.
    enum class Browse { Directory, Program };
    void BrowseClick(QLineEdit* edit, const QString& label, Browse browse);

    QTabBar* tabSet() const { return tabSet_; }
    TRunSetupGroup* tableRuns() const { return tableRuns_; }
    QStackedWidget* pages() const { return pages_; }

signals:
    // OK applied a unit system (the open QUIVET forms show their values in it).
    void unitSystemChanged(int oldSystem, int newSystem);

private:
    void FormCreate();
    QWidget* buildConfigPage();
    QWidget* buildQuivetPage();
    QWidget* buildCompilePage();
    QWidget* buildDirectoriesPage();
    QLineEdit* addEdit(class QGridLayout* grid, int row, const QString& name, const QString& label,
                       const QString& text, Browse browse, QLabel** labelOut = nullptr);

    QTabBar* tabSet_{nullptr};
    QStackedWidget* pages_{nullptr};
    std::array<QCheckBox*, 7> switches_{};
    QRadioButton* SIB{nullptr};
    QRadioButton* English{nullptr};
    QCheckBox* Header{nullptr};
    QCheckBox* Simulationcard{nullptr};
    QLineEdit* Compile{nullptr};
    QLineEdit* Build{nullptr};
    QLineEdit* DOSCommand{nullptr};
    QLineEdit* KALVEX{nullptr};
    QLineEdit* MORDAXX{nullptr};
    QLabel* MordaxLabel{nullptr};
    QLineEdit* TEKLOR{nullptr};
    QLineEdit* ULM{nullptr};
    QLineEdit* GASK{nullptr};
    QLineEdit* ZOBREL{nullptr};
    QRadioButton* B16{nullptr};
    QRadioButton* B32{nullptr};
    TRunSetupGroup* tableRuns_{nullptr};
};
