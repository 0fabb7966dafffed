#include "table/okcancel.h"

#include <QHBoxLayout>
#include <QPushButton>

OkCancelRow makeOkCancelRow(QWidget* dialog, std::initializer_list<QPushButton*> between) {
    OkCancelRow r;
    r.ok = new QPushButton(QStringLiteral("OK"), dialog);
    r.cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    r.row = new QHBoxLayout;
    r.row->addStretch();
    r.row->addWidget(r.ok);
    for (QPushButton* b : between) r.row->addWidget(b);
    r.row->addWidget(r.cancel);
    r.ok->setAutoDefault(false);
    r.cancel->setAutoDefault(false);
    for (QPushButton* b : between) b->setAutoDefault(false);
    return r;
}
