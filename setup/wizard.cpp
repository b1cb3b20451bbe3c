#include "setup/wizard.h"

#include <array>

#include "common/dialog.h"
#include "common/help_viewer.h"
#include "common/message_box.h"
#include "setup/installation.h"
#include "setup/setup_state.h"
#include "setup/shell_start.h"
#include "setup/setup_texts.h"
#include "setup/wizard_res.h"

namespace mailwick {

namespace {

constexpr char kLicenseFile[] = "license.txt";
// The help topic that tells a new user what was installed and how to start.
constexpr DWORD kInstalledTopic = 1200;

// A page that sets the wizard's buttons each time it is shown; no input is checked.
class WizardPage : public PropertyPage {
public:
    explicit WizardPage(DWORD buttons) : buttons_(buttons) {}

protected:
    LRESULT OnSetActive() override {
        PostMessageA(Sheet(), PSM_SETWIZBUTTONS, 0, buttons_);
        return 0;
    }

private:
    DWORD buttons_;
};

// Reads the whole file; empty when it cannot be opened or sized, the fallback when the
// read fails.
std::string ReadAgreement() {
    HANDLE file = CreateFileA(kLicenseFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    const DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE) {
        text.assign(size, '\0');
        DWORD read = 0;
        if (ReadFile(file, text.data(), size, &read, nullptr)) {
            text.resize(read);
        } else {
            text = kLicenseFallback;
        }
    }
    CloseHandle(file);
    return text;
}

class LicensePage : public WizardPage {
public:
    LicensePage() : WizardPage(PSWIZB_BACK | PSWIZB_NEXT) {}

protected:
    BOOL OnInit() override {
        AgreementText = ReadAgreement();
        return TRUE;
    }
    LRESULT OnSetActive() override {
        SetItemText(IDC_LICENSE_TEXT, AgreementText.c_str());
        return WizardPage::OnSetActive();
    }
};

// The folder is fixed: shown, greyed, and Browse has nothing to do.
class DestinationPage : public WizardPage {
public:
    DestinationPage() : WizardPage(PSWIZB_BACK | PSWIZB_NEXT) {}

protected:
    LRESULT OnSetActive() override {
        SetItemText(IDC_INSTALL_DIR, InstallDir.c_str());
        EnableItem(IDC_INSTALL_DIR, false);
        return WizardPage::OnSetActive();
    }
};

class ConfirmPage : public WizardPage {
public:
    ConfirmPage() : WizardPage(PSWIZB_BACK | PSWIZB_FINISH) {}

protected:
    bool OnWizardFinish() override {
        if (RunInstallation(Handle())) {
            ShowMessageBox(Handle(), kInstallComplete, kSetupCaption, MB_OK);
            const std::string archive = InstallDir + "\\" + kHtmlHelpFileName;
            if (ProgramHelpViewer().Kind() == HelpViewerKind::HtmlHelp) {
                // Through the desktop shell like the checker, so the help window does not
                // run with setup's administrator rights.
                const char* page = HelpPageFor(kInstalledTopic);
                StartAsUser("hh.exe", "\"" + archive + "::/" + (page ? page : kHelpContentsPage) + "\"", InstallDir);
            } else {
                ProgramHelpViewer().Show(nullptr, InstallDir + "\\mailwick.hlp", archive, HELP_CONTEXT, kInstalledTopic);
            }
            StartAsUser(InstalledProgramPath, "", InstallDir);
        } else {
            ShowMessageBox(Handle(), kInstallFailed, kSetupCaption, MB_OK | MB_TASKMODAL);
        }
        PostQuitMessage(0);
        return true;
    }
};

}  // namespace

void RunSetupWizard(HWND owner) {
    WizardPage welcome(PSWIZB_NEXT);
    LicensePage license;
    DestinationPage destination;
    ConfirmPage confirm;
    const std::array<PageEntry, 4> pages{{
        {&welcome, MAKEINTRESOURCEA(IDD_WELCOME)},
        {&license, MAKEINTRESOURCEA(IDD_LICENSE)},
        {&destination, MAKEINTRESOURCEA(IDD_DESTINATION)},
        {&confirm, MAKEINTRESOURCEA(IDD_CONFIRM)},
    }};
    SheetOptions options;
    options.instance = SetupInstance;
    options.owner = owner;
    options.caption = kWizardCaption;
    options.flags = PSH_WIZARD | PSH_NOAPPLYNOW;
    RunPropertySheet(options, pages);
}

}  // namespace mailwick
