#include "splash.h"

#include "appinfo.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
// The product logo, drawn on white: a handset over a keypad.
QImage DrawLogo()
{
    QImage img(96, 96, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 140));
    p.drawRoundedRect(QRect(8, 10, 80, 18), 8, 8);
    p.setBrush(QColor(200, 40, 40));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            p.drawRect(QRect(22 + c * 20, 36 + r * 14, 12, 9));
    return img;
}
} // namespace

QImage frmSplash::recolouredLogo()
{
    QImage logo = DrawLogo();
    const QRgb key = logo.pixel(0, 0);
    const QRgb back = background().rgb();
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            if (logo.pixel(x, y) == key)
                logo.setPixel(x, y, back);
    return logo;
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background());
    setPalette(pal);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(QPixmap::fromImage(recolouredLogo()));
    logo->setAlignment(Qt::AlignCenter);

    auto* product = new QLabel(App().title, this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont f = product->font();
    f.setPointSize(f.pointSize() * 2);
    f.setBold(true);
    product->setFont(f);
    product->setAlignment(Qt::AlignHCenter);

    auto* version = new QLabel(QStringLiteral("Version ") + App().versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignHCenter);

    auto* legal = new QLabel(QStringLiteral("Copyright: (C) ") + App().company
                                 + QStringLiteral(". All rights reserved."),
                             this);
    legal->setObjectName(QStringLiteral("lblCopyright"));
    legal->setAlignment(Qt::AlignHCenter);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setAlignment(Qt::AlignHCenter);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 16, 24, 16);
    lay->addWidget(logo);
    lay->addWidget(product);
    lay->addWidget(version);
    lay->addWidget(legal);
    lay->addWidget(lblStatus_);
    resize(360, 260);
    QApplication::restoreOverrideCursor();
}

void frmSplash::setStatusText(const QString& text)
{
    lblStatus_->setText(text);
}
