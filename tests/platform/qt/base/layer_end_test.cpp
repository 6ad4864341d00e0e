// The layer's end: its parts let go in the one stated order, and once the
// application object is gone nothing of the layer remains to retrieve a
// message, draw or answer on a socket. Each case makes and ends its own
// application, so this program has no shared one.
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/drawing.h"
#include "platform/messages.h"
#include "platform/notify_icon.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "tests/platform/common/template_builder.h"

namespace {

using namespace platform;
using platform::qt::LayerStage;

std::vector<int>& Ran() {
    static std::vector<int> ran;
    return ran;
}

template <int Stage>
void Record() {
    Ran().push_back(Stage);
}

// Registered in any order, the clean-ups run stage by stage.
TEST(LayerEnd, CleanUpsRunInTheStatedOrderOfStages) {
    struct Registration {
        LayerStage stage;
        qt::CleanUp cleanUp;
    };
    const Registration scrambled[] = {
        {LayerStage::Caches, Record<7>},       {LayerStage::Timers, Record<2>},
        {LayerStage::MessageQueue, Record<6>}, {LayerStage::DeviceContexts, Record<0>},
        {LayerStage::InstanceLink, Record<4>}, {LayerStage::Icons, Record<5>},
        {LayerStage::Windows, Record<3>},      {LayerStage::NotificationIcons, Record<1>},
        {LayerStage::Timers, Record<2>},  // again: runs once
    };
    Ran().clear();
    for (const Registration& registration : scrambled) {
        qt::CleanUpAtLayerEnd(registration.stage, registration.cleanUp);
    }
    qt::ShutDownLayer();
    EXPECT_EQ(Ran(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    qt::ShutDownLayer();
    EXPECT_EQ(Ran().size(), 8u) << "a second shutdown runs nothing";
}

std::vector<std::uint32_t>& Delivered() {
    static std::vector<std::uint32_t> delivered;
    return delivered;
}

bool Recording(WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
    Delivered().push_back(message);
    return false;
}

bool SocketAnswers(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answered =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return answered;
}

class Application {
public:
    Application() : application_(std::make_unique<QApplication>(argc_, argv_)) {}
    void End() { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "velorwind_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

// A dialog that listens for its title, with a running timer, a queued
// message, a context drawing into a control and a notification icon: the
// application ends, and none of it outlives it.
TEST(LayerEnd, NothingOutlivesTheApplication) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velorwind-test-bus");
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/vw-end-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));

    Application first;
    template_test::DialogSpec layout;
    layout.title =
        u"Velorwind layer end " + std::u16string(1, u'0' + static_cast<char16_t>(::getpid() % 10));
    layout.items = {template_test::Static(0, 0, 40, 10, 7, u"x")};
    const auto bytes = template_test::BuildTemplate(layout);
    WindowHandle dialog =
        CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr, Recording, 0);
    ASSERT_NE(dialog, nullptr);
    const QString socketPath = qt::InstanceSocketPath(layout.title);
    ASSERT_TRUE(SocketAnswers(socketPath)) << "the dialog listens for its title";
    ASSERT_NE(SetTimer(dialog, 100, 10), 0u);
    ASSERT_TRUE(PostMessage(dialog, 0x0401, 0, 0));
    const WindowHandle control = GetDialogItem(dialog, 7);
    const DeviceContext context = GetDeviceContext(control);
    ASSERT_NE(context, nullptr);
    NotifyIconRecord icon{};
    icon.size = sizeof icon;
    icon.window = dialog;
    icon.id = 128;
    ASSERT_TRUE(NotifyIcon(NOTIFY_ADD, &icon));

    Delivered().clear();
    first.End();

    EXPECT_TRUE(Delivered().empty()) << "no message reaches the dialog as the layer ends";
    EXPECT_FALSE(SocketAnswers(socketPath)) << "nothing listens for the title";
    EXPECT_FALSE(ReleaseDeviceContext(control, context)) << "the context ended";
    MessageRecord message{};
    EXPECT_EQ(RetrieveMessage(&message), -1);

    // A new application finds nothing of the old one: no window, no tick
    // and no queued message come before its own quit request.
    Application second;
    EXPECT_EQ(FindTopLevelWindow(layout.title.c_str()), nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog));
    PostQuitMessage(5);
    EXPECT_EQ(RetrieveMessage(&message), 0);
    EXPECT_EQ(message.first, 5u);
    EXPECT_TRUE(Delivered().empty());
    second.End();
}

}  // namespace
