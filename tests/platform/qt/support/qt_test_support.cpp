#include "tests/platform/qt/support/qt_test_support.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/qt/windows/window_object.h"

namespace qt_test {

namespace {

QtMessageHandler& StandardHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

// The offscreen platform cannot raise windows and says so each time.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text == QStringLiteral("This plugin does not support raise()")) return;
    if (StandardHandler() != nullptr) StandardHandler()(type, context, text);
}

// One application for the whole test program, offscreen, with its sockets
// in a private folder of its own.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        runtime_ =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vw-qt-XXXXXX"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_->path()));
        StandardHandler() = qInstallMessageHandler(QuietMessages);
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }

    void TearDown() override {
        platform::qt::ShutDownLayer();
        application_.reset();
        runtime_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "velorwind_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QTemporaryDir> runtime_;
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::vector<Delivery>& Deliveries() {
    static std::vector<Delivery> deliveries;
    return deliveries;
}

std::vector<Delivery> DeliveriesOf(std::uint32_t message) {
    std::vector<Delivery> found;
    for (const Delivery& delivery : Deliveries()) {
        if (delivery.message == message) found.push_back(delivery);
    }
    return found;
}

std::vector<std::uint32_t>& HandledMessages() {
    static std::vector<std::uint32_t> handled;
    return handled;
}

bool RecordingProcedure(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                        std::intptr_t second) {
    Deliveries().push_back({window, message, first, second, platform::IsWindowVisible(window)});
    const auto& handled = HandledMessages();
    return std::find(handled.begin(), handled.end(), message) != handled.end();
}

std::u16string UniqueTitle(const std::u16string& stem) {
    static int serial = 0;
    std::string suffix(" ");
    suffix.append(std::to_string(::getpid())).append("-").append(std::to_string(++serial));
    std::u16string title = stem;
    title.append(suffix.begin(), suffix.end());
    return title;
}

platform::WindowHandle CreateDialog(DialogSpec layout, std::intptr_t parameter) {
    layout.title = UniqueTitle(layout.title);
    const std::vector<std::uint8_t> bytes = BuildTemplate(layout);
    return platform::CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                          RecordingProcedure, parameter);
}

QImage Grab(platform::WindowHandle window) {
    platform::qt::SurfaceWidget* surface =
        platform::qt::SurfaceOf(platform::qt::LiveLocalWindow(window));
    if (surface == nullptr) return {};
    // On a scaled screen the picture is read back at the widget's own size.
    const QImage image = surface->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return image.size() == surface->size()
               ? image
               : image.scaled(surface->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void ProcessPendingEvents() {
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
}

int DarkPixels(const QImage& image, const QRect& area) {
    int dark = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) ++dark;
        }
    }
    return dark;
}

std::u16string ControlText(platform::WindowHandle dialog, std::int32_t id) {
    const platform::WindowObject* control =
        platform::qt::LiveLocalWindow(platform::GetDialogItem(dialog, id));
    return control != nullptr ? control->text : std::u16string();
}

std::vector<platform::MessageRecord> DrainQueue() {
    ProcessPendingEvents();
    std::vector<platform::MessageRecord> taken;
    // A posted marker bounds the draining, so the retrieval never waits.
    constexpr std::uint32_t MARKER = PRIVATE_MESSAGE + 0x3FF;
    platform::PostMessage(nullptr, MARKER, 0, 0);
    platform::MessageRecord message{};
    while (platform::RetrieveMessage(&message) != 0 && message.message != MARKER) {
        taken.push_back(message);
    }
    return taken;
}

}  // namespace qt_test
