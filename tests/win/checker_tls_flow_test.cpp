// The check cycle over secure connections, against the Dovecot that insists on TLS.
#include <gtest/gtest.h>

#include <string>

#include "checker/texts.h"
#include "fixtures/test_authority.h"
#include "win/checker_flow_fixture.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(CheckerFlow, ChecksOverTlsAndStlsAndNamesACertificateForAnotherHost) {
    ASSERT_TRUE(mwtest::TrustTestAuthority(mwtest::WinePath(mwtest::EnvOr("MAILWICK_TLS_DIR", "") + "/certs/ca.der")));
    Deliver("Ann <ann@example.org>", "over TLS");
    for (int security : {2, 1}) {
        SCOPED_TRACE(security);
        UpdateSettings([&](Settings& s) { s.SetSecurity(security); });
        CheckNow();
        ASSERT_TRUE(WaitIdle(30s));
        EXPECT_EQ(g_process.state.CheckFailed(), 0) << StatusText();
        EXPECT_NE(StatusText().find(" new item"), std::string::npos) << StatusText();
    }

    UpdateSettings([&](Settings& s) {
        s.SetServer(mwtest::EnvOr("MAILWICK_TLS_WRONG", ""));
        s.SetSecurity(2);
    });
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_TRUE(EndsWith(StatusText(), kNameMismatchStatus)) << StatusText();
}

}  // namespace
}  // namespace mailwick
