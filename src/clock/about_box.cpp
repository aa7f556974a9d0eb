#include "clock/about_box.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QVBoxLayout>

#include "core/clock/colors.h"
#include "ui/gradient_paint.h"
#include "ui/languages.h"

namespace ostrel {

namespace {

// The clock face drawn large for the box.
QPixmap facePixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(2, 2, size - 4, size - 4);
    p.setPen(QPen(toQColor(DarkenColor(Color(0xBFFCBA), 60)), 3));
    p.setBrush(toQColor(Color(0xBFFCBA)));
    p.drawEllipse(face);
    const QPointF c = face.center();
    p.setPen(QPen(toQColor(DarkenColor(Color(0xBFFCBA), 60)), 2));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 30.0);
        p.drawLine(QPointF(0, -size * 0.40), QPointF(0, -size * 0.34));
        p.restore();
    }
    p.setPen(QPen(toQColor(Color(0x800000)), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x(), c.y() - size * 0.30));
    p.drawLine(c, QPointF(c.x() + size * 0.20, c.y() + size * 0.06));
    return pm;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setPixmap(facePixmap(72));

    lbProductName = new QLabel(QStringLiteral("Ostrel Organizer"), this);
    lbProductName->setObjectName(QStringLiteral("lbProductName"));
    QFont big = lbProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lbProductName->setFont(big);

    lbVersionTitle = new QLabel(QStringLiteral("Version"), this);
    lbVersionTitle->setObjectName(QStringLiteral("lbVersionTitle"));
    lbVersion = new QLabel(QStringLiteral(OSTREL_VERSION), this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setMinimumWidth(80);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lbProductName);
    auto* version = new QHBoxLayout;
    version->setSpacing(6);
    version->addWidget(lbVersionTitle);
    version->addWidget(lbVersion);
    version->addStretch(1);
    texts->addLayout(version);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 12);
    outer->addLayout(top);
    outer->addSpacing(8);
    outer->addLayout(buttons);

    // Each control (not the window itself) carries the help context.
    for (QWidget* control :
         {static_cast<QWidget*>(picture), static_cast<QWidget*>(lbProductName), static_cast<QWidget*>(lbVersionTitle),
          static_cast<QWidget*>(lbVersion), static_cast<QWidget*>(btnOK)}) {
        control->setProperty("helpContext", 5);
    }

    TranslateForm(this);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

}  // namespace ostrel
