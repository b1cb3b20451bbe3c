// 32-bit mail programs' machine-wide keys, made in the 32-bit view of this test prefix's
// real HKEY_LOCAL_MACHINE (a redirected root has no second view) and removed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "checker/autoconfig/autoconfig_sources.h"
#include "checker/autoconfig/mail_clients.h"
#include "common/registry.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kNavigator[] = "Software\\Netscape\\Netscape Navigator";

class ThirtyTwoBitKey {
public:
    ThirtyTwoBitKey(const std::string& path, DWORD type, const char* name, const std::string& value)
        : path_(path) {
        HKEY key = nullptr;
        created_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY,
                                   nullptr, &key, nullptr) == ERROR_SUCCESS &&
                   RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
    }
    ~ThirtyTwoBitKey() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_WOW64_32KEY, 0); }
    bool Created() const { return created_; }
    // Else the test would not tell the views apart (Wine shares App Paths, for one).
    bool OnlyIn32BitView() const { return !RegKey::Open(HKEY_LOCAL_MACHINE, path_.c_str()); }

private:
    std::string path_;
    bool created_ = false;
};

TEST(ForeignRegistry, AMachineKeyOnlyInThe32BitViewIsFound) {
    ASSERT_EQ(sizeof(void*), 8u) << "the views differ only for the x64 build";
    const ThirtyTwoBitKey version(kNavigator, REG_SZ, "CurrentVersion", "4.08 (en)");
    ASSERT_TRUE(version.Created());
    ASSERT_TRUE(version.OnlyIn32BitView());
    const auto names = MailClientNames();
    EXPECT_NE(std::find(names.begin(), names.end(), kNetscapeMessenger), names.end());
}

TEST(ForeignRegistry, AnExpandableFolderOfAnotherProgramIsExpanded) {
    mwtest::TempDir dir;
    std::ofstream(dir.file("Eudora.ini")) << "[Settings]\r\nPOPAccount=joe@pop.isp.example\r\n";
    SetEnvironmentVariableA("MW_EUDORA_HOME", dir.str().c_str());
    const ThirtyTwoBitKey eudora(std::string(kAppPaths) + "Eudora.exe", REG_EXPAND_SZ, "Path", "%MW_EUDORA_HOME%");
    ASSERT_TRUE(eudora.Created());
    const MailAccount account = FindMailAccount("Eudora");
    EXPECT_EQ(account.server, "pop.isp.example");
    EXPECT_EQ(account.user, "joe");
}

}  // namespace
}  // namespace mailwick
