#include "fakeras/fakeras_state.h"

#include <sstream>

namespace fakeras {

namespace {

// The rest of the line after one separating space.
std::string Rest(std::istringstream& in) {
    if (in.peek() == ' ')
        in.get();
    std::string rest;
    std::getline(in, rest);
    return rest;
}

}  // namespace

std::string State::text() const {
    std::ostringstream out;
    for (const Entry& e : entries)
        out << "entry " << (e.passwordSaved ? 1 : 0) << ' ' << e.name << '\n';
    for (const Connection& c : connections)
        out << "conn " << c.handle << ' ' << c.state << ' ' << c.statusError << ' '
            << (c.hungUp ? 1 : 0) << ' ' << c.queriesLeft << ' ' << c.name << '\n';
    out << "dial " << dialResult << ' ' << (handleOnFailedDial ? 1 : 0) << '\n';
    out << "hangup " << hangUpResult << ' ' << queriesSurvivedAfterHangUp << '\n';
    out << "next " << nextHandle << '\n';
    return out.str();
}

State State::parse(const std::string& text) {
    State state;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "entry") {
            Entry e;
            int saved = 0;
            in >> saved;
            e.passwordSaved = saved != 0;
            e.name = Rest(in);
            state.entries.push_back(e);
        } else if (kind == "conn") {
            Connection c;
            int hungUp = 0;
            in >> c.handle >> c.state >> c.statusError >> hungUp >> c.queriesLeft;
            c.hungUp = hungUp != 0;
            c.name = Rest(in);
            state.connections.push_back(c);
        } else if (kind == "dial") {
            int handle = 0;
            in >> state.dialResult >> handle;
            state.handleOnFailedDial = handle != 0;
        } else if (kind == "hangup") {
            in >> state.hangUpResult >> state.queriesSurvivedAfterHangUp;
        } else if (kind == "next") {
            in >> state.nextHandle;
        }
    }
    return state;
}

}  // namespace fakeras
