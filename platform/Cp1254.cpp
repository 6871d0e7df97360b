#include "Cp1254.h"
