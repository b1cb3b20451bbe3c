// What happens when a check finds new mail: the sound, the flashing icon with its alarm,
// the NEWMAIL dialog, and starting the mail program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pop3 {
class POP3Session;
}

namespace mailwick {

// The check worker, before it sends NewMailMessage: the texts of the new-mail balloon,
// from the newest of the session's new messages, for the handler to show.
void PrepareNewMailBalloon(const pop3::POP3Session& session, int newCount);

// NewMailMessage, sent by the check worker; runs on the main thread.
void OnNewMail(HWND mainWindow);
// Timer 4: one step of the flashing.
void OnFlashTimer(HWND mainWindow);
// Open acknowledges new mail: nothing pending, and the flashing stops at once.
void AcknowledgeNewMail(HWND mainWindow);
// Command 209: starts the program of "MailProgramFile".
void LaunchMailProgram();

// Adds the senders of a check's new messages to the open NEWMAIL dialog's list, in one
// batch on the main thread. Any thread; the worker calls it after NewMailMessage.
void AddNewMailSenders(std::vector<std::string> senders);
// The main window's handler of NewSendersMessage.
LRESULT OnNewSendersMessage();

inline constexpr UINT kFlashOnMs = 2000;
inline constexpr UINT kFlashOffMs = 1000;

}  // namespace mailwick
