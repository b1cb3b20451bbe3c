#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <string>
#include <vector>

#include "checker/dialup.h"
#include "fixtures/message_recorder.h"
#include "fixtures/fakeras_env.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Sizes the records must announce: the Windows 95 / NT 4.0 layouts for this build.
#ifdef _WIN64
constexpr int kConnSize = 424;
#else
constexpr int kConnSize = 412;
#endif

std::string EnumCall(int result, int count) {
    return "RasEnumConnectionsA size=" + std::to_string(kConnSize) +
           " bytes=" + std::to_string(32 * kConnSize) + " -> " + std::to_string(result) +
           " count=" + std::to_string(count);
}

std::string StatusCall(int handle, int state) {
    return "RasGetConnectStatusA handle=" + std::to_string(handle) + " size=160 -> 0 state=" +
           std::to_string(state);
}

std::string StatusGone(int handle) {
    return "RasGetConnectStatusA handle=" + std::to_string(handle) + " size=160 -> 6";
}

std::string HangUpCall(int handle, int result = 0) {
    return "RasHangUpA handle=" + std::to_string(handle) + " -> " + std::to_string(result);
}

fakeras::Connection Conn(std::uint32_t handle, const std::string& name,
                         int state = fakeras::kConnected) {
    fakeras::Connection c;
    c.handle = handle;
    c.name = name;
    c.state = state;
    return c;
}


class Dialup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadRasLibrary(), 1);
        savedWait_ = GetRasGoneWait();
        SetRasGoneWait({1, savedWait_.maxPolls});
    }
    void TearDown() override {
        SetRasGoneWait(savedWait_);
        FreeRasLibrary();
    }

    FakeRasFiles ras_;
    RasGoneWait savedWait_{};
    mwtest::MessageRecorder shown_;
};

TEST_F(Dialup, LoadsTheLibraryBesideTheProgram) {
    // The override must give us the stand-in, not Wine's own library.
    HMODULE module = GetModuleHandleA("rasapi32.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "RasHangUpA"), nullptr);
    ras_.write({});
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 0);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(0, 0)));
}

TEST_F(Dialup, StandInRefusesRecordsOfOtherLayouts) {
    // Guards the stand-in itself: a size field of another layout must not pass unnoticed.
    auto enumConnections = reinterpret_cast<DWORD(WINAPI*)(RASCONNA*, LPDWORD, LPDWORD)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("rasapi32.dll"), "RasEnumConnectionsA")));
    ASSERT_NE(enumConnections, nullptr);
    ras_.write({});
    std::vector<RASCONNA> block(32);
    block[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = static_cast<DWORD>(block.size() * sizeof(RASCONNA)), count = 0;
    EXPECT_EQ(enumConnections(block.data(), &bytes, &count), static_cast<DWORD>(ERROR_INVALID_SIZE));
}

TEST_F(Dialup, EntryNamesMatchIgnoringAsciiCaseOnly) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP"), Conn(102, "Caf\xE9")};
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("myisp"), 1);
    EXPECT_EQ(IsRasEntryConnected("MYISP"), 1);
    EXPECT_EQ(IsRasEntryConnected("MyISP "), 0);
    EXPECT_EQ(IsRasEntryConnected("MyIS"), 0);
    EXPECT_EQ(IsRasEntryConnected("CAF\xE9"), 1);
    EXPECT_EQ(IsRasEntryConnected("CAF\xC9"), 0);
}

TEST_F(Dialup, ConnectedMeansAnyStateButDisconnected) {
    fakeras::State state;
    state.connections = {Conn(101, "Work", fakeras::kDisconnected),
                         Conn(102, "MyISP", fakeras::kConnectDevice),
                         Conn(103, "Other")};
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 1);  // still dialling
    EXPECT_THAT(ras_.calls(),
                ElementsAre(EnumCall(0, 3), StatusCall(101, fakeras::kDisconnected),
                            StatusCall(102, fakeras::kConnectDevice), StatusCall(103, fakeras::kConnected)));
    EXPECT_EQ(IsRasEntryConnected("Work"), 0);
    EXPECT_EQ(IsRasEntryConnected("Nowhere"), 0);
}

TEST_F(Dialup, ConnectionWhoseStatusFailsIsNotCounted) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP")};
    state.connections[0].statusError = ERROR_INVALID_PARAMETER;
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 0);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 1);
    EXPECT_EQ(ras_.read().connections.size(), 1u);
}

TEST_F(Dialup, MoreThan32ConnectionsCountAsNotConnected) {
    fakeras::State state;
    for (int i = 0; i < 33; ++i)
        state.connections.push_back(Conn(100 + i, "MyISP"));
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 0);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(ERROR_BUFFER_TOO_SMALL, 33)));

    // Exactly 32 still fit the block.
    state.connections.pop_back();
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 1);
}

TEST_F(Dialup, HangUpWithoutConnectionReturns1AndCallsNothing) {
    fakeras::State state;
    state.connections = {Conn(101, "Other")};
    ras_.write(state);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 1);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(0, 1), StatusCall(101, fakeras::kConnected)));
}

TEST_F(Dialup, HangUpLeavesADialInProgressAlone) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP", fakeras::kConnectDevice)};
    ras_.write(state);
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 1);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 1);
    for (const std::string& call : ras_.calls())
        EXPECT_EQ(call.find("RasHangUpA"), std::string::npos) << call;
    EXPECT_FALSE(ras_.read().connections.at(0).hungUp);
}

TEST_F(Dialup, HangUpTakesTheLastMatchingConnectionAndWaitsForItToGo) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP"), Conn(102, "Other"), Conn(103, "myisp"),
                         Conn(104, "MYISP", fakeras::kConnectDevice)};
    state.queriesSurvivedAfterHangUp = 2;
    ras_.write(state);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 1);
    EXPECT_THAT(ras_.calls(),
                ElementsAre(EnumCall(0, 4), StatusCall(101, fakeras::kConnected),
                            StatusCall(102, fakeras::kConnected), StatusCall(103, fakeras::kConnected),
                            StatusCall(104, fakeras::kConnectDevice), HangUpCall(103),
                            StatusCall(103, fakeras::kDisconnected),
                            StatusCall(103, fakeras::kDisconnected), StatusGone(103)));
    const fakeras::State after = ras_.read();
    ASSERT_EQ(after.connections.size(), 3u);
    EXPECT_EQ(after.connections[0].handle, 101u);
    EXPECT_FALSE(after.connections[0].hungUp);
}

TEST_F(Dialup, FailedHangUpCallReturns0WithoutWaiting) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP")};
    state.hangUpResult = ERROR_INVALID_PORT_HANDLE;
    ras_.write(state);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 0);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(0, 1), StatusCall(101, fakeras::kConnected),
                                          HangUpCall(101, ERROR_INVALID_PORT_HANDLE)));
}

TEST_F(Dialup, WaitForAConnectionThatNeverGoesIsBounded) {
    fakeras::State state;
    state.connections = {Conn(101, "MyISP")};
    state.queriesSurvivedAfterHangUp = -1;
    ras_.write(state);
    SetRasGoneWait({1, 25});
    EXPECT_EQ(HangUpRasEntry("MyISP"), 0);  // the hang-up was not seen to complete
    const std::vector<std::string> calls = ras_.calls();
    ASSERT_EQ(calls.size(), 3u + 25u);
    EXPECT_EQ(calls[2], HangUpCall(101));
    for (std::size_t i = 3; i < calls.size(); ++i)
        EXPECT_EQ(calls[i], StatusCall(101, fakeras::kDisconnected));
}

TEST_F(Dialup, EnumerationFailureIsNotReportedAsAHangUp) {
    fakeras::State state;
    for (int i = 0; i < 33; ++i)
        state.connections.push_back(Conn(100 + i, "MyISP"));
    ras_.write(state);
    EXPECT_EQ(HangUpRasEntry("MyISP"), 0);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(ERROR_BUFFER_TOO_SMALL, 33)));
}

TEST_F(Dialup, DialConnectsWithTheSavedCredentials) {
    fakeras::State state;
    state.entries = {{"Work", true}, {"MyISP", true}};
    state.nextHandle = 500;
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("myisp"), 1);
    EXPECT_THAT(ras_.calls(),
                ElementsAre(EnumCall(0, 0),
                            "RasGetEntryDialParamsA book=default size=1052 entry=myisp domain=* -> 0 saved=1",
                            "RasDialA extensions=null book=default notifier=null size=1052 entry=myisp "
                            "user=user password=secret domain=* -> 0 handle=500"));
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 1);
}

TEST_F(Dialup, DialOfAConnectedEntryDoesNothing) {
    fakeras::State state;
    state.entries = {{"MyISP", true}};
    state.connections = {Conn(101, "MyISP", fakeras::kConnectDevice)};
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("MyISP"), 0);
    EXPECT_THAT(ras_.calls(), ElementsAre(EnumCall(0, 1), StatusCall(101, fakeras::kConnectDevice)));
}

TEST_F(Dialup, EntryWithoutSavedPasswordIsNotDialled) {
    fakeras::State state;
    state.entries = {{"MyISP", false}};
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("MyISP"), 0);
    EXPECT_THAT(ras_.calls(),
                ElementsAre(EnumCall(0, 0),
                            "RasGetEntryDialParamsA book=default size=1052 entry=MyISP domain=* -> 0 saved=0"));
}

TEST_F(Dialup, UnknownEntryIsNotDialled) {
    fakeras::State state;
    state.entries = {{"Work", true}};
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("MyISP"), 0);
    const std::vector<std::string> calls = ras_.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "RasGetEntryDialParamsA book=default size=1052 entry=MyISP domain=* -> " +
                            std::to_string(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
}

TEST_F(Dialup, FailedDialWithAHandleIsHungUpAndAwaited) {
    fakeras::State state;
    state.entries = {{"MyISP", true}};
    state.dialResult = ERROR_NO_ANSWER;
    state.handleOnFailedDial = true;
    state.queriesSurvivedAfterHangUp = 1;
    state.nextHandle = 700;
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("MyISP"), 0);
    const std::vector<std::string> calls = ras_.calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[2].substr(0, 9), "RasDialA ");
    EXPECT_NE(calls[2].find("-> " + std::to_string(ERROR_NO_ANSWER) + " handle=700"), std::string::npos);
    EXPECT_EQ(calls[3], HangUpCall(700));
    EXPECT_EQ(calls[4], StatusCall(700, fakeras::kDisconnected));
    EXPECT_EQ(calls[5], StatusGone(700));
    EXPECT_THAT(ras_.read().connections, IsEmpty());
}

TEST_F(Dialup, FailedDialWithoutAHandleHangsUpNothing) {
    fakeras::State state;
    state.entries = {{"MyISP", true}};
    state.dialResult = ERROR_NO_ANSWER;
    ras_.write(state);
    EXPECT_EQ(DialRasEntry("MyISP"), 0);
    const std::vector<std::string> calls = ras_.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].substr(0, 9), "RasDialA ");
}

class EntryList : public Dialup {
protected:
    void SetUp() override {
        Dialup::SetUp();
        combo_ = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(combo_, nullptr);
        SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("earlier"));
    }
    void TearDown() override {
        DestroyWindow(combo_);
        Dialup::TearDown();
    }

    std::vector<std::string> items() const {
        std::vector<std::string> out;
        const LRESULT n = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[300] = {};
            SendMessageA(combo_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }

    HWND combo_ = nullptr;
};

TEST_F(EntryList, ReplacesTheItemsWithTheEntriesInTheirOrder) {
    fakeras::State state;
    state.entries = {{"Work", true}, {"home ISP", false}, {"Alpha", true}};
    ras_.write(state);
    FillRasEntryList(combo_);
    EXPECT_THAT(items(), ElementsAre("Work", "home ISP", "Alpha"));
    EXPECT_THAT(ras_.calls(), ElementsAre("RasEnumEntriesA reserved=null book=default size=264 bytes=" +
                                          std::to_string(64 * 264) + " -> 0 count=3"));
    EXPECT_THAT(shown_.Messages(), IsEmpty());
}

TEST_F(EntryList, EmptyPhoneBookEmptiesTheList) {
    ras_.write({});
    FillRasEntryList(combo_);
    EXPECT_THAT(items(), IsEmpty());
}

TEST_F(EntryList, FailedEnumerationLeavesTheListUnchanged) {
    fakeras::State state;
    for (int i = 0; i < 65; ++i)
        state.entries.push_back({"Entry " + std::to_string(i), true});
    ras_.write(state);
    FillRasEntryList(combo_);
    EXPECT_THAT(items(), ElementsAre("earlier"));
    EXPECT_THAT(shown_.Messages(), IsEmpty());

    // 64 entries still fit the block.
    state.entries.pop_back();
    ras_.write(state);
    FillRasEntryList(combo_);
    const std::vector<std::string> filled = items();
    ASSERT_EQ(filled.size(), 64u);
    EXPECT_EQ(filled.front(), "Entry 0");
    EXPECT_EQ(filled.back(), "Entry 63");
}

}  // namespace
