#include "ResultFile.h"
