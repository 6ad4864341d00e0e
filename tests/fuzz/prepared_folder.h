// A folder for the harnesses that read status files, made once per run on
// a memory file system when there is one, and removed at exit. The status
// roots point into it.
#pragma once

#include <string>
#include <string_view>

namespace fuzz {

// The folder, made on first use; VELORWIND_SYSFS and VELORWIND_PROCFS point
// at its sys and proc.
const std::string& PreparedFolder();

// Writes `content` to `relative` inside it, making the folders on the way.
void WriteFile(std::string_view relative, std::string_view content);

// Removes `relative` if it is there.
void RemoveFile(std::string_view relative);

// A symbolic link at `relative` holding `target`.
void Link(std::string_view relative, std::string_view target);

}  // namespace fuzz
