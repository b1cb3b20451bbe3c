// The password at rest, beyond the settings table's own round trip: a value an earlier
// version stored shifted still reads, and without data protection nothing is lost.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "checker/logic/settings_table.h"
#include "checker/logic/shifted_text.h"
#include "checker/settings.h"
#include "common/registry.h"
#include "fixtures/registry_sandbox.h"

namespace mailwick {
namespace {

std::string ProtectedName() { return std::string("Password") + kProtectedSuffix; }

std::string ReadBytes(const RegKey& key, const char* name, DWORD* type) {
    std::string bytes(8192, '\0');
    DWORD length = 0;
    if (!key.ReadValue(name, bytes.data(), static_cast<DWORD>(bytes.size()), type, &length)) return "<absent>";
    bytes.resize(length);
    return bytes;
}

TEST(PasswordStore, AnEarlierShiftedValueOrOneBesideAnUnreadableBlobIsStillRead) {
    mwtest::RegistrySandbox registry;
    const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    ASSERT_TRUE(key.WriteText("Password", ShiftText("old pw")));
    Settings s;
    ReadAccount(s);
    EXPECT_STREQ(s.GetPassword(), "old pw");

    // Another user's or a damaged blob does not decrypt here.
    ASSERT_TRUE(key.WriteValue(ProtectedName().c_str(), REG_BINARY, "not a blob", 10));
    Settings again;
    ReadAccount(again);
    EXPECT_STREQ(again.GetPassword(), "old pw");
}

TEST(PasswordStore, WithoutDataProtectionTheShiftedFormIsWrittenAndAnOlderBlobDropped) {
    // Wine's data protection finds its cryptographic provider under HKEY_LOCAL_MACHINE:
    // with that key emptied too, protection fails here.
    mwtest::RegistrySandbox registry(/*alsoLocalMachine=*/true);
    const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    ASSERT_TRUE(key.WriteValue(ProtectedName().c_str(), REG_BINARY, "stale", 5));
    Settings s;
    s.SetPassword("pw");
    ASSERT_EQ(WriteAccount(s), 1);
    DWORD type = 0;
    EXPECT_EQ(ReadBytes(key, "Password", &type), std::string("qx", 3));
    EXPECT_EQ(ReadBytes(key, ProtectedName().c_str(), &type), "<absent>");
}

}  // namespace
}  // namespace mailwick
