// TOpenFile: the box of a file field on a QUIVET form. It shows the assigned file
// name; a mouse press in it opens a file dialog whose choice becomes the name.
#pragma once
#include <QLineEdit>
#include <functional>

class TOpenFile : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kTag = 22;
    explicit TOpenFile(QWidget* parent = nullptr);

    bool active = true;
    qint32 help = 0;
    QString fileName;  // the name written into the ASSIGN statement
    bool assign = true;
    qint32 unit = 0;

    // Looks at a chosen name before it is taken: may change it (to a form the
    // statement can hold) and returns why it cannot be used, empty when it can.
    std::function<QString(QString& name)> vet;

    // Shows the file name.
    void setFileName(const QString& name);
    // Asks for a file with the open dialog; true when the user chose one that can
    // be used (else the refusal is shown and the name stays).
    bool ShowOpenFileDlg();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Enter, Space and F4 open the dialog too, for users of the keyboard.
    void keyPressEvent(QKeyEvent* event) override;
};
