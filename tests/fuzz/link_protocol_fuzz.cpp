// The instance link's requests as they arrive on a connection, in pieces of
// any size. Properties: a reference reading of each line agrees with the
// parser; how the bytes are cut into pieces changes nothing; every request
// read formats back to the line it came from; the reader never holds more
// than one line.
#include <string>
#include <string_view>
#include <vector>

#include "platform/qt/instance/instance_protocol.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::qt::LinkRequest;
using platform::qt::LinkRequestReader;
using platform::qt::LinkVerb;

// The protocol read straight from its definition.
bool IsRequestLine(std::string_view line) {
    for (const std::string_view verb : {std::string_view("show"), std::string_view("foreground")}) {
        if (!line.starts_with(verb)) continue;
        const std::string_view rest = line.substr(verb.size());
        if (rest.empty()) return true;
        if (rest.front() != ' ' || rest.size() < 2 || rest.size() > 256) return false;
        for (const char c : rest.substr(1)) {
            if (c < '!' || c > '~') return false;
        }
        return true;
    }
    return false;
}

struct Reading {
    std::vector<LinkRequest> requests;
    bool intact;
};

Reading ReadInPieces(std::string_view bytes, std::size_t pieceSize) {
    LinkRequestReader reader;
    Reading reading{{}, true};
    while (reading.intact && !bytes.empty()) {
        const std::string_view piece = bytes.substr(0, pieceSize);
        bytes.remove_prefix(piece.size());
        reading.intact = reader.Feed(piece, reading.requests);
        FUZZ_CHECK(reader.Pending() < platform::qt::LONGEST_LINK_LINE);
    }
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t pieceSize = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    // The reference: whole lines in order, up to the first that is not a
    // request or that is longer than any request.
    std::vector<std::string_view> expected;
    bool expectIntact = true;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (line.size() >= platform::qt::LONGEST_LINK_LINE ||
            (end != std::string_view::npos && !IsRequestLine(line))) {
            expectIntact = false;
            break;
        }
        if (end == std::string_view::npos) break;
        expected.push_back(line);
        rest.remove_prefix(end + 1);
    }

    const Reading whole = ReadInPieces(bytes, bytes.size() + 1);
    const Reading pieces = ReadInPieces(bytes, pieceSize);
    FUZZ_CHECK(whole.intact == expectIntact);
    FUZZ_CHECK(pieces.intact == whole.intact);
    FUZZ_CHECK(pieces.requests == whole.requests);
    FUZZ_CHECK(whole.requests.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const LinkRequest& request = whole.requests[i];
        const std::string line = platform::qt::FormatLinkRequest(request.verb, request.token);
        FUZZ_CHECK(line == std::string(expected[i]) + "\n");
        FUZZ_CHECK(platform::qt::ParseLinkRequest(expected[i]) == request);
    }
    return 0;
}
