#include "widgets/rescale.h"

#include <QFont>
#include <QWidget>

#include <cmath>
#include <vector>

namespace lumivox {

namespace {
int scaled(int value, double factor) {
    return static_cast<int>(std::lround(value * factor));
}

QFont scaledFont(QFont font, double factor) {
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * factor);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(1, scaled(font.pixelSize(), factor)));
    }
    return font;
}

struct Design {
    QWidget* control;
    QRect geometry;
    QFont font;
};
}  // namespace

void rescaleForm(QWidget* form, double fx, double fy, QWidget* fontAlsoByFy) {
    if (form == nullptr || (fx == 1.0 && fy == 1.0)) {
        return;
    }
    std::vector<Design> controls;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        controls.push_back({control, control->geometry(), control->font()});
    }
    form->resize(scaled(form->width(), fx), scaled(form->height(), fy));
    for (const Design& d : controls) {
        d.control->setGeometry(scaled(d.geometry.x(), fx), scaled(d.geometry.y(), fy),
                               scaled(d.geometry.width(), fx), scaled(d.geometry.height(), fy));
        const double fontFactor = d.control == fontAlsoByFy ? fx * fy : fx;
        d.control->setFont(scaledFont(d.font, fontFactor));
    }
}

}  // namespace lumivox
