#include "filelistmodel.h"
