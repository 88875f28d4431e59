#pragma once

#include "tooljob/mp3track.h"

namespace lumivox::tools {

using tooljob::parseAtrim;
using tooljob::SampleSpan;

}  // namespace lumivox::tools
