// What a panel may send the notification icon over D-Bus, well formed or
// not: each call gets the answer the interface descriptions promise, only a
// well-formed one does anything, and a burst of calls does what one does.
// Runs on a session bus of its own (dbus-run-session), the item on one
// connection and the panel on another.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/qt/messages/message_queue.h"
#include "platform/qt/shell/dbus_types.h"
#include "platform/qt/shell/status_notifier_item.h"
#include "platform/window.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using platform::qt::DBusMenuEvent;
using platform::qt::DBusMenuEventList;

const QString ITEM = QStringLiteral("org.kde.StatusNotifierItem");
const QString MENU = QStringLiteral("com.canonical.dbusmenu");
const QString PROPERTIES = QStringLiteral("org.freedesktop.DBus.Properties");
const QString UNKNOWN_METHOD = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString INVALID_ARGS = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString UNKNOWN_PROPERTY = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");

struct PanelCall {
    const char* what;
    QString path;
    QString interface;
    QString member;
    QList<QVariant> arguments;
    QString error = {};  // empty: a reply is expected
    int taps = 0;        // presses the owner hears of
    int closes = 0;      // WM_CLOSE posted to the owner
    int times = 1;       // sent this often in a row, the answer to the last one checked
};

constexpr std::uint32_t TRAY_MESSAGE = 0x465;

QVariant Variant(const QVariant& value) { return QVariant::fromValue(QDBusVariant(value)); }

QVariant Events(int count, int id, const QString& what) {
    DBusMenuEventList events;
    for (int i = 0; i < count; ++i) events.append(DBusMenuEvent{id, what, QDBusVariant(0), 0});
    return QVariant::fromValue(events);
}

std::vector<PanelCall> Calls() {
    const QString item = QStringLiteral("/StatusNotifierItem");
    const QString menu = QStringLiteral("/MenuBar");
    const QStringList manyNames(100000, QStringLiteral("label"));
    const QString hugeToken(1 << 20, QLatin1Char('t'));
    const QVariant manyIds = QVariant::fromValue(QList<int>(100000, 1));
    return {
        {"a tap", item, ITEM, "Activate", {1, 2}, {}, 1},
        {"a tap with texts for coordinates", item, ITEM, "Activate", {"1", "2"}, UNKNOWN_METHOD},
        {"a tap without coordinates", item, ITEM, "Activate", {}, UNKNOWN_METHOD},
        {"a middle click", item, ITEM, "SecondaryActivate", {1, 2}, {}},
        {"a scroll", item, ITEM, "Scroll", {3, "vertical"}, {}},
        {"a token of a megabyte", item, ITEM, "ProvideXdgActivationToken", {hugeToken}, {}},
        {"a method nobody has", item, ITEM, "Explode", {}, UNKNOWN_METHOD},
        {"the title", item, PROPERTIES, "Get", {ITEM, "Title"}, {}},
        {"a property nobody has", item, PROPERTIES, "Get", {ITEM, "Colour"}, UNKNOWN_PROPERTY},
        {"every property", item, PROPERTIES, "GetAll", {ITEM}, {}},
        {"the menu's layout", menu, MENU, "GetLayout", {0, -1, QStringList()}, {}},
        {"the layout of no item", menu, MENU, "GetLayout", {42, -1, QStringList()}, INVALID_ARGS},
        {"the layout with 100,000 names", menu, MENU, "GetLayout", {0, 1, manyNames}, {}},
        {"a click on 終了", menu, MENU, "Event", {2, "clicked", Variant(0), 0u}, {}, 0, 1},
        {"a hover on 終了", menu, MENU, "Event", {2, "hovered", Variant(0), 0u}, {}},
        {"a click on no item", menu, MENU, "Event", {77, "clicked", Variant(0), 0u}, {}},
        {"an event without its data", menu, MENU, "Event", {2, "clicked", 0u}, UNKNOWN_METHOD},
        {"256 hovers", menu, MENU, "EventGroup", {Events(256, 1, "hovered")}, {}},
        {"a thousand hovers", menu, MENU, "EventGroup", {Events(1000, 1, "hovered")}, INVALID_ARGS},
        {"100,000 clicks on 終了",
         menu,
         MENU,
         "EventGroup",
         {Events(100000, 2, "clicked")},
         INVALID_ARGS},
        {"clicks on no item", menu, MENU, "EventGroup", {Events(3, 99, "clicked")}, {}},
        {"a burst of 1,000 taps", item, ITEM, "Activate", {1, 2}, {}, 1, 0, 1000},
        {"one item asked for 100,000 times",
         menu,
         MENU,
         "GetGroupProperties",
         {manyIds, QStringList()},
         {}},
        {"a label", menu, MENU, "GetProperty", {1, "label"}, {}},
        {"a label of no item", menu, MENU, "GetProperty", {5, "label"}, INVALID_ARGS},
        {"items about to show",
         menu,
         MENU,
         "AboutToShowGroup",
         {QVariant::fromValue(QList<int>{1, 2, 9})},
         {}},
    };
}

class PanelCalls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        dialog_ = qt_test::CreateDialog(qt_test::DialogSpec{});
        ASSERT_NE(dialog_, nullptr);
        // As the notification icon reports a press to its owner.
        item_ = std::make_unique<qt::StatusNotifierItem>(
            dialog_, [this] { qt::PostMessageOnce(dialog_, TRAY_MESSAGE, 128, WM_LBUTTONDOWN); });
        ASSERT_TRUE(item_->Publish(QDBusConnection::sessionBus()));
        qt_test::DrainQueue();
    }
    void TearDown() override {
        item_.reset();
        DestroyWindow(dialog_);
    }

    // The panel's own connection, as a panel process has; all but the
    // last of a burst are sent without waiting.
    QDBusMessage Send(const PanelCall& call) {
        QDBusConnection panel =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("panel"));
        QDBusMessage message = QDBusMessage::createMethodCall(
            QDBusConnection::sessionBus().baseService(), call.path, call.interface, call.member);
        message.setArguments(call.arguments);
        for (int sent = 1; sent < call.times; ++sent) panel.asyncCall(message);
        return panel.call(message, QDBus::BlockWithGui, 20000);
    }

    WindowHandle dialog_ = nullptr;
    std::unique_ptr<qt::StatusNotifierItem> item_;
};

long CountOf(const std::vector<MessageRecord>& queued, std::uint32_t message) {
    return std::count_if(queued.begin(), queued.end(),
                         [message](const MessageRecord& m) { return m.message == message; });
}

TEST_F(PanelCalls, EachCallGetsItsAnswerAndOnlyWellFormedOnesAct) {
    for (const PanelCall& call : Calls()) {
        SCOPED_TRACE(call.what);
        const QDBusMessage answer = Send(call);
        if (call.error.isEmpty()) {
            EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage)
                << answer.errorMessage().toStdString();
        } else {
            EXPECT_EQ(answer.errorName().toStdString(), call.error.toStdString());
        }
        const auto queued = qt_test::DrainQueue();
        EXPECT_EQ(CountOf(queued, TRAY_MESSAGE), call.taps);
        EXPECT_EQ(CountOf(queued, WM_CLOSE), call.closes);
    }
}

TEST_F(PanelCalls, AnswersCarryWhatThePanelShows) {
    const QDBusMessage title =
        Send({"", "/StatusNotifierItem", PROPERTIES, "Get", {ITEM, "Title"}});
    ASSERT_EQ(title.arguments().size(), 1);
    EXPECT_EQ(title.arguments()[0].value<QDBusVariant>().variant().toString(),
              QCoreApplication::applicationName());

    const QDBusMessage label = Send({"", "/MenuBar", MENU, "GetProperty", {2, "label"}});
    ASSERT_EQ(label.arguments().size(), 1);
    EXPECT_EQ(label.arguments()[0].value<QDBusVariant>().variant().toString(),
              QStringLiteral(u"終了"));

    const QDBusMessage errors =
        Send({"", "/MenuBar", MENU, "EventGroup", {Events(2, 99, QStringLiteral("clicked"))}});
    ASSERT_EQ(errors.arguments().size(), 1);
    EXPECT_EQ(qdbus_cast<QList<int>>(errors.arguments()[0]), (QList<int>{99, 99}))
        << "the ids that name no item";

    const QDBusMessage group =
        Send({"",
              "/MenuBar",
              MENU,
              "GetGroupProperties",
              {QVariant::fromValue(QList<int>{1, 1, 2, 1, 7}), QStringList()}});
    ASSERT_EQ(group.arguments().size(), 1);
    EXPECT_EQ(qdbus_cast<qt::DBusMenuItemPropertiesList>(group.arguments()[0]).size(), 2)
        << "each item once, however often asked for";

    const QDBusMessage all = Send({"", "/StatusNotifierItem", PROPERTIES, "GetAll", {ITEM}});
    ASSERT_EQ(all.arguments().size(), 1);
    EXPECT_EQ(qdbus_cast<QVariantMap>(all.arguments()[0]).size(), 16);
}

}  // namespace
