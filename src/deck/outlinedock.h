// TOutlineDock: the Outline panel. It shows the outline of the active deck
// editor (units with their type names, CONSTANTS and EQUATIONS blocks with
// their names, ASSIGN and SIMULATION) and follows it a moment after typing
// stops; a click on an entry goes to its line.
#pragma once
#include <QDockWidget>
#include <QPointer>

class QTreeWidget;
class QTreeWidgetItem;
class TDeckAssist;

class TOutlineDock : public QDockWidget {
    Q_OBJECT
public:
    explicit TOutlineDock(QWidget* parent = nullptr);

    // The deck whose outline is shown; null shows none.
    void follow(TDeckAssist* assist);
    TDeckAssist* followed() const { return assist_; }
    QTreeWidget* tree() const { return tree_; }

private:
    void rebuild();
    void goTo(QTreeWidgetItem* item);

    QTreeWidget* tree_{nullptr};
    QPointer<TDeckAssist> assist_;
    QMetaObject::Connection connection_;
};
