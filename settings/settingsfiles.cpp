#include "settingsfiles.h"
