#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>

class QWidget;

namespace lumivox {

// The program's own look, in place of a skinning library: a style sheet and palette from the
// program's resources. Nothing depends on these results; each returns 0 when it did its work.
int SkinH_Attach();
int SkinH_Aero(QWidget* window);
// alpha: opacity (0..255) of the toolbar strip over the window background; a non-black
// colour (red, green, blue) replaces the accent. The shadow parameters have no effect here.
int SkinH_Aero_Adjust(int alpha, int shwColor, int shwSize, int shwSharp, int shwOffX, int shwOffY,
                      int crRed, int crGreen, int crBlue);

// The desktop's sans-serif at a point size, with a CJK family behind it for the Chinese texts.
QFont uiFont(double points, bool bold = false);

// A picture of the program's resources (":/lumivox/..."), drawn at the given size.
QPixmap resourcePicture(const QString& name, int width, int height);

}  // namespace lumivox
