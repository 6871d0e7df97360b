#include "VolumeSerial.h"
