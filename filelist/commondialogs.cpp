#include "commondialogs.h"
