// The message queue: order, quit, timers and waiting without work.
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/qt/messages/timers.h"
#include "platform/timer.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;
constexpr std::uint32_t PRIVATE = qt_test::PRIVATE_MESSAGE;

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        qt_test::DialogSpec layout;
        layout.items = {qt_test::Static(0, 0, 20, 8, 7, u"x")};
        dialog_ = qt_test::CreateDialog(layout);
        ASSERT_NE(dialog_, nullptr);
        other_ = qt_test::CreateDialog(qt_test::DialogSpec{});
        qt_test::Deliveries().clear();
        qt_test::DrainQueue();
    }
    void TearDown() override {
        DestroyWindow(dialog_);
        DestroyWindow(other_);
        qt_test::DrainQueue();
    }

    // Lets Qt run for a while without retrieving anything.
    static void Idle(std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    static bool TickDue() {
        MessageRecord tick{};
        return qt::TakeDueTick(&tick);
    }

    WindowHandle dialog_ = nullptr;
    WindowHandle other_ = nullptr;
};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndQuitAfterThem) {
    PostMessage(dialog_, PRIVATE + 1, 1, -1);
    PostQuitMessage(7);
    PostMessage(nullptr, PRIVATE + 2, 2, 0);
    MessageRecord message{};
    ASSERT_EQ(RetrieveMessage(&message), 1);
    EXPECT_EQ(message.window, dialog_);
    EXPECT_EQ(message.message, PRIVATE + 1);
    EXPECT_EQ(message.second, -1);
    ASSERT_EQ(RetrieveMessage(&message), 1);
    EXPECT_EQ(message.message, PRIVATE + 2);
    EXPECT_EQ(RetrieveMessage(&message), 0);
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.first, 7u);
}

TEST_F(MessageQueueTest, BadRetrievalsAnswerMinusOne) { EXPECT_EQ(RetrieveMessage(nullptr), -1); }

TEST_F(MessageQueueTest, WaitingForAMessageUsesNoProcessorTime) {
    QTimer::singleShot(300, [this] { PostMessage(dialog_, PRIVATE + 9, 0, 0); });
    const std::clock_t cpuBefore = std::clock();
    MessageRecord message{};
    ASSERT_EQ(RetrieveMessage(&message), 1);
    const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_EQ(message.message, PRIVATE + 9) << "nothing else was there to return early with";
    EXPECT_LT(cpuSeconds, 0.1) << "the wait sleeps in the event loop";
}

// Ends the test process when a retrieval that should return at once has not
// returned after a generous while: a wait nothing wakes would hang forever.
class Watchdog {
public:
    explicit Watchdog(const char* what)
        : thread_([this, what] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, std::chrono::seconds(20), [this] { return finished_; })) {
                  std::fprintf(stderr, "watchdog: %s\n", what);
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// A queued call that reaches the loop from another thread while it waits
// (as every D-Bus delivery does: Qt reads the bus on a thread of its own)
// posts a message: the retrieval returns with it, though nothing else
// happens. The thread's wake-up is spent on the wait in which the call
// arrives; the call itself runs in the next one.
TEST_F(MessageQueueTest, APostFromAQueuedCallWakesTheWait) {
    for (int round = 0; round < 3; ++round) {
        const bool quit = round == 2;
        std::thread caller([this, quit] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this, quit] {
                    if (quit) {
                        PostQuitMessage(3);
                    } else {
                        PostMessage(dialog_, PRIVATE + 11, 0, 0);
                    }
                },
                Qt::QueuedConnection);
        });
        MessageRecord message{};
        std::int32_t result = -1;
        {
            Watchdog watchdog("a message posted from a queued call did not wake the retrieval");
            result = RetrieveMessage(&message);
        }
        caller.join();
        EXPECT_EQ(result, quit ? 0 : 1);
        EXPECT_EQ(message.message, quit ? WM_QUIT : PRIVATE + 11u);
    }
}

TEST_F(MessageQueueTest, TimerTicksArriveAsTimerMessages) {
    ASSERT_EQ(SetTimer(dialog_, 100, 30), 100u);
    MessageRecord message{};
    for (int tick = 0; tick < 2; ++tick) {
        ASSERT_EQ(RetrieveMessage(&message), 1);
        EXPECT_EQ(message.window, dialog_);
        EXPECT_EQ(message.message, WM_TIMER);
        EXPECT_EQ(message.first, 100u);
    }
    DispatchMessage(&message);
    const auto timers = qt_test::DeliveriesOf(WM_TIMER);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].first, 100u);
    EXPECT_TRUE(KillTimer(dialog_, 100));
}

TEST_F(MessageQueueTest, TicksNotRetrievedInTimeCoalesce) {
    SetTimer(dialog_, 3, 10);
    Idle(std::chrono::milliseconds(120));
    EXPECT_TRUE(TickDue());
    EXPECT_FALSE(TickDue()) << "one pending tick per timer, however many periods passed";
    KillTimer(dialog_, 3);
}

TEST_F(MessageQueueTest, KillingATimerTakesItsPendingTick) {
    SetTimer(dialog_, 4, 10);
    Idle(std::chrono::milliseconds(50));
    EXPECT_TRUE(KillTimer(dialog_, 4));
    EXPECT_FALSE(TickDue());
    EXPECT_FALSE(KillTimer(dialog_, 4));
    EXPECT_FALSE(KillTimer(other_, 4));
}

TEST_F(MessageQueueTest, SettingATimerAgainRestartsIt) {
    SetTimer(dialog_, 5, 60000);
    EXPECT_EQ(SetTimer(dialog_, 5, 20), 5u);
    Idle(std::chrono::milliseconds(100));
    EXPECT_TRUE(TickDue());
    SetTimer(dialog_, 5, 60000);
    EXPECT_FALSE(TickDue()) << "setting again forgets the pending tick";
    KillTimer(dialog_, 5);
}

TEST_F(MessageQueueTest, TimersNeedALiveWindowAndGoWithIt) {
    EXPECT_EQ(SetTimer(reinterpret_cast<WindowHandle>(std::intptr_t{64}), 1, 10), 0u);
    EXPECT_EQ(SetTimer(dialog_, 0, 10), 0u);
    SetTimer(other_, 6, 10);
    DestroyWindow(other_);
    other_ = nullptr;
    Idle(std::chrono::milliseconds(40));
    EXPECT_FALSE(TickDue());
}

TEST_F(MessageQueueTest, TranslateTurnsTheDialogKeysIntoCharacters) {
    const MessageRecord enter{dialog_, WM_KEYDOWN, KEY_RETURN, 1};
    const MessageRecord escape{dialog_, WM_KEYDOWN, KEY_ESCAPE, 1};
    const MessageRecord letter{dialog_, WM_KEYDOWN, 'Q', 1};
    const MessageRecord character{dialog_, WM_CHAR, KEY_RETURN, 1};
    EXPECT_TRUE(TranslateMessage(&enter));
    EXPECT_TRUE(TranslateMessage(&escape));
    EXPECT_FALSE(TranslateMessage(&letter)) << "no other key is ever posted";
    EXPECT_FALSE(TranslateMessage(&character));
    const auto queued = qt_test::DrainQueue();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0].message, WM_CHAR);
    EXPECT_EQ(queued[0].first, u'\r');
    EXPECT_EQ(queued[1].first, u'\x1b');
}

TEST_F(MessageQueueTest, DispatchReachesOnlyLiveWindows) {
    MessageRecord message{dialog_, PRIVATE + 3, 0, 0};
    qt_test::HandledMessages() = {PRIVATE + 3};
    EXPECT_EQ(DispatchMessage(&message), 1);
    qt_test::HandledMessages().clear();
    DestroyWindow(dialog_);
    qt_test::Deliveries().clear();
    EXPECT_EQ(DispatchMessage(&message), 0);
    EXPECT_TRUE(qt_test::Deliveries().empty());
    dialog_ = nullptr;
}

TEST_F(MessageQueueTest, PostingStopsAtTheQueueLimit) {
    std::size_t posted = 0;
    while (PostMessage(nullptr, PRIVATE, 0, 0) && posted < 20000) ++posted;
    EXPECT_EQ(posted, 10000u);
    MessageRecord message{};
    for (std::size_t i = 0; i < posted; ++i) RetrieveMessage(&message);
    EXPECT_TRUE(PostMessage(nullptr, PRIVATE, 0, 0));
    qt_test::DrainQueue();
}

}  // namespace
