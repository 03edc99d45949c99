#include "ui/pictures.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

QLabel* NewGradientPicture(QWidget* parent, const QRect& rect)
{
    QPixmap picture(QStringLiteral(":/dialog_gradient.png"));
    if (picture.isNull()) {
        // The same 3 x 56 gradient, should the built-in picture be missing.
        QImage image(3, 56, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            const double t = double(y) / (image.height() - 1);
            const QRgb c = qRgb(int(32 + (37 - 32) * t + 0.5), int(90 + (153 - 90) * t + 0.5),
                                int(146 + (189 - 146) * t + 0.5));
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, c);
        }
        picture = QPixmap::fromImage(image);
    }
    auto* label = new QLabel(parent);
    label->setGeometry(rect);
    label->setScaledContents(true);
    label->setPixmap(picture);
    return label;
}
