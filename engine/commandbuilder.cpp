#include "commandbuilder.h"
