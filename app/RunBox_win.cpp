#include "app/RunBox_win.h"

#include "app/InstallSteps.h"
#include "framework/WideText_win.h"

namespace app {

void ShowRunBox(HWND owner, std::string_view text, UINT icon) {
    MessageBoxW(owner, framework::WideText(text).c_str(), framework::WideText(kRunTitle).c_str(), MB_OK | icon);
}

}  // namespace app
