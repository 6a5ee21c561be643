// The directory part of a name, the same on every system but for its drives.
#include "platform/fileSystem.h"

#include <algorithm>

namespace platform {

std::size_t directoryLength(const std::string &name) {
    const std::size_t separator = name.find_last_of("\\/");
    const std::size_t afterSeparator = separator == std::string::npos ? 0 : separator + 1;
    return std::max(afterSeparator, drivePrefixLength(name));
}

}  // namespace platform
