// Writes the resource script of the Windows executable, built and run on the
// build machine. Its input is the program image of the portable build: every
// resource it holds (the two dialog templates, the icon group, the version
// block) goes into the script as its bytes stand, in its language, so the
// executable's resources are the same bytes as those the other builds carry.
//
//   resource_script OUTPUT_FOLDER MANIFEST
//
// writes OUTPUT_FOLDER/velorwind.rc and one file per resource beside it; the
// manifest is named in the script as it stands.

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/module.h"

namespace {

// windres reads the script's strings with C escapes.
std::string Quoted(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool WriteBytes(const std::string& path, const platform::ResourceRecord& resource) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(resource.data),
              static_cast<std::streamsize>(resource.size));
    return static_cast<bool>(out);
}

// An icon group is kept as its icon file; the script's ICON statement
// splits it into the group and its images.
std::string Statement(const platform::ResourceRecord& resource, const std::string& file) {
    const std::string id = std::to_string(resource.id);
    if (resource.type == platform::RESOURCE_ICON_GROUP) return id + " ICON " + Quoted(file);
    return id + " " + std::to_string(resource.type) + " " + Quoted(file);
}

std::string Language(std::uint16_t language) {
    return "LANGUAGE " + std::to_string(language & 0x3FF) + ", " + std::to_string(language >> 10);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: resource_script OUTPUT_FOLDER MANIFEST\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::ofstream script(folder + "/velorwind.rc", std::ios::trunc);
    script << "// Generated from the program image by resource_script; do not edit.\n";
    script << "LANGUAGE 0, 0\n1 24 " << Quoted(argv[2]) << "\n";

    const platform::Module& image = *platform::ProgramImage();
    for (std::size_t i = 0; i < image.resourceCount; ++i) {
        const platform::ResourceRecord& resource = image.resources[i];
        const bool isIcon = resource.type == platform::RESOURCE_ICON_GROUP;
        const std::string file = folder + "/resource_" + std::to_string(resource.type) + "_" +
                                 std::to_string(resource.id) + (isIcon ? ".ico" : ".bin");
        if (!WriteBytes(file, resource)) {
            std::fprintf(stderr, "resource_script: cannot write %s\n", file.c_str());
            return 1;
        }
        script << Language(resource.language) << "\n" << Statement(resource, file) << "\n";
    }
    if (!script) {
        std::fprintf(stderr, "resource_script: cannot write %s/velorwind.rc\n", folder.c_str());
        return 1;
    }
    return 0;
}
