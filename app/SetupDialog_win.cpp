#include "app/SetupDialog_win.h"

#include <array>

#include "app/ElevatedRun_win.h"
#include "app/FolderBrowser_win.h"
#include "app/InstallationRun_win.h"
#include "app/LicenseDialog_win.h"
#include "framework/UserMessages.h"
#include "framework/WindowDpi_win.h"
#include "imaging/ScaledArtLoad.h"
#include "install/ProgramFiles_win.h"
#include "install/UninstallRecord.h"
#include "resources/resource_ids.h"

namespace app {

namespace {

constexpr char kWindowTitle[] = "Tolvik Setup";
constexpr char kEmptyPassword[] = "";
// Where the window's top-left corner first stands on the screen, in pixels.
constexpr POINT kWindowPlace = {100, 100};
// Messages of the window to itself: a call waits in the window's pending-call
// slot, the run's thread has ended, a silent or passive run may start. Any process
// on the desktop can post these too, so each only asks the window to look at its
// own state, carries nothing (wParam and lParam are 0) and does nothing when the
// state does not call for it.
constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT kRunEndedMessage = WM_APP + 2;
constexpr UINT kStartUnattendedMessage = WM_APP + 3;

}  // namespace

SetupDialog::SetupDialog(const SetupOptions& options, SetupReport& report, HWND parent)
    : framework::Dialog(IDD_SETUP_DIALOG, parent), options(options), report(report) {
    appIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP_ICON));
    if (options.mode == SetupMode::Silent) KeepHidden();
}

SetupDialog::~SetupDialog() = default;

void SetupDialog::DoDataExchange(bool save) {
    // Binding happens on the first exchange; later exchanges only move the text.
    if (!setupButton.Handle()) {
        browseButton.Attach(Item(IDC_BROWSE_BUTTON));
        setupButton.Attach(Item(IDC_SETUP_BUTTON));
        licenseButton.Attach(Item(IDC_LICENSE_BUTTON));
        cancelButton.Attach(Item(IDCANCEL));
    }
    ExchangeText(save, IDC_PATH_EDIT, destinationPath);
}

BOOL SetupDialog::OnInitDialog() {
    framework::SetMainWindow(Handle());
    // The dialog class's own style, so it holds for every dialog opened afterwards.
    SetClassLongPtrA(Handle(), GCL_STYLE, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
    SetWindowTextA(Handle(), kWindowTitle);
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
    if (!storage.Open(IDR_SETUP_STORAGE)) framework::FatalExit("Error opening Main Storage...Aborting...");
    // The template's font was made for the DPI the window starts at.
    dialogFontDpi = framework::WindowDpi(Handle());
    DrawAtDpi(dialogFontDpi, kWindowPlace);
    if (offersScopeChoice) scopeChoice.Create(Handle(), Item(IDC_PATH_EDIT), painter, storage, scope, geometry);

    CounterDisplay counter(painter);
    document.Load(storage, counter);
    // A destination from the command line is shown as if typed: the run checks it
    // the same way.
    const std::string offered = OfferedDestination();
    if (options.destination || !offered.empty()) {
        destinationPath = options.destination.value_or(offered);
        UpdateData(false);
    }
    ShowIdleStatus();
    if (options.mode == SetupMode::Interactive) return TRUE;
    unattendedStartPosted = PostMessageA(Handle(), kStartUnattendedMessage, 0, 0) != FALSE;
    // A window that never shows takes no focus (nor the activation that comes with it).
    return options.mode == SetupMode::Passive;
}

std::string SetupDialog::DefaultDestination() const {
    if (scope == install::InstallScope::Machine) return document.defaultDestination;
    // Never Program Files for one user: with no folder of the user's known, the field stays empty.
    const std::string userPrograms = install::UserProgramFilesFolder();
    if (userPrograms.empty()) return {};
    return install::InstallDocument::DefaultDestinationFor(document.installPathType, userPrograms,
                                                           document.defaultFolder);
}

std::string SetupDialog::OfferedDestination() const {
    const std::string installed = install::UninstallRecord(document.registryRecord, scope).InstalledFolder();
    return installed.empty() ? DefaultDestination() : installed;
}

void SetupDialog::ToggleScope() {
    UpdateData(true);
    const bool offered = destinationPath == OfferedDestination();
    scope = scope == install::InstallScope::User ? install::InstallScope::Machine : install::InstallScope::User;
    scopeChoice.Show(scope);
    if (!offered) return;
    destinationPath = OfferedDestination();
    UpdateData(false);
}

// Everything of the window that depends on its scale, made for dpi: the
// window's size (its corner at place), its outline, the skin's art, the buttons
// and the path field with its font.
void SetupDialog::DrawAtDpi(int dpi, POINT place) {
    geometry = imaging::WindowGeometryAt(imaging::ScaleForDpi(dpi));
    PlaceWindow(place);
    ShapeWindow();
    LoadWindowSkin();
    SkinButtons();
    PlacePathField(dpi);
}

// Another monitor's scale: the window is made again for it with its corner at
// place, and shown only once it is whole, so no frame shows the old picture at
// the new size or the new one cut to the old outline.
void SetupDialog::FollowDpi(int dpi, POINT place) {
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    DrawAtDpi(dpi, place);
    if (scopeChoice.Exists()) scopeChoice.Place(storage, geometry);
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Where WM_DPICHANGED puts the window's corner: where the system suggests, on
// a monitor. The system sends the message on the window's own thread with the
// address of its rectangle; one sent from another thread or process, or posted
// by one (and dispatched by a loop not the window's own, such as a message
// box's), carries no address of ours, and the corner stays where it is. The
// rectangle is copied with ReadProcessMemory, which fails where a plain read
// would fault.
POINT SetupDialog::DpiChangePlace(LPARAM lParam) const {
    RECT suggested{};
    SIZE_T copied = 0;
    if (lParam && InSendMessageEx(nullptr) == ISMEX_NOSEND &&
        ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &suggested, sizeof suggested,
                          &copied) &&
        copied == sizeof suggested && MonitorFromRect(&suggested, MONITOR_DEFAULTTONULL)) {
        return POINT{suggested.left, suggested.top};
    }
    RECT window{};
    GetWindowRect(Handle(), &window);
    return POINT{window.left, window.top};
}

// The client area is exactly the scaled 450 x 207 pixels, whatever the dialog
// font made of the template's dialog units.
void SetupDialog::PlaceWindow(POINT place) {
    RECT client{};
    RECT window{};
    GetClientRect(Handle(), &client);
    GetWindowRect(Handle(), &window);
    const int frameWidth = (window.right - window.left) - (client.right - client.left);
    const int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
    MoveWindow(Handle(), place.x, place.y, geometry.clientWidth + frameWidth, geometry.clientHeight + frameHeight,
               TRUE);
}

// The outline (imaging::kOutlinePieces) at the window's scale.
void SetupDialog::ShapeWindow() {
    framework::RegionHandle shape(CreateRectRgn(0, 0, 10, 10));
    if (!shape) return;
    for (const imaging::Rect& piece : geometry.outlinePieces) {
        framework::RegionHandle part(CreateRectRgn(piece.left, piece.top, piece.right, piece.bottom));
        if (part) CombineRgn(shape, shape, part, RGN_OR);
    }
    POINT triangle[3]{};
    for (std::size_t i = 0; i < geometry.outlineTip.size(); ++i)
        triangle[i] = POINT{geometry.outlineTip[i].x, geometry.outlineTip[i].y};
    framework::RegionHandle tip(CreatePolygonRgn(triangle, 3, WINDING));
    if (tip) CombineRgn(shape, shape, tip, RGN_OR);
    // Once set, the region belongs to the system.
    if (SetWindowRgn(Handle(), shape.Get(), TRUE)) shape.Detach();
}

void SetupDialog::LoadWindowSkin() {
    // A missing picture is not reported: the painter draws what it has.
    const int percent = geometry.percent;
    imaging::LoadCellPictureAt(storage, "Digits", percent, digitsImage);
    imaging::LoadCellPictureAt(storage, "Font", percent, fontImage);
    imaging::LoadCellPictureAt(storage, imaging::kUnitsNode, percent, unitsImage);  // optional
    painter.SetOwner(Handle());
    painter.SetImages(&fontImage, &digitsImage, &unitsImage);
    painter.SetGeometry(geometry);
    painter.CreateBuffers(false);
    painter.LoadBackground(storage, imaging::kMainBackgroundName, percent);
}

// The buttons in the order of imaging::kMainButtons.
static_assert(imaging::kMainButtons[0].controlId == IDCANCEL &&
              imaging::kMainButtons[1].controlId == IDC_BROWSE_BUTTON &&
              imaging::kMainButtons[2].controlId == IDC_LICENSE_BUTTON &&
              imaging::kMainButtons[3].controlId == IDC_SETUP_BUTTON);

void SetupDialog::SkinButtons() {
    const std::array<imaging::MaskedButton*, 4> buttons{&cancelButton, &browseButton, &licenseButton, &setupButton};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const imaging::ButtonPlacement& place = geometry.buttons[i];
        buttons[i]->LoadSkin(painter, storage, imaging::kMainButtonKind, geometry.percent);
        buttons[i]->MoveTo(place.x, place.y);
    }
}

// The field at its scaled place, in the template's font made for dpi: the font
// the system made stays as long as the window is at the DPI it was made for.
void SetupDialog::PlacePathField(int dpi) {
    const HWND field = Item(IDC_PATH_EDIT);
    const imaging::Rect& place = geometry.pathField;
    MoveWindow(field, place.left, place.top, place.Width(), place.Height(), TRUE);
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
    framework::FontHandle font;
    if (dpi != dialogFontDpi) font.Attach(framework::FontForDpi(dialogFont, dialogFontDpi, dpi));
    SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font.Get() : dialogFont), FALSE);
    pathFont = std::move(font);  // the field's previous font goes once it has the new one
}

void SetupDialog::ShowIdleStatus() {
    OnWindowThread([this] {
        painter.SetTickerText(document.productName);
        SetTimer(Handle(), kTickerTimer, kTickerPeriod, nullptr);
    });
}

void SetupDialog::ShowStatus(std::string_view text) {
    report.Log().Stage(text);
    OnWindowThread([this, text] {
        painter.SetTickerText(text);
        painter.DrawTicker(nullptr, 0);
    });
}

void SetupDialog::StopTicker() noexcept {
    OnWindowThread([this] { KillTimer(Handle(), kTickerTimer); });
}

bool SetupDialog::OnOwnThread() const noexcept {
    return GetWindowThreadProcessId(Handle(), nullptr) == GetCurrentThreadId();
}

void SetupDialog::EndDialog(INT_PTR result) noexcept {
    if (OnOwnThread()) {
        framework::Dialog::EndDialog(result);
    } else {
        endAfterRun = result;
    }
}

void SetupDialog::CallOnWindowThread(void (*call)(void* context), void* context) {
    if (OnOwnThread()) {
        call(context);
        return;
    }
    AcquireSRWLockExclusive(&callTurn);
    AcquireSRWLockExclusive(&callGuard);
    pendingCall = PendingCall{call, context, CallState::Pending};
    ReleaseSRWLockExclusive(&callGuard);
    SendMessageA(Handle(), kCallMessage, 0, 0);
    // A kCallMessage posted from outside may have started the call before ours
    // arrived, and ours may then have found the slot taken: wait until the call
    // has run. One still pending was never taken (the window is gone): withdrawn.
    AcquireSRWLockExclusive(&callGuard);
    while (pendingCall.state == CallState::Running) SleepConditionVariableSRW(&callDone, &callGuard, INFINITE, 0);
    pendingCall = PendingCall{};
    ReleaseSRWLockExclusive(&callGuard);
    ReleaseSRWLockExclusive(&callTurn);
}

void SetupDialog::RunPendingCall() noexcept {
    AcquireSRWLockExclusive(&callGuard);
    if (pendingCall.state != CallState::Pending) {
        ReleaseSRWLockExclusive(&callGuard);
        return;
    }
    pendingCall.state = CallState::Running;
    const PendingCall taken = pendingCall;
    ReleaseSRWLockExclusive(&callGuard);
    taken.call(taken.context);
    AcquireSRWLockExclusive(&callGuard);
    pendingCall.state = CallState::Done;
    ReleaseSRWLockExclusive(&callGuard);
    WakeAllConditionVariable(&callDone);
}

bool SetupDialog::OnCommand(int id, int notifyCode, HWND control) {
    // While a run works nothing may start or close: SETUP, Enter, License, Browse,
    // Cancel, Esc and closing the window all wait for its end (and are dropped).
    if (RunOwnsWindow()) return true;
    // The buttons are owner-drawn, so the second click of a double click sends
    // BN_DBLCLK: only BN_CLICKED runs a command (Enter and Esc send it too), but
    // for the scope toggle, which every click turns, as a check box.
    if (id == IDC_SCOPE_BUTTON && (notifyCode == BN_CLICKED || notifyCode == BN_DBLCLK)) {
        if (scopeChoice.Exists()) ToggleScope();
        return true;
    }
    if (notifyCode != BN_CLICKED) return false;
    switch (id) {
        case IDC_SETUP_BUTTON:
            RunInstallation();
            return true;
        case IDC_LICENSE_BUTTON:
            ShowLicense();
            return true;
        case IDC_BROWSE_BUTTON:
            BrowseForFolder();
            return true;
        default:
            return framework::Dialog::OnCommand(id, notifyCode, control);
    }
}

// Enter (the dialog's default command) installs exactly as SETUP does.
void SetupDialog::OnOK() { RunInstallation(); }

void SetupDialog::RunInstallation() {
    endAfterRun.reset();
    // Without a thread the run works as it always could, on this one.
    if (!runThread.Start(RunThread, this)) Run();
}

void SetupDialog::Run() {
    if (scopeChoice.Exists() && scope == install::InstallScope::Machine) {
        ElevatedRun(*this).Run();
    } else {
        InstallationRun(*this).Run();
    }
}

void SetupDialog::StartUnattended() {
    if (report.Failed()) {
        EndDialog(kEndFailed);
    } else {
        RunInstallation();
    }
}

unsigned __stdcall SetupDialog::RunThread(void* window) {
    auto* self = static_cast<SetupDialog*>(window);
    self->Run();
    PostMessageA(self->Handle(), kRunEndedMessage, 0, 0);
    return 0;
}

void SetupDialog::FinishRun() {
    if (!runThread.Owned()) return;  // a tick queued before the end was seen
    if (!runThread.Ended() && !runReleasedWindow) {
        SetTimer(Handle(), kRunEndTimer, kRunEndPeriod, nullptr);
        return;
    }
    KillTimer(Handle(), kRunEndTimer);
    runThread.Join();
    runReleasedWindow = false;
    if (endAfterRun) framework::Dialog::EndDialog(*endAfterRun);
}

bool SetupDialog::RunOwnsWindow() {
    if (runReleasedWindow) FinishRun();
    return runThread.Owned();
}

void SetupDialog::ShowLicense() {
    LicenseDialog dialog;
    storage.GetString("License", dialog.licenseText, kEmptyPassword);  // missing: an empty dialog
    dialog.DoModal();
}

void SetupDialog::BrowseForFolder() {
    constexpr UINT kChooserFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT;
    framework::ComScope com;
    InstallPathBrowser browser(Handle(), IDS_SELECT_INSTALL_PATH);
    UpdateData(true);
    browser.SetInitialPath(destinationPath);
    browser.SetFlags(kChooserFlags);
    if (browser.Browse()) {
        destinationPath = browser.GetFolderPath();
        if (destinationPath.empty() || destinationPath.back() != '\\') destinationPath += '\\';
        destinationPath += document.defaultFolder;
        UpdateData(false);
    }
}

bool SetupDialog::IsInputHeldOff(const MSG& message) {
    if (!RunOwnsWindow() && options.mode == SetupMode::Interactive) return false;
    const UINT m = message.message;
    if ((m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST)) return true;
    // The window itself may still be dragged by its body.
    return m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK && message.hwnd != Handle();
}

bool SetupDialog::PreTranslateMessage(MSG& message) {
    if (IsInputHeldOff(message) || scopeChoice.TakeTab(message)) return true;
    // The system sends WM_DPICHANGED; one in the queue was posted by some process.
    if (message.message == WM_DPICHANGED) return true;
    // Keys reach only the path field; Esc and Enter still close or install, and
    // Space presses the scope choice's toggle.
    if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP) && message.hwnd != Item(IDC_PATH_EDIT) &&
        message.wParam != VK_ESCAPE && message.wParam != VK_RETURN && !scopeChoice.TakesSpace(message)) {
        return true;
    }
    return false;
}

void SetupDialog::PaintIconic() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(Handle(), &paint);
}

LRESULT SetupDialog::EditColor(HDC dc, HWND control) {
    if (control != Item(IDC_PATH_EDIT)) return 0;
    if (!editBrush) editBrush.Attach(CreateSolidBrush(kEditColor));
    SetBkColor(dc, kEditColor);
    return reinterpret_cast<LRESULT>(editBrush.Get());
}

std::optional<LRESULT> SetupDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            painter.PaintBackground(reinterpret_cast<HDC>(wParam), geometry.clientWidth, geometry.clientHeight, true);
            return 1;
        case WM_PAINT:
            if (IsIconic(Handle())) {
                PaintIconic();
                return 0;
            }
            return std::nullopt;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(appIcon);
        case WM_NCHITTEST:
            return HTCAPTION;  // a press anywhere on the body drags the window
        case kCallMessage:
            if (wParam == 0 && lParam == 0) RunPendingCall();
            return 0;
        case kRunEndedMessage:
            FinishRun();  // looks at the run's thread itself: nothing without a run
            return 0;
        case kStartUnattendedMessage:
            // Only the one start OnInitDialog posted in a silent or passive setup.
            if (unattendedStartPosted && wParam == 0 && lParam == 0) {
                unattendedStartPosted = false;
                StartUnattended();
            }
            return 0;
        case WM_TIMER:
            if (wParam == kRunEndTimer) FinishRun();
            // A tick still queued when the run stopped the ticker moves nothing.
            if (wParam == kTickerTimer && !runThread.Owned())
                painter.DrawTicker(nullptr, static_cast<long long>(painter.GetTickerOffset()) + geometry.ticker.step);
            return std::nullopt;
        case WM_CTLCOLOREDIT:
            if (LRESULT brush = EditColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) return brush;
            return std::nullopt;
        case WM_DPICHANGED:
            FollowDpi(LOWORD(wParam), DpiChangePlace(lParam));
            return 0;
        case WM_HELP:
            return TRUE;  // help has no visible effect
        default:
            return std::nullopt;
    }
}

}  // namespace app
