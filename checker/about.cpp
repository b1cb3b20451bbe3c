#include "checker/about.h"

#include "checker/about_res.h"
#include "checker/checker_state.h"
#include "common/controls.h"
#include "common/dialog.h"

namespace mailwick {

namespace {

// Owns itself: made by OnAbout, deleted once its window is gone.
class AboutBox : public Dialog {
protected:
    BOOL OnInit() override {
        CentreOnScreen(Handle());
        return TRUE;
    }
    void OnDestroy() override { g_process.aboutOpen.store(0); }
    void OnDetached() override { delete this; }
};

}  // namespace

void OnAbout(HWND mainWindow) {
    if (g_process.aboutOpen.load() != 0) return;
    g_process.aboutOpen.store(1);
    auto* box = new AboutBox;
    if (!box->CreateModeless(g_process.instance, kAboutBoxName, mainWindow)) {
        // No window was made, so the box never reached OnDetached.
        delete box;
        g_process.aboutOpen.store(0);
    }
}

}  // namespace mailwick
