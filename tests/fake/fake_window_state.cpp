// The fake windowing's shared state, its log and the read-only views that
// tests inspect.
#include <algorithm>
#include <cstdio>

#include "tests/fake/fake_platform.h"
#include "tests/fake/fake_windowing_state.h"

namespace fake {

namespace detail {

namespace {

// Status calls are logged by the status fake; they are copied into this log
// whenever it grows or is read, so one log shows both in the order made.
void MergeStatusCalls() {
    WindowingState& state = State();
    const std::vector<std::string>& calls = StatusCalls();
    if (calls.size() < state.statusCallsSeen) state.statusCallsSeen = 0;  // status reset
    for (; state.statusCallsSeen < calls.size(); ++state.statusCallsSeen) {
        state.log.push_back("status " + calls[state.statusCallsSeen]);
    }
}

void CreateOutsideWindows(WindowingState& state) {
    using Kind = platform::WindowObject::Kind;
    for (Kind kind : {Kind::RunningInstance, Kind::Other}) {
        auto window = std::make_unique<platform::WindowObject>();
        window->kind = kind;
        window->visible = kind == Kind::Other;
        (kind == Kind::Other ? state.otherWindow : state.runningInstance) = window.get();
        state.windows.push_back(std::move(window));
    }
}

}  // namespace

WindowingState& State() {
    // Never destroyed: it outlives every static object that might still call in.
    static WindowingState* state = [] {
        auto* fresh = new WindowingState;
        CreateOutsideWindows(*fresh);
        return fresh;
    }();
    return *state;
}

void Record(std::string line) {
    MergeStatusCalls();
    State().log.push_back(std::move(line));
}

std::string Name(platform::WindowHandle window) {
    if (window == nullptr) return "null";
    for (const auto& known : State().windows) {
        if (known.get() != window) continue;
        switch (window->kind) {
        case platform::WindowObject::Kind::Dialog: return "dialog";
        case platform::WindowObject::Kind::Control: return std::to_string(window->id);
        case platform::WindowObject::Kind::RunningInstance: return "running-instance";
        case platform::WindowObject::Kind::Other: return "other-window";
        }
    }
    return "unknown-window";
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

platform::WindowObject* Live(platform::WindowHandle window) {
    if (window == nullptr) return nullptr;
    for (const auto& known : State().windows) {
        if (known.get() == window) return window->destroyed ? nullptr : window;
    }
    return nullptr;
}

std::intptr_t Deliver(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                      std::intptr_t second) {
    platform::WindowObject* target = Live(window);
    if (target == nullptr || target->procedure == nullptr) return 0;
    Record("Procedure " + Name(window) + " " + Hex(message) + " " + std::to_string(first));
    return target->procedure(window, message, first, second) ? 1 : 0;
}

platform::WindowHandle MakeDialog(platform::DialogProcedure procedure) {
    WindowingState& state = State();
    auto dialog = std::make_unique<platform::WindowObject>();
    dialog->kind = platform::WindowObject::Kind::Dialog;
    dialog->procedure = procedure;
    for (std::int32_t id = FIRST_CONTROL_ID; id <= LAST_CONTROL_ID; ++id) {
        auto control = std::make_unique<platform::WindowObject>();
        control->kind = platform::WindowObject::Kind::Control;
        control->id = id;
        control->parent = dialog.get();
        control->visible = true;
        control->text = PLACEHOLDER_TEXT;
        control->client = platform::Rect{0, 0, CONTROL_WIDTH, CONTROL_HEIGHT};
        dialog->controls.push_back(control.get());
        state.windows.push_back(std::move(control));
    }
    state.dialog = dialog.get();
    state.windows.push_back(std::move(dialog));
    return state.dialog;
}

}  // namespace detail

using detail::State;

WindowScript& Script() { return State().script; }

void ResetWindowing() {
    detail::WindowingState& state = State();
    state = detail::WindowingState{};
    state.statusCallsSeen = StatusCalls().size();
    detail::CreateOutsideWindows(state);
}

void ResetDrawing() {
    State().fills.clear();
    State().textDrawings.clear();
    State().releases.clear();
}

const std::vector<std::string>& Log() {
    detail::MergeStatusCalls();
    return State().log;
}

void ClearLog() {
    detail::MergeStatusCalls();
    State().log.clear();
}

std::size_t FindInLog(std::string_view prefix, std::size_t from) {
    const std::vector<std::string>& log = Log();
    for (std::size_t i = from; i < log.size(); ++i) {
        if (log[i].starts_with(prefix)) return i;
    }
    return log.size();
}

std::string Describe(const platform::Rect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

std::string Utf8(std::u16string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        const bool pairStarts = code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() &&
                                text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        if (pairStarts) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;  // a lone surrogate
        }
        if (code < 0x80) {
            result += static_cast<char>(code);
        } else if (code < 0x800) {
            result += static_cast<char>(0xC0 | (code >> 6));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            result += static_cast<char>(0xE0 | (code >> 12));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (code >> 18));
            result += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return result;
}

platform::WindowHandle Dialog() { return State().dialog; }
platform::WindowHandle RunningInstance() { return State().runningInstance; }
platform::WindowHandle OtherWindow() { return State().otherWindow; }
platform::WindowHandle NewDialog(platform::DialogProcedure procedure) {
    return detail::MakeDialog(procedure);
}

bool Visible(platform::WindowHandle window) {
    const platform::WindowObject* live = detail::Live(window);
    return live != nullptr && live->visible;
}

bool Destroyed(platform::WindowHandle window) {
    return window != nullptr && detail::Live(window) == nullptr;
}

platform::WindowHandle Foreground() { return State().foreground; }
void SetForeground(platform::WindowHandle window) { State().foreground = window; }

std::u16string ItemText(platform::WindowHandle dialog, std::int32_t id) {
    const platform::WindowObject* live = detail::Live(dialog);
    if (live == nullptr) return {};
    for (const platform::WindowObject* control : live->controls) {
        if (control->id == id) return control->text;
    }
    return {};
}

platform::IconHandle WindowIcon(platform::WindowHandle window, bool big) {
    const platform::WindowObject* live = detail::Live(window);
    if (live == nullptr) return nullptr;
    return big ? live->bigIcon : live->smallIcon;
}

IconInfo Icon(platform::IconHandle icon) { return icon != nullptr ? icon->info : IconInfo{}; }

const std::vector<DialogCreation>& DialogCreations() { return State().creations; }
const std::vector<ItemTextCall>& ItemTextCalls() { return State().itemTexts; }
const std::vector<Timer>& RunningTimers() { return State().timers; }
const std::vector<NotifyCall>& NotifyCalls() { return State().notifyCalls; }
std::size_t TrayIcons() { return State().tray.size(); }
std::size_t QueuedMessages() { return State().queue.size(); }
std::optional<std::int32_t> PendingQuit() { return State().quit; }
const std::vector<Fill>& Fills() { return State().fills; }

GaugePicture PictureOf(std::int32_t control, std::int32_t width) {
    GaugePicture picture{std::vector<platform::Colour>(static_cast<std::size_t>(width), 0xFFFFFFFF),
                         std::nullopt};
    for (const Fill& fill : State().fills) {
        if (fill.control != control || fill.rect.top >= fill.rect.bottom) continue;
        for (std::int32_t x = std::max(fill.rect.left, 0); x < std::min(fill.rect.right, width);
             ++x) {
            picture.columns[static_cast<std::size_t>(x)] = fill.colour;
        }
    }
    for (const TextDrawing& drawing : State().textDrawings) {
        if (drawing.control == control) picture.text = drawing.text;
    }
    return picture;
}

std::string DescribeColumns(const std::vector<platform::Colour>& columns) {
    std::string runs;
    for (std::size_t start = 0; start < columns.size();) {
        std::size_t end = start;
        while (end < columns.size() && columns[end] == columns[start]) ++end;
        if (!runs.empty()) runs += ", ";
        runs += detail::Hex(columns[start]) + " x " + std::to_string(end - start);
        start = end;
    }
    return runs;
}
const std::vector<TextDrawing>& TextDrawings() { return State().textDrawings; }
const std::vector<ContextRelease>& ContextReleases() { return State().releases; }

std::size_t OpenContexts() {
    const auto& contexts = State().contexts;
    return static_cast<std::size_t>(std::count_if(
        contexts.begin(), contexts.end(), [](const auto& context) { return !context->released; }));
}

}  // namespace fake
