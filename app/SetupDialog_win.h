#pragma once
// The main setup window: a borderless modal dialog (template 102) cut to a fixed
// outline and painted entirely from the container's skin, at the scale of its
// monitor's DPI (imaging/WindowGeometry.h), and made again when that changes. It
// owns everything one run of the setup needs: the container reader, the skin
// pictures, the painter, the four skinned buttons, the path field, the install
// document and the destination path; and, for a product that offers both
// scopes, the choice.
#include <windows.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/ScopeChoice_win.h"
#include "app/SetupCommandLine.h"
#include "app/SetupReport.h"
#include "framework/Dialog_win.h"
#include "framework/Handles_win.h"
#include "framework/WorkerThread_win.h"
#include "imaging/BitmapFont_win.h"
#include "imaging/DibImage.h"
#include "imaging/MaskedButton_win.h"
#include "imaging/WindowGeometry.h"
#include "install/InstallDocument.h"
#include "install/InstallScope.h"
#include "install/NumberDisplay.h"
#include "storage/Storage.h"

namespace app {

class SetupDialog : public framework::Dialog {
public:
    static constexpr UINT_PTR kTickerTimer = 1;
    static constexpr UINT_PTR kRunEndTimer = 2;  // looks for the end of the run's thread
    static constexpr UINT kRunEndPeriod = 10;    // milliseconds
    static constexpr UINT kTickerPeriod = 20;  // milliseconds
    static constexpr COLORREF kEditColor = RGB(179, 183, 139);

    // A silent setup's window is never shown; a silent or passive one starts its
    // run by itself and takes no input. The report must outlive the window.
    SetupDialog(const SetupOptions& options, SetupReport& report, HWND parent = nullptr);
    ~SetupDialog() override;

    // The product name in the ticker, scrolling again.
    void ShowIdleStatus();

    // Runs f on the window's thread and returns once it has run: at once when
    // called there, else through a message sent to the window. The installation
    // run works on a thread of its own and draws, asks and stops through this, so
    // the window keeps painting and answering while it works.
    template <typename F>
    void OnWindowThread(F&& f) {
        using Callable = std::remove_reference_t<F>;
        CallOnWindowThread([](void* context) { (*static_cast<Callable*>(context))(); }, &f);
    }

    // What the installation run uses.
    install::InstallDocument& Document() noexcept { return document; }
    storage::Storage& Container() noexcept { return storage; }
    imaging::BitmapFont& Painter() noexcept { return painter; }
    std::vector<std::string>& CreatedFolders() noexcept { return createdFolders; }
    const std::string& DestinationPath() const noexcept { return destinationPath; }
    // What the command line asks of the run (mode, destination, log file).
    const SetupOptions& Options() const noexcept { return options; }
    // Whom the run installs for; set before the window is created. offerChoice:
    // the product offers both and the window lets the user choose (ScopeChoice_win.h);
    // SETUP for all users then starts this setup again elevated (ElevatedRun_win.h).
    void UseScope(install::InstallScope chosen, bool offerChoice) noexcept {
        scope = chosen;
        offersScopeChoice = offerChoice;
    }
    install::InstallScope Scope() const noexcept { return scope; }
    // The log, and where a message goes when no box may show.
    SetupReport& Report() noexcept { return report; }
    // Shows text in the ticker, standing still at its left edge, and logs it as a stage.
    void ShowStatus(std::string_view text);
    void StopTicker() noexcept;
    // Ends the modal window with result; asked from the run's thread, it ends once
    // the run has returned and its thread is gone.
    void EndDialog(INT_PTR result) noexcept;
    // Called by a failed run on the window's thread as its last use of the window:
    // input from then on waits for the thread's return instead of being dropped.
    void ReleaseWindowFromRun() noexcept { runReleasedWindow = true; }
    // The elevated setup installed in this one's place: the window ends with
    // kEndElevatedSetup, and setup with exitCode.
    void EndWithElevatedSetup(int exitCode) noexcept {
        elevatedExitCode = exitCode;
        EndDialog(kEndElevatedSetup);
    }
    int ElevatedExitCode() const noexcept { return elevatedExitCode; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(bool save) override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    void OnOK() override;
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& message) override;

private:
    // The painter as the install document's kilobyte display.
    class CounterDisplay : public install::NumberDisplay {
    public:
        explicit CounterDisplay(imaging::BitmapFont& painter) : painter_(painter) {}
        void DrawNumber(int n) override { painter_.DrawNumber(nullptr, n); }

    private:
        imaging::BitmapFont& painter_;
    };

    // The destination offered for the scope: the document's default folder below
    // Program Files, or below the user's programs folder.
    std::string DefaultDestination() const;
    // What the path field offers for the scope: where the scope's copy of the
    // product is installed, else DefaultDestination.
    std::string OfferedDestination() const;
    // The other scope chosen: the field then offers that scope's folder, unless
    // it holds a folder of the user's own.
    void ToggleScope();
    void DrawAtDpi(int dpi, POINT place);
    void FollowDpi(int dpi, POINT place);
    POINT DpiChangePlace(LPARAM lParam) const;
    void PlaceWindow(POINT place);
    void ShapeWindow();
    void LoadWindowSkin();
    void SkinButtons();
    void PlacePathField(int dpi);
    // Starts the run on its own thread; the window takes no input until it ends.
    void RunInstallation();
    static unsigned __stdcall RunThread(void* window);
    // The run SETUP starts: the installation, or for all users without
    // administrator rights the elevated setup.
    void Run();
    // The run's thread has returned: once it has ended (looked for every 10 ms,
    // so the window never waits for it, unless the run has released the window),
    // ends the window if the run asked for it.
    void FinishRun();
    // True while a run owns the window; a run that has released it is finished first.
    bool RunOwnsWindow();
    bool OnOwnThread() const noexcept;  // called on the window's thread
    void CallOnWindowThread(void (*call)(void* context), void* context);
    // The window's side of a call from another thread: runs the pending call, if
    // one waits and has not been taken yet.
    void RunPendingCall() noexcept;
    // Mouse and keyboard messages for the window and its controls, while a run
    // works, or at any time in a setup that takes no input (/S, /PASSIVE).
    bool IsInputHeldOff(const MSG& message);
    // A silent or passive setup's start, once the window runs: as SETUP, unless
    // loading the window met a message (the setup has then failed).
    void StartUnattended();
    void ShowLicense();
    void BrowseForFolder();
    void PaintIconic();
    LRESULT EditColor(HDC dc, HWND control);

    std::vector<std::string> createdFolders;
    install::InstallDocument document;
    imaging::DibImage fontImage;
    imaging::DibImage digitsImage;
    imaging::DibImage unitsImage;
    imaging::BitmapFont painter;
    storage::Storage storage;
    imaging::MaskedButton browseButton;
    imaging::MaskedButton setupButton;
    imaging::MaskedButton licenseButton;
    imaging::MaskedButton cancelButton;
    std::string destinationPath;
    HICON appIcon = nullptr;
    SetupOptions options;
    install::InstallScope scope = install::InstallScope::Machine;
    bool offersScopeChoice = false;
    ScopeChoice scopeChoice;
    int elevatedExitCode = 0;
    SetupReport& report;
    framework::BrushHandle editBrush;  // one brush for the window's whole life
    imaging::WindowGeometry geometry;  // at the window's scale
    int dialogFontDpi = 0;             // the DPI the template's font was made for
    framework::FontHandle pathFont;    // the path field's, when made for another DPI
    // A call another thread hands the window: the message that asks the window to
    // run it names nothing, so a message posted from outside can run no code of
    // its choosing. callTurn lets one calling thread at a time use the slot, which
    // callGuard guards; callDone wakes the caller once its call has run.
    enum class CallState { None, Pending, Running, Done };
    struct PendingCall {
        void (*call)(void* context) = nullptr;
        void* context = nullptr;
        CallState state = CallState::None;
    };
    PendingCall pendingCall;
    SRWLOCK callTurn = SRWLOCK_INIT;
    SRWLOCK callGuard = SRWLOCK_INIT;
    CONDITION_VARIABLE callDone = CONDITION_VARIABLE_INIT;
    // Set when OnInitDialog posts the start of a silent or passive run, cleared by that start.
    bool unattendedStartPosted = false;
    std::optional<INT_PTR> endAfterRun;  // set by the run's thread, read once it has ended
    bool runReleasedWindow = false;      // only the run thread's return is left
    framework::WorkerThread runThread;   // last: the run ends before anything it uses goes
};

}  // namespace app
