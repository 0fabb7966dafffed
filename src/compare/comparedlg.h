// TCompareDlg: File > Compare... asks for the reference and the new result
// file and the tolerance; the tolerance is remembered between uses.
#pragma once
#include <QDialog>

#include "compare/tolerance.h"

class QCheckBox;
class QLineEdit;

struct CompareRequest {
    QString reference, candidate;
    cmp::Tolerance tolerance;
    bool exactText = false;  // numbers in texts compared as written
};

// The tolerance and text switch as the user left them (palumaro.conf).
CompareRequest rememberedCompareSettings();
void rememberCompareSettings(const CompareRequest& request);

class TCompareDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCompareDlg(QWidget* parent = nullptr);

    void setRequest(const CompareRequest& request);
    // The fields as a request; valid only after OK was accepted.
    CompareRequest request() const { return request_; }

    // OK: both files must exist and the tolerances be numbers of 0 or more; a
    // bad number is refused with a beep and selected, a missing file named.
    void OKBtnClick();

    QLineEdit* ReferenceEdit{nullptr};
    QLineEdit* NewEdit{nullptr};
    QLineEdit* AbsEdit{nullptr};
    QLineEdit* RelEdit{nullptr};
    QCheckBox* ExactBox{nullptr};

private:
    void browse(QLineEdit* edit, const QString& title);
    CompareRequest request_;
};
