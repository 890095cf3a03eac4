#include "Common/wrappers/utilities/AlertDialog.h"

#include "Platform/Linux/ScopedEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string g_shown;

bool CancellingHandler(const char* title, const char* message, bool withCancel)
{
    g_shown = std::string(title) + "|" + message + (withCancel ? "|cancel" : "");
    return !withCancel;
}
} // namespace

TEST(AlertDialogTest, AHandlerReplacesThePlatformsAlertUntilRemoved)
{
    g_shown.clear();
    const ALERT_HANDLER previous = SetAlertHandler(&CancellingHandler);
    EXPECT_FALSE(AlertDialog("Title", "Message", true));
    EXPECT_EQ(g_shown, "Title|Message|cancel");
    EXPECT_TRUE(AlertDialog("T", "M", false));
    EXPECT_EQ(g_shown, "T|M");
    EXPECT_EQ(SetAlertHandler(previous), &CancellingHandler);
    // The platform's alert without a display: a line on the console, answered
    // as confirmed.
    CNoDisplay noDisplay;
    g_shown.clear();
    EXPECT_TRUE(AlertDialog("Title", "Message", true));
    EXPECT_TRUE(g_shown.empty());
}
