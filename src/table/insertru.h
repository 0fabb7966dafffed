// TInsertRunsDlg: inserts undefined runs into the current table or deletes runs,
// at the top, at the bottom or after a given run.
#pragma once
#include <QDialog>
#include <QPointer>

class QLineEdit;
class QPushButton;
class QRadioButton;
class TTableForm;

class TInsertRunsDlg : public QDialog {
    Q_OBJECT
public:
    enum Position { AtTop = 0, AtBottom = 1, AfterRow = 2 };

    explicit TInsertRunsDlg(QWidget* parent = nullptr);

    void setTable(TTableForm* table) { table_ = table; }

    void FormActivate();
    void InsertButtonClick() { insert_ = true; }
    void DeleteButtonClick() { insert_ = false; }
    void AttopClick();
    void AtbottomClick();
    void AfterRowClick();
    void OKBtnClick();

    QRadioButton* InsertButton{nullptr};
    QRadioButton* DeleteButton{nullptr};
    QRadioButton* Attop{nullptr};
    QRadioButton* Atbottom{nullptr};
    QRadioButton* AfterRowBtn{nullptr};
    QLineEdit* RowEdit{nullptr};
    QLineEdit* NumRowsEdit{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

private:
    void setPosition(Position p);

    QPointer<TTableForm> table_;
    bool insert_ = true;
    Position position_ = AtTop;
    // Shown each time the dialog opens; what the user types does not change them.
    int afterRow_ = 2;
    int rowCount_ = 10;
};
