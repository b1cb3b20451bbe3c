#pragma once
// The stand-in RAS library's world: its phone book, its connections and how it answers.
// Tests write it to the file named by MAILWICK_FAKERAS_STATE; the library reads it at each
// call and writes back what the call changed (a dial adds a connection, a hang-up starts
// its disappearance). One line per item:
//
//   entry <passwordSaved 0|1> <name>
//   conn <handle> <state> <statusError> <hungUp 0|1> <queriesLeft> <name>
//   dial <result> <handleOnFailure 0|1>
//   hangup <result> <queriesSurvived>
//   next <handle>
//
// <state> is a RASCONNSTATE number; a connection with a <statusError> other than 0 fails
// its status query with that error. A hung-up connection answers <queriesLeft> more status
// queries (state disconnected), then ERROR_INVALID_HANDLE; -1 means it never goes. Names
// run to the end of the line and may hold any byte but a line break.
#include <cstdint>
#include <string>
#include <vector>

namespace fakeras {

constexpr int kConnected = 0x2000;     // RASCS_Connected
constexpr int kDisconnected = 0x2001;  // RASCS_Disconnected
constexpr int kConnectDevice = 2;      // RASCS_ConnectDevice: a dial in progress

struct Entry {
    std::string name;
    bool passwordSaved = true;
};

struct Connection {
    std::uint32_t handle = 0;
    std::string name;
    int state = kConnected;
    std::uint32_t statusError = 0;
    bool hungUp = false;
    long queriesLeft = 0;
};

struct State {
    std::vector<Entry> entries;
    std::vector<Connection> connections;
    std::uint32_t dialResult = 0;        // 0: the dial connects
    bool handleOnFailedDial = false;     // a failed dial still hands out a handle
    std::uint32_t hangUpResult = 0;
    long queriesSurvivedAfterHangUp = 0; // -1: the handle never becomes invalid
    std::uint32_t nextHandle = 1000;

    std::string text() const;
    static State parse(const std::string& text);
};

}  // namespace fakeras
