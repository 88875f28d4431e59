#include "dosoutputs.h"
