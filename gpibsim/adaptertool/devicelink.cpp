// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/devicelink.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace gpibsim::adaptertool {

namespace {

std::runtime_error failure(const std::string &path, const std::string &what) {
    return std::runtime_error(path + ": " + what);
}

// Where the link at `path` points, or nothing when there is no link there.
std::string linkTarget(const std::string &path) {
    std::vector<char> target(4096);
    const ssize_t size = readlink(path.c_str(), target.data(), target.size());
    return size > 0 ? std::string(target.data(), static_cast<std::size_t>(size)) : std::string();
}

} // namespace

DeviceLink::DeviceLink(std::string path, const std::string &target) : path_(std::move(path)) {
    struct stat status;
    if (lstat(path_.c_str(), &status) == 0 && !S_ISLNK(status.st_mode))
        throw failure(path_, "is not a symbolic link; refusing to replace it");
    retarget(target);
}

DeviceLink::~DeviceLink() {
    if (linkTarget(path_) == target_)
        unlink(path_.c_str());
}

void DeviceLink::retarget(const std::string &target) {
    // Made beside its place and renamed over it, so that the path never lacks a link.
    const std::string fresh = path_ + ".gpibsim-adapter." + std::to_string(getpid());
    unlink(fresh.c_str());
    if (symlink(target.c_str(), fresh.c_str()) != 0)
        throw failure(path_, std::string("cannot make the link: ") + std::strerror(errno));
    if (rename(fresh.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        unlink(fresh.c_str());
        throw failure(path_, std::string("cannot make the link: ") + std::strerror(error));
    }
    target_ = target;
}

} // namespace gpibsim::adaptertool
