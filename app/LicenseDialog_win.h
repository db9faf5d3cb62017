#pragma once
// The License dialog: the container's license text, read-only, in a plain
// captioned modal dialog (template 130). The one window that is not skinned.
#include <string>

#include "framework/Dialog_win.h"

namespace app {

class LicenseDialog : public framework::Dialog {
public:
    explicit LicenseDialog(HWND parent = nullptr);

    // Filled by the caller before DoModal.
    std::string licenseText;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(bool save) override;

private:
    std::string shownText;  // exchanged with the edit control
};

}  // namespace app
