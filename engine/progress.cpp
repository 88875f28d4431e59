#include "progress.h"
