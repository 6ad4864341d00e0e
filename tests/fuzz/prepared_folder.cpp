#include "tests/fuzz/prepared_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_check.h"

namespace fuzz {

namespace {

namespace fs = std::filesystem;

std::string MakeFolder() {
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "velorwind-fuzz-XXXXXX").string();
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    fs::create_directories(pattern + "/sys");
    fs::create_directories(pattern + "/proc");
    ::setenv("VELORWIND_SYSFS", (pattern + "/sys").c_str(), 1);
    ::setenv("VELORWIND_PROCFS", (pattern + "/proc").c_str(), 1);
    return pattern;
}

void RemoveAtExit() {
    std::error_code ignored;
    fs::remove_all(PreparedFolder(), ignored);
}

}  // namespace

const std::string& PreparedFolder() {
    static const std::string folder = [] {
        std::string made = MakeFolder();
        return made;
    }();
    static const bool removal = std::atexit(RemoveAtExit) == 0;
    (void)removal;
    return folder;
}

void WriteFile(std::string_view relative, std::string_view content) {
    const fs::path file = PreparedFolder() + "/" + std::string(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

void RemoveFile(std::string_view relative) {
    std::error_code ignored;
    fs::remove(PreparedFolder() + "/" + std::string(relative), ignored);
}

void Link(std::string_view relative, std::string_view target) {
    const fs::path link = PreparedFolder() + "/" + std::string(relative);
    fs::create_directories(link.parent_path());
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_symlink(target, link);
}

}  // namespace fuzz
