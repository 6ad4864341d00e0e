// A fresh fake platform and program state for each test of the shell, and
// a small program image whose two dialog templates are told apart by their
// bytes.
#pragma once

#include <cstdint>
#include <string_view>

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/refresh_timer.h"
#include "platform/module.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "tests/display/status_records.h"

namespace testing_support {

inline constexpr std::uint8_t TALL_TEMPLATE[] = {'t', 'a', 'l', 'l'};
inline constexpr std::uint8_t WIDE_TEMPLATE[] = {'w', 'i', 'd', 'e', '!'};

inline constexpr platform::ResourceRecord TEST_RESOURCES[] = {
    {platform::RESOURCE_DIALOG, resources::IDD_STATUS_TALL, platform::LANGUAGE_JAPANESE,
     TALL_TEMPLATE, sizeof TALL_TEMPLATE},
    {platform::RESOURCE_DIALOG, resources::IDD_STATUS_WIDE, platform::LANGUAGE_JAPANESE,
     WIDE_TEMPLATE, sizeof WIDE_TEMPLATE},
};
inline constexpr platform::Module TEST_IMAGE{TEST_RESOURCES, 2};
inline constexpr platform::Module IMAGE_WITHOUT_TEMPLATES{nullptr, 0};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakes();
        ScriptBusyMachine();
        app::activeTimerId = 0;
        app::globalInstance = nullptr;
    }

    // The status dialog as the program makes it, still hidden.
    platform::WindowHandle CreateDialog() {
        platform::WindowHandle dialog = nullptr;
        EXPECT_TRUE(
            app::CreateStatusDialog(&dialog, &TEST_IMAGE, resources::IDD_STATUS_TALL, nullptr));
        return dialog;
    }

    // The status dialog shown and in front, with the log emptied.
    platform::WindowHandle CreateShownDialog() {
        platform::WindowHandle dialog = CreateDialog();
        platform::ShowWindow(dialog, platform::SHOW_SHOW);
        fake::SetForeground(dialog);
        fake::ClearLog();
        return dialog;
    }

    static bool InLog(std::string_view prefix) {
        return fake::FindInLog(prefix) < fake::Log().size();
    }
};

}  // namespace testing_support
