// The user's home folder, which holds the object store.
#pragma once

#include <array>
#include <cstddef>

namespace platform::linux_status {

// What an account entry's strings need.
constexpr std::size_t HOME_FOLDER_BUFFER = 16 * 1024;

// $HOME as the user set it, else the account's home folder; null when
// neither is known. `buffer` holds the account entry's strings.
const char* HomeFolder(std::array<char, HOME_FOLDER_BUFFER>& buffer);

}  // namespace platform::linux_status
