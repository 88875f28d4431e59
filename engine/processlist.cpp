#include "processlist.h"
