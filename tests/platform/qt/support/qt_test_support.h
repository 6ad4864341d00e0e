// What the layer's tests share: the application they run in, a recording
// dialog procedure and small helpers.
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"
#include "tests/platform/common/template_builder.h"

namespace qt_test {

using template_test::BuildTemplate;
using template_test::DialogSpec;
using template_test::ItemSpec;
using template_test::Static;

// A message of the program's own range, which no window answers.
constexpr std::uint32_t PRIVATE_MESSAGE = 0x0400;

struct Delivery {
    platform::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t first;
    std::intptr_t second;
    bool visibleThen;  // the window's visibility when it arrived
};

// Every message the recording procedure got, in order.
std::vector<Delivery>& Deliveries();
std::vector<Delivery> DeliveriesOf(std::uint32_t message);

// Answers false (unhandled) unless told otherwise by HandledMessages().
bool RecordingProcedure(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                        std::intptr_t second);
std::vector<std::uint32_t>& HandledMessages();

// A title no other test process uses at the same time.
std::u16string UniqueTitle(const std::u16string& stem);

// A dialog from `layout` with the recording procedure; the title made unique.
platform::WindowHandle CreateDialog(DialogSpec layout, std::intptr_t parameter = 0);

// The text a control of `dialog` holds, as the layer keeps it.
std::u16string ControlText(platform::WindowHandle dialog, std::int32_t id);

// What the window shows, read back through the widget's own painting.
QImage Grab(platform::WindowHandle window);

// Lets Qt deliver what is pending (update, activation) without waiting.
void ProcessPendingEvents();

// Count of pixels in `area` that are much darker than the background.
int DarkPixels(const QImage& image, const QRect& area);

// Takes every queued message (and due tick) without waiting.
std::vector<platform::MessageRecord> DrainQueue();

}  // namespace qt_test
