#include "platform/qt/instance/instance_protocol.h"

#include <QByteArray>

#include "platform/qt/base/activation.h"

namespace platform::qt {

namespace {

constexpr std::string_view SHOW_WORD = "show";
constexpr std::string_view FOREGROUND_WORD = "foreground";

bool IsWellFormedToken(std::string_view token) {
    return IsWellFormedActivationToken(
        QByteArray::fromRawData(token.data(), static_cast<qsizetype>(token.size())));
}

}  // namespace

std::optional<LinkRequest> ParseLinkRequest(std::string_view line) {
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, blank);
    LinkRequest request{LinkVerb::Show, {}};
    if (word == FOREGROUND_WORD) {
        request.verb = LinkVerb::Foreground;
    } else if (word != SHOW_WORD) {
        return std::nullopt;
    }
    if (blank == std::string_view::npos) return request;
    const std::string_view token = line.substr(blank + 1);
    if (!IsWellFormedToken(token)) return std::nullopt;
    request.token = token;
    return request;
}

std::string FormatLinkRequest(LinkVerb verb, std::string_view token) {
    std::string line(verb == LinkVerb::Show ? SHOW_WORD : FOREGROUND_WORD);
    if (IsWellFormedToken(token)) {
        line += ' ';
        line += token;
    }
    line += '\n';
    return line;
}

bool LinkRequestReader::Feed(std::string_view bytes, std::vector<LinkRequest>& requests) {
    while (!broken_ && !bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        // The line end must fit too: a line that fills the buffer without
        // one is longer than any request.
        if (piece.size() >= line_.size() - length_) {
            broken_ = true;
            break;
        }
        piece.copy(line_.data() + length_, piece.size());
        length_ += piece.size();
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
        const std::optional<LinkRequest> request =
            ParseLinkRequest(std::string_view(line_.data(), length_));
        length_ = 0;
        if (!request) {
            broken_ = true;
            break;
        }
        requests.push_back(*request);
    }
    return !broken_;
}

}  // namespace platform::qt
