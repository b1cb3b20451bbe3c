#include "common/message_box.h"

#include <atomic>

namespace mailwick {

namespace {
// Atomic: the check worker may show a box while a test swaps the function.
std::atomic<MessageBoxFunction> g_messageBox{&MessageBoxA};
}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return g_messageBox.load()(owner, text, caption, type);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction fn) {
    return g_messageBox.exchange(fn ? fn : &MessageBoxA);
}

}  // namespace mailwick
