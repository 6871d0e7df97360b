#pragma once

#include <cstdint>
#include <string>

namespace vorlinda::platform::VolumeSerial {

// The 32-bit serial of the file system holding the system volume ("/" here,
// "C:\" on Windows); 0 when it cannot be read.
std::uint32_t systemVolumeSerial();

// The machine identifier sent with the banner address: the serial as unsigned
// decimal digits.
std::string machineIdentifier();

// A serial as the banner address carries it: unsigned decimal, no sign, no
// leading zeros, no separators (one to ten digits).
std::string formatSerial(std::uint32_t serial);

} // namespace vorlinda::platform::VolumeSerial
