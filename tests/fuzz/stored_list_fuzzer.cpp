// Any bytes as a "UIDL" file: the load must not crash or allocate beyond the input, and
// what it keeps must write back to a file that loads to the same list.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pop3/pop3_session.h"
#include "pop3/stored_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    pop3::StoredMessageList list;
    list.loadStoredBytes(bytes);
    for (const pop3::StoredMessage& e : list) {
        if (e.uid.size() >= pop3::kUidField || !e.storedHeader) std::abort();
        for (const pop3::HeaderField& f : e.storedHeader->fields())
            if (f.name.empty() || f.name.find(' ') != std::string::npos) std::abort();
    }
    std::string saved = list.storedBytes();
    pop3::StoredMessageList again;
    again.loadStoredBytes(saved);
    if (again.length() != list.length() || again.storedBytes() != saved) std::abort();
    return 0;
}
