// The Startup shortcut, with the Startup folder pointed at a scratch directory.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <string>

#include "checker/settings.h"
#include "checker/startup_shortcut.h"
#include "checker/texts.h"
#include "common/registry.h"
#include "common/startup_shortcut.h"
#include "fixtures/message_recorder.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

using mwtest::FileExists;
using mwtest::ListDirectory;
using mwtest::MessageRecorder;
using mwtest::RegistrySandbox;
using mwtest::TempDir;

struct LinkContents {
    bool loaded = false;
    std::string target, workingDir, description;
};

// Reads a shortcut file back through the shell-link object.
LinkContents ReadLink(const std::string& path) {
    LinkContents out;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char buf[1024];
        out.loaded = true;
        if (link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH) == S_OK) out.target = buf;
        if (SUCCEEDED(link->GetWorkingDirectory(buf, sizeof buf))) out.workingDir = buf;
        if (SUCCEEDED(link->GetDescription(buf, sizeof buf))) out.description = buf;
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return out;
}

std::string CurrentDirectory() {
    char buf[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, buf);
    return buf;
}

// Runs the test from another current directory, restored afterwards.
class InDirectory {
public:
    explicit InDirectory(const std::string& dir) : saved_(CurrentDirectory()) {
        SetCurrentDirectoryA(dir.c_str());
    }
    ~InDirectory() { SetCurrentDirectoryA(saved_.c_str()); }

private:
    std::string saved_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StartupShortcut : public ::testing::Test {
protected:
    void PointStartupAt(const std::string& folder) {
        ASSERT_TRUE(RegWriteText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Startup", folder));
    }
    std::string LinkPath() const { return startup_.file("Mailwick.lnk"); }

    RegistrySandbox registry_;
    TempDir startup_;
    TempDir workDir_;
    MessageRecorder messages_;
};

TEST_F(StartupShortcut, CreatedForTheProgramInTheCurrentDirectory) {
    PointStartupAt(startup_.str());
    InDirectory cd(workDir_.str());
    EXPECT_FALSE(StartupShortcutExists());
    CreateStartupShortcut();
    EXPECT_TRUE(StartupShortcutExists());
    EXPECT_EQ(ListDirectory(startup_.str()), std::vector<std::string>{"Mailwick.lnk"});

    const LinkContents link = ReadLink(LinkPath());
    ASSERT_TRUE(link.loaded);
    EXPECT_STRCASEEQ(link.target.c_str(), (workDir_.str() + "\\mailwick.exe").c_str());
    EXPECT_STRCASEEQ(link.workingDir.c_str(), workDir_.str().c_str());
    EXPECT_EQ(link.description, kShortcutDescription);

    const auto shown = messages_.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kShortcutCreatedText);
    EXPECT_EQ(shown[0].caption, "Mailwick");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[0].owner, nullptr);
}

TEST_F(StartupShortcut, ExistingShortcutIsLeftAloneWithoutAMessage) {
    PointStartupAt(startup_.str());
    { std::ofstream(LinkPath(), std::ios::binary) << "user's own link"; }
    EXPECT_TRUE(StartupShortcutExists());
    CreateStartupShortcut();
    EXPECT_EQ(ReadFile(LinkPath()), "user's own link");
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(StartupShortcut, RemoveDeletesOnlyTheShortcut) {
    PointStartupAt(startup_.str());
    { std::ofstream(startup_.file("other.lnk")) << "x"; }
    CreateStartupShortcut();
    ASSERT_TRUE(StartupShortcutExists());
    RemoveStartupShortcut();
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_EQ(ListDirectory(startup_.str()), std::vector<std::string>{"other.lnk"});
    RemoveStartupShortcut();  // nothing there: silent
    EXPECT_EQ(messages_.Messages().size(), 1u) << "only the creation spoke";
}

TEST_F(StartupShortcut, FolderThatCannotTakeTheFileReportsFailure) {
    PointStartupAt(startup_.file("no such folder"));
    CreateStartupShortcut();
    const auto shown = messages_.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kShortcutFailedText);
    EXPECT_EQ(shown[0].caption, "Mailwick");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_FALSE(StartupShortcutExists());
}

TEST_F(StartupShortcut, DirectoryNamedLikeTheShortcutIsNoShortcut) {
    PointStartupAt(startup_.str());
    ASSERT_TRUE(CreateDirectoryA(LinkPath().c_str(), nullptr));
    EXPECT_FALSE(StartupShortcutExists());
}

// Without a usable "Startup" value nothing happens and nothing is said.
void ExpectEverythingSilent(const TempDir& workDir, const MessageRecorder& messages) {
    InDirectory cd(workDir.str());
    EXPECT_FALSE(StartupShortcutExists());
    CreateStartupShortcut();
    RemoveStartupShortcut();
    EXPECT_FALSE(StartupShortcutExists());
    Settings s;
    ReadSettings(s);  // a first run: autostart goes on, the shortcut cannot be placed
    EXPECT_EQ(s.GetCheckAutoStart(), 1);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(ListDirectory(workDir.str()).empty());
}

TEST_F(StartupShortcut, MissingShellFoldersKeyMakesEveryOperationSilent) {
    ExpectEverythingSilent(workDir_, messages_);
}

TEST_F(StartupShortcut, MissingStartupValueMakesEveryOperationSilent) {
    ASSERT_TRUE(RegWriteText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Desktop", startup_.str()));
    ExpectEverythingSilent(workDir_, messages_);
    EXPECT_TRUE(ListDirectory(startup_.str()).empty());
}

TEST_F(StartupShortcut, StartupValueThatIsNoFolderNameMakesEveryOperationSilent) {
    {
        const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kShellFoldersKeyPath);
        const DWORD number = 1;
        ASSERT_TRUE(key.WriteValue("Startup", REG_DWORD, &number, sizeof number));
    }
    ExpectEverythingSilent(workDir_, messages_);
    PointStartupAt("");
    ExpectEverythingSilent(workDir_, messages_);
}

}  // namespace
}  // namespace mailwick
