// The recording fake of the windowing, message, timer, icon, notification
// icon and drawing services. Every call is logged in order, in readable
// lines ("SetDialogItemText 1018 ｵﾝ", "TextOut 1028 opaque 42,0,84,16"),
// and the interesting ones also as structured records; the answers come
// from a script that tests change freely between calls.
//
// Windows are named in the log by what they are: "dialog", a control by its
// identifier ("1027"), "running-instance" (another process's dialog, found
// by title), "other-window" (another program's window) and "null".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"
#include "platform/notify_icon.h"
#include "platform/timer.h"
#include "platform/types.h"
#include "platform/window.h"

namespace fake {

// Every dialog the fake creates knows these controls, each with a client
// area of CONTROL_WIDTH x CONTROL_HEIGHT.
constexpr std::int32_t FIRST_CONTROL_ID = 1018;
constexpr std::int32_t LAST_CONTROL_ID = 1038;
constexpr std::int32_t CONTROL_WIDTH = 84;
constexpr std::int32_t CONTROL_HEIGHT = 16;
// The text each control holds when the dialog is made, as a template's
// placeholder would.
inline constexpr char16_t PLACEHOLDER_TEXT[] = u"999,999,999";

// A fresh device context's state. Deliberately not the platform's usual
// defaults, so that a restore to a guessed value shows.
constexpr platform::Colour CONTEXT_BACKGROUND_COLOUR = 0x00EEDDCC;
constexpr platform::Colour CONTEXT_TEXT_COLOUR = 0x00010203;
constexpr std::int32_t CONTEXT_BACKGROUND_MODE = 2;  // opaque

// What GetSystemColour answers for the button-text colour (index 18).
constexpr platform::Colour BUTTON_TEXT_COLOUR = 0x00302010;

struct WindowScript {
    // QueryWorkArea's answer; none: the query fails.
    std::optional<platform::Rect> workArea = platform::Rect{0, 0, 240, 294};
    // The caption of another process's dialog; FindTopLevelWindow finds it
    // when asked for exactly this title. None: no other instance runs.
    std::optional<std::u16string> runningInstanceTitle;
    bool dialogCreationFails = false;
    // What SetTimer returns; none: the identifier asked for. 0 refuses.
    std::optional<std::uintptr_t> timerAnswer;
    bool trayAddFails = false;
    bool iconsMissing = false;
    std::set<std::int32_t> missingControls;         // GetDialogItem gives null
    std::set<std::int32_t> controlsWithoutRect;     // GetClientRect fails
    std::set<std::int32_t> controlsWithoutContext;  // GetDeviceContext gives null
    // The next this many retrievals on an empty queue report an error (-1).
    std::size_t retrievalErrors = 0;
};

// The script; ResetWindowing() puts it back to the defaults above.
WindowScript& Script();

// Forgets every window, timer, icon, message and record; the script back to
// its defaults. Handles obtained before are no longer valid.
void ResetWindowing();

// The readable log, status calls (fake_platform.h) merged in where they
// happened as "status <call>".
const std::vector<std::string>& Log();
void ClearLog();
// Index of the first log line at or after `from` that starts with `prefix`;
// Log().size() when there is none.
std::size_t FindInLog(std::string_view prefix, std::size_t from = 0);

// UTF-8 of a UTF-16 text, for logs and messages.
std::string Utf8(std::u16string_view text);
// "left,top,right,bottom", as the log writes a rectangle.
std::string Describe(const platform::Rect& rect);

// Windows the fake knows.
platform::WindowHandle Dialog();           // the latest dialog, null before any
platform::WindowHandle RunningInstance();  // another process's dialog
platform::WindowHandle OtherWindow();      // another program's window
// A dialog with the standard controls, made without logging or messages.
platform::WindowHandle NewDialog(platform::DialogProcedure procedure = nullptr);

// State read without logging.
bool Visible(platform::WindowHandle window);
bool Destroyed(platform::WindowHandle window);
platform::WindowHandle Foreground();
void SetForeground(platform::WindowHandle window);
std::u16string ItemText(platform::WindowHandle dialog, std::int32_t id);
platform::IconHandle WindowIcon(platform::WindowHandle window, bool big);

struct IconInfo {
    std::uint32_t resourceId;
    std::int32_t width;
    std::int32_t height;
};
IconInfo Icon(platform::IconHandle icon);

struct DialogCreation {
    platform::InstanceHandle instance;
    const void* dialogTemplate;
    std::size_t templateBytes;
    platform::WindowHandle parent;
    platform::DialogProcedure procedure;
    std::intptr_t parameter;
};
const std::vector<DialogCreation>& DialogCreations();

struct ItemTextCall {
    std::int32_t id;
    std::u16string text;
    const char16_t* pointer;  // as passed, to tell a shared text from a copy
};
const std::vector<ItemTextCall>& ItemTextCalls();

// Messages.
void QueueMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first = 0,
                  std::intptr_t second = 0);
// Queues a message for whatever dialog is the latest when it is retrieved:
// for messages to a dialog that the code under test has yet to create.
void QueueForDialog(std::uint32_t message, std::uintptr_t first = 0, std::intptr_t second = 0);
// Queues a timer message for every running timer, as a period's end would.
void TickTimers();
std::size_t QueuedMessages();
// The exit code of a posted quit not yet retrieved.
std::optional<std::int32_t> PendingQuit();

struct Timer {
    platform::WindowHandle window;
    std::uintptr_t id;
    std::uint32_t periodMs;
};
const std::vector<Timer>& RunningTimers();

struct NotifyCall {
    std::uint32_t operation;
    platform::NotifyIconRecord record;
    bool accepted;
};
const std::vector<NotifyCall>& NotifyCalls();
// Icons currently in the notification area.
std::size_t TrayIcons();

// Drawing, in the order it happened.
struct Fill {
    std::int32_t control;
    platform::Rect rect;
    platform::Colour colour;
};
struct TextDrawing {
    std::int32_t control;
    std::u16string text;
    platform::Rect rect;
    std::uint32_t format;
    platform::Colour textColour;
    std::int32_t backgroundMode;
};
// A context's state when it was released.
struct ContextRelease {
    std::int32_t control;
    platform::Colour backgroundColour;
    platform::Colour textColour;
    std::int32_t backgroundMode;
};
const std::vector<Fill>& Fills();
const std::vector<TextDrawing>& TextDrawings();
const std::vector<ContextRelease>& ContextReleases();
// Contexts obtained and not yet released.
std::size_t OpenContexts();

// What a gauge shows after all the drawing so far: the colour of each
// column from 0 to `width` (the last fill over it wins; unfilled columns are
// 0xFFFFFFFF) and the last text drawn into it (none: never drawn).
struct GaugePicture {
    std::vector<platform::Colour> columns;
    std::optional<std::u16string> text;
};
GaugePicture PictureOf(std::int32_t control, std::int32_t width);
// Forgets all drawing so far, as if every gauge were blank again.
void ResetDrawing();
// The columns as runs, "colour x count": "0x2376f8 x 42, 0x8ca1b3 x 42".
std::string DescribeColumns(const std::vector<platform::Colour>& columns);

}  // namespace fake
