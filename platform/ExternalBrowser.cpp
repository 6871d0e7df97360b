#include "ExternalBrowser.h"
