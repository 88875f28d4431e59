#include "cmdline.h"
