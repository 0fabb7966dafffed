// TSweepDlg: Parametrics > Sweep...: for each variable of the table a list of
// values or a range (from, to, count, linear or logarithmic), how they are
// combined, and whether the runs replace the table's runs or follow them.
#pragma once
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "study/sweep.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTableWidget;

struct SweepChoice {
    study::SweepRequest request;
    bool append = false;
};

class TSweepDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { Name, Base, Values, From, To, Count, Log };

    explicit TSweepDlg(QWidget* parent = nullptr);

    // The table's variables and their deck values (none where the deck gives
    // no plain number); clears what was typed.
    void setVariables(const std::vector<std::string>& names, const std::vector<std::optional<long double>>& base);
    // What the fields say. Throws study::SweepError naming the variable and the
    // part at fault.
    SweepChoice choice() const;
    // The runs the fields make (the deck values hold the others where one
    // variable varies at a time). Throws study::SweepError.
    study::SweepRuns runs() const;
    // The number of runs the fields make now, 0 when they are wrong.
    std::size_t runCount() const;

    // Accepts when the fields make a sweep; otherwise tells why and stays open.
    void OKBtnClick();

    // Fills a variable's row: a list ("200, 300") or a range.
    void setList(int row, const QString& values);
    void setRange(int row, double from, double to, int count, bool log);

    QTableWidget* VarGrid{nullptr};
    QRadioButton* OneAtATime{nullptr};
    QRadioButton* FullGrid{nullptr};
    QRadioButton* Hypercube{nullptr};
    QSpinBox* HypercubeRuns{nullptr};
    QLineEdit* Seed{nullptr};
    QRadioButton* Replace{nullptr};
    QRadioButton* Append{nullptr};
    QLabel* RunsLabel{nullptr};

private:
    void updateCount();
    std::vector<std::optional<long double>> base_;
};
