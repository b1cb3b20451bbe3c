// The installation itself, run when the wizard's Finish is pressed.
#pragma once

#include <windows.h>

#include <string>

namespace mailwick {

// Creates InstallDir, copies the files named in setup.lst into it, registers the program
// path and the uninstaller, and clears what an earlier installation left for the checker's
// first start. Shows each finished step in the progress window, which `owner` owns and
// which stays until setup ends. Returns 1 on success, 0 after telling the user why not.
int RunInstallation(HWND owner);

// CopyListedFiles with the system's file copy and message boxes.
int CopyListedFiles(const char* listFile, const std::string& destinationDir);

}  // namespace mailwick
