#pragma once
// The application object: shows the main setup window modally and lets the
// process end when it closes.
#include "framework/Application_win.h"

namespace app {

class SetupApp : public framework::Application {
public:
    bool InitInstance() override;
};

}  // namespace app
