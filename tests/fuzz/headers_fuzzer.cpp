// Header parsing of arbitrary text: the input's lines as a TOP reply, the whole input as
// one field, and the input as a stored header list. Every field that comes out must be
// well formed.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pop3/header_list.h"

namespace {

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

void checkField(const pop3::HeaderField& f, std::size_t maxText) {
    if (f.name.empty() || f.name.find(' ') != std::string::npos) std::abort();
    if (!f.value.empty() && (isBlankOrTab(f.value.front()) || isBlankOrTab(f.value.back())))
        std::abort();
    if (f.name.size() + 1 + f.value.size() > maxText) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    // As a TOP reply: lines split at LF, as the connection hands them over.
    std::size_t pos = 0;
    pop3::HeaderList reply;
    reply.readHeaders(
        [&]() -> std::optional<std::string> {
            if (pos > text.size()) return std::nullopt;
            std::size_t lf = text.find('\n', pos);
            if (lf == std::string_view::npos) lf = text.size();
            std::string line(text.substr(pos, lf - pos));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pos = lf + 1;
            return line;
        },
        ".");
    for (const auto& f : reply.fields()) checkField(f, pop3::kMaxFieldText);
    for (int id = -1; id <= 12; ++id) pop3::headerValue(reply, id);

    pop3::HeaderField one;
    if (pop3::parseField(text, &one)) checkField(one, text.size());

    pop3::HeaderList stored;
    std::size_t at = 0;
    int loaded = stored.load(text, at);
    if (at > text.size()) std::abort();
    for (const auto& f : stored.fields()) checkField(f, text.size());
    // The file loader's form (checked now, split later) must agree with the plain one.
    pop3::HeaderList lazy;
    std::size_t lazyAt = 0;
    auto file = std::make_shared<const std::string>(text);
    if (lazy.load(file, lazyAt) != loaded || lazyAt != at || lazy.size() != stored.size())
        std::abort();
    std::string plainBytes, lazyBytes;
    stored.store(plainBytes);
    lazy.store(lazyBytes);
    if (lazyBytes != plainBytes) std::abort();
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (lazy.fields()[i].name != stored.fields()[i].name ||
            lazy.fields()[i].value != stored.fields()[i].value)
            std::abort();
    if (loaded) {
        std::string again;
        stored.store(again);
        pop3::HeaderList back;
        std::size_t p = 0;
        if (!back.load(again, p) || p != again.size() || back.size() != stored.size()) std::abort();
    }
    return 0;
}
