// TAboutBox: the about box shown at start-up and from the Help (or Windows) menu.
#pragma once
#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(bool quivetMode, QWidget* parent = nullptr);
    QString productName() const;
    QString subtitle() const;
    QString versionLine() const;

private:
    QLabel* ProductName{nullptr};
    QLabel* Subtitle{nullptr};
    QLabel* Bits{nullptr};
    QLabel* Version{nullptr};
};
