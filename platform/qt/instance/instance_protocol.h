// What travels over the instance link: one request a line, "show" or
// "foreground", optionally followed by one blank and the xdg-activation
// token the sender was started with, then a line end. Nothing else is a
// request; a connection that sends anything else is ended.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::qt {

enum class LinkVerb { Show, Foreground };

struct LinkRequest {
    LinkVerb verb;
    std::string token;  // empty when none was sent

    bool operator==(const LinkRequest&) const = default;
};

// "foreground", a blank, a token of 255 characters and the line end.
constexpr std::size_t LONGEST_LINK_LINE = 10 + 1 + 255 + 1;

// One line without its line end; nothing when it is not a request.
std::optional<LinkRequest> ParseLinkRequest(std::string_view line);

// The line for a request, line end included. A token that is not well
// formed is left out.
std::string FormatLinkRequest(LinkVerb verb, std::string_view token);

// Splits what arrives on one connection, in pieces of any size, into
// requests. It holds at most one line, so a sender cannot make it grow.
class LinkRequestReader {
public:
    // Appends the requests completed by `bytes` to `requests`; false once
    // the stream has broken the protocol (a line that is no request, or one
    // longer than any request), after which it must be read no further.
    bool Feed(std::string_view bytes, std::vector<LinkRequest>& requests);

    // Bytes of an unfinished line.
    std::size_t Pending() const { return length_; }

private:
    std::array<char, LONGEST_LINK_LINE> line_{};
    std::size_t length_ = 0;
    bool broken_ = false;
};

}  // namespace platform::qt
