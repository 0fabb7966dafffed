#include "help/helpu.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "help/helptext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

THelpDlg::THelpDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpDlg"));
    setWindowTitle(QStringLiteral("Help"));
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* v = new QVBoxLayout(this);
    v->addWidget(Memo);
    v->addWidget(buttons);
    resize(460, 320);
}

QString THelpDlg::text() const { return Memo->toPlainText(); }

void THelpDlg::FormActivate() {
    if (!fieldLabel.isEmpty()) setWindowTitle(fieldLabel);
    Memo->clear();
    filePath = toQ(pal::topicFileFor(toBytes(filePath)));
    const auto found = pal::findFile(toBytes(filePath));
    if (!found) {
        Memo->setPlainText(QStringLiteral("File ") + filePath + QStringLiteral(" was not found."));
        return;
    }
    // The file is searched whole for its topic: its size is known before it
    // is read, and a file far beyond any help text is not read at all.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*found, ec)) {
        Memo->setPlainText(QStringLiteral("File ") + toQ(*found) + QStringLiteral(" is not a help text file."));
        return;
    }
    std::string bytes;
    try {
        pal::FileHead file = pal::readFileHead(*found, pal::kMaxTopicFile + 1);
        if (file.size > pal::kMaxTopicFile || file.head.size() > pal::kMaxTopicFile) {
            Memo->setPlainText(QStringLiteral("The help file %1 is too large to read (%2 bytes; at most %3).")
                                   .arg(toQ(*found))
                                   .arg(std::max<quint64>(file.size, file.head.size()))
                                   .arg(pal::kMaxTopicFile));
            return;
        }
        bytes = std::move(file.head);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    if (topic != 0)
        GetHelpText(bytes);
    else
        Memo->setPlainText(QStringLiteral("Help is not available for this entry."));
}

void THelpDlg::GetHelpText(const std::string& fileBytes) {
    const auto t = pal::topicText(fileBytes, topic);
    if (!t) {
        Memo->setPlainText(QStringLiteral("Help is not available for this topic"));
        return;
    }
    Memo->setPlainText(textFromBytes(*t));
}
