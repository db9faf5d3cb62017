#include "app/FilesInUsePrompt_win.h"

#include "app/InstallSteps.h"
#include "framework/WideText_win.h"

namespace app {

FilesInUseChoice AskAboutFilesInUse(HWND owner, const std::vector<std::string>& programs) {
    const std::wstring text = framework::WideText(FilesInUseQuestion(programs));
    const std::wstring title = framework::WideText(kRunTitle);
    switch (MessageBoxW(owner, text.c_str(), title.c_str(), MB_CANCELTRYCONTINUE | MB_ICONWARNING | MB_DEFBUTTON1)) {
        case IDTRYAGAIN:
            return FilesInUseChoice::TryAgain;
        case IDCONTINUE:
            return FilesInUseChoice::CloseThem;
        default:
            return FilesInUseChoice::Cancel;
    }
}

}  // namespace app
