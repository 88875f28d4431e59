#include "waitabletimer.h"
