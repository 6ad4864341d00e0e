// Start-up, the single-instance rule, the message loop and the entry
// function.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/status_dialog.h"
#include "platform/entry.h"
#include "resources/window_title.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace platform;
using testing_support::AppTest;
using testing_support::IMAGE_WITHOUT_TEMPLATES;
using testing_support::TALL_TEMPLATE;
using testing_support::TEST_IMAGE;
using testing_support::WIDE_TEMPLATE;

class ApplicationTest : public AppTest {
protected:
    app::Application application{&TEST_IMAGE, SHOW_SHOW, nullptr};
};

struct WorkAreaCase {
    const char* name;
    std::optional<Rect> area;  // none: the query fails
    bool wide;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const WorkAreaCase& c, std::ostream* out) { *out << c.name; }
};

class WorkAreaTest : public ApplicationTest, public ::testing::WithParamInterface<WorkAreaCase> {};

TEST_P(WorkAreaTest, PicksTheLayoutByTheAreaShape) {
    fake::Script().workArea = GetParam().area;
    ASSERT_TRUE(app::StartInstance(application));

    ASSERT_EQ(fake::DialogCreations().size(), 1u);
    const fake::DialogCreation& made = fake::DialogCreations()[0];
    const void* expected =
        GetParam().wide ? static_cast<const void*>(WIDE_TEMPLATE) : TALL_TEMPLATE;
    EXPECT_EQ(made.dialogTemplate, expected);
    EXPECT_EQ(made.templateBytes, GetParam().wide ? sizeof WIDE_TEMPLATE : sizeof TALL_TEMPLATE);
    EXPECT_EQ(made.instance, &TEST_IMAGE);
    EXPECT_EQ(made.parent, nullptr);
    EXPECT_EQ(made.procedure, &app::StatusDialogProc);
    EXPECT_EQ(made.parameter, 0);
    EXPECT_EQ(application.dialog, fake::Dialog());
    EXPECT_EQ(app::globalInstance, &TEST_IMAGE);
    EXPECT_TRUE(fake::Visible(application.dialog));
}

INSTANTIATE_TEST_SUITE_P(
    Areas, WorkAreaTest,
    ::testing::Values(WorkAreaCase{"Tall240x294", Rect{0, 0, 240, 294}, false},
                      WorkAreaCase{"Wide320x214", Rect{0, 0, 320, 214}, true},
                      WorkAreaCase{"Square300", Rect{0, 0, 300, 300}, false},
                      WorkAreaCase{"QueryFails", std::nullopt, false},
                      // A panel on the left or top moves the area's origin.
                      WorkAreaCase{"OffsetWide", Rect{100, 40, 420, 254}, true},
                      WorkAreaCase{"OffsetTall", Rect{200, 0, 440, 294}, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RunningCase {
    const char* name;
    std::u16string runningTitle;
    bool found;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const RunningCase& c, std::ostream* out) { *out << c.name; }
};

class RunningInstanceTest : public ApplicationTest,
                            public ::testing::WithParamInterface<RunningCase> {};

TEST_P(RunningInstanceTest, OnlyTheExactTitleHandsOverToTheRunningInstance) {
    fake::Script().runningInstanceTitle = GetParam().runningTitle;
    const bool started = app::StartInstance(application);

    EXPECT_EQ(started, !GetParam().found);
    EXPECT_EQ(fake::Visible(fake::RunningInstance()), GetParam().found);
    EXPECT_EQ(fake::Foreground() == fake::RunningInstance(), GetParam().found);
    EXPECT_EQ(fake::DialogCreations().empty(), GetParam().found);
    EXPECT_EQ(fake::TrayIcons(), GetParam().found ? 0u : 1u);
    if (GetParam().found) {
        EXPECT_EQ(application.dialog, nullptr);
        EXPECT_TRUE(InLog("ShowWindow running-instance 5"));
        EXPECT_FALSE(InLog("QueryWorkArea"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Titles, RunningInstanceTest,
    ::testing::Values(RunningCase{"SameTitle", resources::WINDOW_TITLE, true},
                      RunningCase{"FullWidthKatakana", u"Velorwind - システム情報", false},
                      RunningCase{"TrailingSpace", u"Velorwind - ｼｽﾃﾑ情報 ", false},
                      RunningCase{"OtherCase", u"velorwind - ｼｽﾃﾑ情報", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplicationTest, NoDialogMeansNoIconAndNoLoop) {
    for (bool noTemplates : {false, true}) {
        SCOPED_TRACE(noTemplates ? "no templates" : "creation fails");
        SetUp();
        fake::Script().dialogCreationFails = !noTemplates;
        app::Application failing{noTemplates ? &IMAGE_WITHOUT_TEMPLATES : &TEST_IMAGE, SHOW_SHOW,
                                 nullptr};
        EXPECT_FALSE(app::StartInstance(failing));
        EXPECT_EQ(failing.dialog, nullptr);
        EXPECT_EQ(fake::TrayIcons(), 0u);
        EXPECT_TRUE(fake::RunningTimers().empty());
    }
}

TEST_F(ApplicationTest, StartUpShowCommandIsAppliedUnchanged) {
    const struct {
        std::int32_t command;
        bool visible;
    } cases[] = {{SHOW_HIDE, false}, {1, true}, {SHOW_SHOW, true}};  // 1: show normally
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        SetUp();
        app::Application started{&TEST_IMAGE, c.command, nullptr};
        ASSERT_TRUE(app::StartInstance(started));
        EXPECT_TRUE(InLog("ShowWindow dialog " + std::to_string(c.command)));
        EXPECT_EQ(fake::Visible(started.dialog), c.visible);
        EXPECT_EQ(fake::TrayIcons(), 1u);
    }
}

TEST_F(ApplicationTest, RefusedIconStillStartsTheProgram) {
    fake::Script().trayAddFails = true;
    EXPECT_TRUE(app::StartInstance(application));
    EXPECT_TRUE(fake::Visible(application.dialog));
}

// `message` as the fake writes it: "0x102".
bool Dispatched(const char* message, std::uintptr_t first) {
    const std::string line =
        std::string("DispatchMessage dialog ") + message + " " + std::to_string(first);
    return fake::FindInLog(line) < fake::Log().size();
}

// Enter and Escape are the dialog's commands (OK hides it, cancel ends the
// program); other keys become characters; the loop ends on quit.
TEST_F(ApplicationTest, LoopTurnsKeysIntoCommandsAndEndsOnQuit) {
    ASSERT_TRUE(app::StartInstance(application));
    const WindowHandle dialog = application.dialog;
    fake::ClearLog();
    fake::QueueMessage(dialog, WM_TIMER, 100);
    fake::QueueMessage(dialog, WM_KEYDOWN, 'A');
    fake::QueueMessage(dialog, WM_KEYDOWN, KEY_RETURN);
    fake::QueueMessage(dialog, WM_KEYDOWN, KEY_ESCAPE);

    app::RunMessageLoop(application);

    EXPECT_TRUE(InLog("status power")) << "the tick refreshed";
    EXPECT_TRUE(Dispatched("0x102", 'A')) << "the letter became a character";
    EXPECT_FALSE(Dispatched("0x100", KEY_RETURN)) << "Enter is a command, not a key";
    EXPECT_FALSE(Dispatched("0x100", KEY_ESCAPE)) << "Escape is a command, not a key";
    EXPECT_TRUE(InLog("ShowWindow dialog 0")) << "Enter hid the dialog";
    EXPECT_TRUE(fake::Destroyed(dialog)) << "Escape ended the program";
    EXPECT_EQ(fake::TrayIcons(), 0u);
    EXPECT_EQ(fake::QueuedMessages(), 0u);
}

TEST_F(ApplicationTest, RetrievalErrorEndsTheLoopInsteadOfSpinning) {
    ASSERT_TRUE(app::StartInstance(application));
    fake::Script().retrievalErrors = 1;
    fake::ClearLog();
    app::RunMessageLoop(application);
    EXPECT_FALSE(fake::Destroyed(application.dialog));
    // An error result is not a message: nothing is offered on.
    EXPECT_FALSE(InLog("FilterDialogMessage"));
    EXPECT_FALSE(InLog("DispatchMessage"));
    EXPECT_EQ(fake::Script().retrievalErrors, 0u);
}

struct EntryCase {
    const char* name;
    std::function<InstanceHandle()> prepare;  // scripts the run, gives the image
    bool dialogMade;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.name; }
};

class ProgramEntryTest : public ApplicationTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(ProgramEntryTest, ReturnsZero) {
    const InstanceHandle image = GetParam().prepare();
    EXPECT_EQ(ProgramEntry(image, nullptr, u"", SHOW_SHOW), 0);
    EXPECT_EQ(fake::Dialog() != nullptr, GetParam().dialogMade);
    if (GetParam().dialogMade) {
        EXPECT_TRUE(fake::Destroyed(fake::Dialog()));
    }
    EXPECT_EQ(fake::TrayIcons(), 0u);
    EXPECT_TRUE(fake::RunningTimers().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramEntryTest,
    ::testing::Values(EntryCase{"ClosedWithTheProgramsOwnImage",
                                [] {
                                    fake::QueueForDialog(WM_CLOSE);
                                    return ProgramImage();
                                },
                                true},
                      EntryCase{"CancelCommand",
                                [] {
                                    fake::QueueForDialog(WM_TIMER, 100);
                                    fake::QueueForDialog(WM_COMMAND, COMMAND_CANCEL);
                                    return &TEST_IMAGE;
                                },
                                true},
                      EntryCase{"AnotherInstanceRuns",
                                [] {
                                    fake::Script().runningInstanceTitle = resources::WINDOW_TITLE;
                                    return &TEST_IMAGE;
                                },
                                false},
                      EntryCase{"DialogCannotBeMade",
                                [] {
                                    fake::Script().dialogCreationFails = true;
                                    return &TEST_IMAGE;
                                },
                                false},
                      EntryCase{"NoTemplates", [] { return &IMAGE_WITHOUT_TEMPLATES; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
