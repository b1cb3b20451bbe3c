// The four pages of the options sheet. Each loads its controls from the working copy
// when it becomes active, stores them back when it is left (and may refuse), and on OK
// copies its own fields into the live record and writes the whole record.
#pragma once

#include <windows.h>

#include <span>

#include "checker/logic/settings_record.h"
#include "common/dialog.h"

namespace mailwick {

class OptionsPage : public PropertyPage {
protected:
    // `helpPairs`: control id, help context, ..., ending with 0, 0, as WinHelp takes them.
    OptionsPage(Settings& working, DWORD helpTopic, std::span<const DWORD> helpPairs)
        : working_(working), helpTopic_(helpTopic), helpPairs_(helpPairs) {}

    // This page's fields from the working copy into the live record.
    virtual void CopyToLive(Settings& live) const = 0;
    // Runs once the fields are in the live record, before it is written.
    virtual void AfterCopy(const Settings& /*before*/) {}

    bool OnApply() override;
    void OnHelp() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    void Toggle(int id) const { SetChecked(id, !IsChecked(id)); }
    // The page's message box for a refused store.
    void Refuse(const char* text, const char* caption) const;

    Settings& working_;

private:
    void ContextHelp(HWND control, UINT command);

    DWORD helpTopic_;
    std::span<const DWORD> helpPairs_;
};

class AccountPage : public OptionsPage {
public:
    explicit AccountPage(Settings& working);

protected:
    BOOL OnInit() override;
    LRESULT OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void CopyToLive(Settings& live) const override;
};

class ConnectionPage : public OptionsPage {
public:
    explicit ConnectionPage(Settings& working);

protected:
    LRESULT OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void CopyToLive(Settings& live) const override;

private:
    void ApplyEnablingRules() const;
};

class CheckingPage : public OptionsPage {
public:
    explicit CheckingPage(Settings& working);

protected:
    LRESULT OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void CopyToLive(Settings& live) const override;
    void AfterCopy(const Settings& before) override;

public:
    // OK changed an interval: checking mode is to restart once the sheet has closed.
    bool RestartWanted() const { return restartWanted_; }

private:
    bool restartWanted_ = false;
};

class NotificationsPage : public OptionsPage {
public:
    explicit NotificationsPage(Settings& working);

protected:
    BOOL OnInit() override;
    LRESULT OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void CopyToLive(Settings& live) const override;

private:
    void Browse(int editId) const;
    void TestAlarm() const;
};

// Plays a sound file once, synchronously, through the installed sound function.
void PlayOptionsSound(const char* file);

}  // namespace mailwick
