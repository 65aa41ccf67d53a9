#include "platform/single_instance.h"

#include "platform/directories.h"

namespace orvane::platform {

int SingleInstance::acquire(const std::string& directory) {
    return lock_.open(join_path(directory, "orvane.lock"), Access::ReadWrite, Share::None,
                      Disposition::OpenAlways);
}

}  // namespace orvane::platform
