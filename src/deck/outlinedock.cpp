#include "deck/outlinedock.h"

#include <QHeaderView>
#include <QSet>
#include <QTreeWidget>

#include "deck/deckassist.h"
#include "shell/qtbytes.h"

namespace {

constexpr int kLineRole = Qt::UserRole + 1;

QString entryText(const deck::OutlineEntry& e) {
    QString s = toQ(e.text);
    if (!e.detail.empty()) s += QStringLiteral(" \u2014 ") + toQ(e.detail);
    return s;
}

}  // namespace

TOutlineDock::TOutlineDock(QWidget* parent) : QDockWidget(QStringLiteral("Outline"), parent) {
    setObjectName(QStringLiteral("OutlineDock"));
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("OutlineTree"));
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    setWidget(tree_);
    connect(tree_, &QTreeWidget::itemClicked, this, &TOutlineDock::goTo);
    connect(tree_, &QTreeWidget::itemActivated, this, &TOutlineDock::goTo);
}

void TOutlineDock::follow(TDeckAssist* assist) {
    if (assist == assist_ && assist) return;
    disconnect(connection_);
    assist_ = assist;
    if (assist) connection_ = connect(assist, &TDeckAssist::outlineChanged, this, &TOutlineDock::rebuild);
    rebuild();
}

void TOutlineDock::rebuild() {
    // Blocks the user folded stay folded.
    QSet<QString> folded;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (tree_->topLevelItem(i)->childCount() > 0 && !tree_->topLevelItem(i)->isExpanded())
            folded.insert(tree_->topLevelItem(i)->text(0));
    tree_->clear();
    if (!assist_) return;
    QList<QTreeWidgetItem*> items;
    for (const deck::OutlineEntry& e : assist_->outline()) {
        auto* item = new QTreeWidgetItem({entryText(e)});
        item->setData(0, kLineRole, e.line);
        item->setToolTip(0, QStringLiteral("Line %1").arg(e.line));
        for (const deck::OutlineEntry& c : e.children) {
            auto* child = new QTreeWidgetItem(item, {toQ(c.text)});
            child->setData(0, kLineRole, c.line);
            child->setToolTip(0, QStringLiteral("Line %1").arg(c.line));
        }
        items << item;
    }
    tree_->addTopLevelItems(items);
    for (QTreeWidgetItem* item : std::as_const(items))
        if (item->childCount() > 0) item->setExpanded(!folded.contains(item->text(0)));
}

void TOutlineDock::goTo(QTreeWidgetItem* item) {
    if (!item || !assist_) return;
    assist_->goToLine(item->data(0, kLineRole).toInt(), false);
}
