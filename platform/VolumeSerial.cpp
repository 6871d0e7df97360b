#include "platform/VolumeSerial.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/statvfs.h>
#endif

namespace vorlinda::platform::VolumeSerial {

std::uint32_t systemVolumeSerial()
{
#ifdef _WIN32
    DWORD serial = 0;
    if (!GetVolumeInformationA("C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return 0;
    return static_cast<std::uint32_t>(serial);
#else
    struct statvfs info
    {};
    if (statvfs("/", &info) != 0)
        return 0;
    // The file system id is as stable from start to start as a volume serial.
    return static_cast<std::uint32_t>(info.f_fsid & 0xFFFFFFFFu);
#endif
}

std::string machineIdentifier()
{
    return formatSerial(systemVolumeSerial());
}

// Unsigned all the way: a serial with the top bit set must not turn negative.
std::string formatSerial(std::uint32_t serial)
{
    return std::to_string(serial);
}

} // namespace vorlinda::platform::VolumeSerial
