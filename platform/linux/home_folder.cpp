#include "platform/linux/home_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::linux_status {

const char* HomeFolder(std::array<char, HOME_FOLDER_BUFFER>& buffer) {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    passwd account{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &account, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') {
        return nullptr;
    }
    return found->pw_dir;
}

}  // namespace platform::linux_status
