// The checker's start-up in this process, with Windows Sockets failing to start.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "checker/app.h"
#include "checker/tray.h"
#include "common/app_identity.h"
#include "fixtures/registry_sandbox.h"

namespace mailwick {
namespace {

std::vector<DWORD> g_shellCalls;

BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA) {
    g_shellCalls.push_back(message);
    return TRUE;
}

bool SocketsFail() { return false; }

TEST(CheckerStart, SocketsThatFailToStartLeaveNoTrayIconBehind) {
    mwtest::RegistrySandbox registry;
    SetShellNotifyFunction(&RecordShellCall);
    SetStartSocketsFunction(&SocketsFail);
    EXPECT_EQ(RunChecker(GetModuleHandleA(nullptr)), 0);
    SetStartSocketsFunction(nullptr);
    SetShellNotifyFunction(nullptr);
    ASSERT_FALSE(g_shellCalls.empty());
    EXPECT_EQ(g_shellCalls.front(), static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(g_shellCalls.back(), static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(FindRunningChecker(), nullptr);
}

}  // namespace
}  // namespace mailwick
