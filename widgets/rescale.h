#pragma once

class QWidget;

namespace lumivox {

// Scales a window designed at 96 dots per inch to the screen: the window's size by fx and fy,
// then every control's left, width and font size by fx and top and height by fy. The font of
// `fontAlsoByFy` is first scaled by fy as well, so it ends at fx * fy of its design size.
// All values are taken from the design state before anything changes, so inherited fonts are
// not scaled twice. A control whose geometry a layout manages keeps what its layout gives it.
void rescaleForm(QWidget* form, double fx, double fy, QWidget* fontAlsoByFy = nullptr);

}  // namespace lumivox
