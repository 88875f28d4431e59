#include "apppaths.h"
