// The checker's start-up in this process, with Windows Sockets failing to start.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "checker/app.h"
#include "checker/tray.h"
#include "common/app_identity.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/shell_notify.h"

namespace mailwick {
namespace {

bool SocketsFail() { return false; }

TEST(CheckerStart, SocketsThatFailToStartLeaveNoTrayIconBehind) {
    mwtest::RegistrySandbox registry;
    mwtest::ShellNotifyStandIn shell;
    SetStartSocketsFunction(&SocketsFail);
    EXPECT_EQ(RunChecker(GetModuleHandleA(nullptr)), 0);
    SetStartSocketsFunction(nullptr);
    const auto calls = mwtest::ShellCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(FindRunningChecker(), nullptr);
}

}  // namespace
}  // namespace mailwick
