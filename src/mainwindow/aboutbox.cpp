#include "mainwindow/aboutbox.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(bool quivetMode, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    ProductName = new QLabel(quivetMode ? QStringLiteral("QUIVET") : QStringLiteral("PALUMARO"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    ProductName->setFont(big);
    Subtitle = new QLabel(quivetMode ? QStringLiteral("An Editor Program for KALVEX")
                                     : QStringLiteral("An Environment Program for KALVEX"),
                          this);
    Subtitle->setObjectName(QStringLiteral("Subtitle"));
    Bits = new QLabel(QStringLiteral("32-bit"), this);
    Version = new QLabel(QStringLiteral("Version ") + QStringLiteral("1.80") + QStringLiteral("    ") +
                             QStringLiteral("4/26/97"),
                         this);
    Version->setObjectName(QStringLiteral("Version"));

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* pv = new QVBoxLayout(panel);
    pv->setContentsMargins(24, 18, 24, 18);
    pv->setSpacing(6);
    for (QLabel* l : {ProductName, Subtitle, Bits, Version}) {
        l->setAlignment(Qt::AlignHCenter);
        pv->addWidget(l);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* v = new QVBoxLayout(this);
    v->addWidget(panel);
    v->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

QString TAboutBox::productName() const { return ProductName->text(); }
QString TAboutBox::subtitle() const { return Subtitle->text(); }
QString TAboutBox::versionLine() const { return Version->text(); }
