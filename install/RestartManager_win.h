#pragma once
// A Restart Manager session (Windows Vista and later): which running programs hold
// a set of files, closing them and starting them again afterwards. The caller:
//
//   install::RestartManagerSession session;          // one per run; at most 64 a user session
//   session.RegisterFiles(paths);                    // the files about to be replaced
//   const auto holders = session.HoldingPrograms(); // names to show, or ask about
//   if (closing is wanted && holders && !holders->restartOnly)
//       session.CloseHoldingPrograms();              // then write the files
//   ... write the files ...
//   session.RestartClosedPrograms();                 // those that registered for it
//   // the session ends when the object goes
//
// rstrtmgr.dll is loaded from the system folder only (the elevated programs never
// load a DLL by name from the search path) and its functions looked up, so that
// the program does not import it; it is unloaded when the session ends. Where the
// DLL or a function is missing, or any call fails, the session is no longer
// Available() and every later call does nothing and says so: the caller goes on
// without it (a file still in use is then replaced or deleted at the next start
// of Windows, RestartOperations_win.h). Under Wine every call succeeds and lists
// no program.
#include <windows.h>

#include <restartmanager.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles_win.h"

namespace install {

// The programs that hold the registered files.
struct HoldingProgramList {
    std::vector<std::string> names;  // each program's name as the system shows it (UTF-8)
    // The system says closing them would not free the files (a critical process,
    // or one that a restart alone can end): files in use wait for the next start.
    bool restartOnly = false;
};

class RestartManagerSession {
public:
    // Loads the DLL and starts a session; see Available().
    RestartManagerSession();
    // Ends the session and unloads the DLL.
    ~RestartManagerSession();
    RestartManagerSession(const RestartManagerSession&) = delete;
    RestartManagerSession& operator=(const RestartManagerSession&) = delete;

    // False when the system has no Restart Manager or a call of it failed.
    bool Available() const noexcept { return session_.has_value(); }
    // The system's error code of the last call that failed (0 while none did).
    std::uint32_t LastError() const noexcept { return error_; }

    // Adds files (full paths, UTF-8) to those the session looks after, 1000 a call.
    bool RegisterFiles(const std::vector<std::string>& paths);
    // The programs that hold any of the registered files; none when nothing holds them.
    std::optional<HoldingProgramList> HoldingPrograms();
    // Asks the programs that hold the registered files to close (they may save their
    // work first), and tries again, a few times, while some of them refuse. False
    // when any of them is still running (LastError() 351, ERROR_FAIL_SHUTDOWN; the session
    // stays available, to start again those that did close) or the call failed.
    bool CloseHoldingPrograms();
    // Starts again the programs CloseHoldingPrograms closed, those that registered
    // to be restarted (RegisterApplicationRestart).
    bool RestartClosedPrograms();

private:
    bool Failed(DWORD error);
    template <typename Function>
    Function Find(const char* name);

    framework::LibraryHandle library_;
    std::optional<DWORD> session_;
    std::uint32_t error_ = 0;
    decltype(&RmEndSession) endSession_ = nullptr;
    decltype(&RmRegisterResources) registerResources_ = nullptr;
    decltype(&RmGetList) getList_ = nullptr;
    decltype(&RmShutdown) shutdown_ = nullptr;
    decltype(&RmRestart) restart_ = nullptr;
};

}  // namespace install
