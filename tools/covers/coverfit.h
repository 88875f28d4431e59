#pragma once

#include "tools/covers/cover.h"

namespace lumivox::tools {

// LUMIVOX_COVER_MAX: "500" or "300" asks for pictures no larger than that many pixels a side;
// unset, "0" or anything else keeps them as they are.
int coverMaxFromEnvironment();

// The picture as car stereos and older players show it, for `maxSide` > 0: larger than that, it
// is scaled down (aspect kept, each pixel the mean of those it covers) and written as baseline
// JPEG of quality 90; a baseline JPEG that fits keeps its bytes; a progressive, arithmetic or CMYK
// JPEG and a PNG become baseline JPEG. Type and description stay. Anything that cannot be read,
// and every picture for 0, is returned as it was.
CoverPicture fitCover(CoverPicture picture, int maxSide);

}  // namespace lumivox::tools
