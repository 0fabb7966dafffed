#include "deck/messagesdock.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include "shell/qtbytes.h"

TMessagesDock::TMessagesDock(QWidget* parent) : QDockWidget(QStringLiteral("Messages"), parent) {
    setObjectName(QStringLiteral("MessagesDock"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("MessageList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Line"), QStringLiteral("Message"),
                            QStringLiteral("File")});
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    setWidget(list_);
    connect(list_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { activate(list_->indexOfTopLevelItem(item)); });
    listener_ = pal::messageBoard().subscribe([this] { rebuild(); });
    rebuild();
}

TMessagesDock::~TMessagesDock() { pal::messageBoard().unsubscribe(listener_); }

void TMessagesDock::rebuild() {
    entries_.clear();
    list_->clear();
    const QIcon error = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QList<QTreeWidgetItem*> items;
    for (const pal::MessageSet& set : pal::messageBoard().sets()) {
        const QString file = toQ(set.file);
        for (const pal::FileMessage& m : set.messages) {
            entries_.push_back({set.source, file, m});
            const bool isError = m.severity == pal::Severity::Error;
            auto* item = new QTreeWidgetItem;
            item->setIcon(0, isError ? error : warning);
            item->setText(0, isError ? QStringLiteral("Error") : QStringLiteral("Warning"));
            item->setText(1, m.line > 0 ? QString::number(m.line) : QString());
            item->setText(2, toQ(m.text));
            item->setToolTip(2, toQ(m.text));
            item->setText(3, QFileInfo(file).fileName());
            item->setToolTip(3, file);
            items << item;
        }
    }
    list_->addTopLevelItems(items);
    list_->resizeColumnToContents(0);
    list_->resizeColumnToContents(1);
}

void TMessagesDock::activate(int row) {
    if (row < 0 || row >= entries_.size()) return;
    emit messageActivated(entries_[row]);
}

bool TMessagesDock::step(int direction) {
    const int n = static_cast<int>(entries_.size());
    if (n == 0) return false;
    const int current = list_->indexOfTopLevelItem(list_->currentItem());
    const int next = current < 0 ? (direction > 0 ? 0 : n - 1) : ((current + direction) % n + n) % n;
    list_->setCurrentItem(list_->topLevelItem(next));
    list_->scrollToItem(list_->topLevelItem(next));
    activate(next);
    return true;
}
