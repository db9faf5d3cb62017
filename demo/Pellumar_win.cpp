// Pellumar: the demonstration product that the sample setup installs. One window
// that says what the program is and how it got here; it reads no files, writes
// nothing and keeps no settings. Close, Enter or Esc ends it.
#include <windows.h>

#include <utility>

#include "PellumarIds.h"

namespace {

constexpr char kClassName[] = "TolvikPellumarWindow";
constexpr char kTitle[] = "Tolvik Pellumar 1.0";
constexpr char kHeading[] = "Tolvik Pellumar 1.0";
constexpr char kBody[] =
    "This is the demonstration product of Tolvik Setup.\n\n"
    "The sample setup program installed it to show a complete installation: "
    "the program and its license text in the folder you chose, a program group "
    "in the Start menu, a shortcut on the desktop and an entry in the Windows "
    "list of installed programs, from which it can be removed again.\n\n"
    "Pellumar does nothing else.";

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 270;
constexpr int kMargin = 20;
constexpr int kCloseId = IDCANCEL;

constexpr COLORREF kPlate = RGB(58, 61, 47);
constexpr COLORREF kBand = RGB(30, 33, 24);
constexpr COLORREF kAmber = RGB(255, 178, 64);
constexpr COLORREF kInk = RGB(222, 224, 186);

// Owns one GDI object (font or brush) and deletes it at the end.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object = nullptr) noexcept : object_(object) {}
    ~GdiObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject& operator=(GdiObject&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    HGDIOBJ Get() const noexcept { return object_; }

private:
    HGDIOBJ object_;
};

struct WindowResources {
    GdiObject headingFont;
    GdiObject bodyFont;
    GdiObject plateBrush;
    GdiObject bandBrush;
};

WindowResources* resources = nullptr;

HFONT MakeFont(HWND window, int points, int weight) noexcept {
    HDC dc = GetDC(window);
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window, dc);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

void OnCreate(HWND window) noexcept {
    resources->headingFont = GdiObject(MakeFont(window, 16, FW_BOLD));
    resources->bodyFont = GdiObject(MakeFont(window, 9, FW_NORMAL));
    resources->plateBrush = GdiObject(CreateSolidBrush(kPlate));
    resources->bandBrush = GdiObject(CreateSolidBrush(kBand));

    HWND close = CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                 kClientWidth - kMargin - 88, kClientHeight - kMargin - 26, 88, 26, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCloseId)),
                                 GetModuleHandleA(nullptr), nullptr);
    SendMessageA(close, WM_SETFONT, reinterpret_cast<WPARAM>(resources->bodyFont.Get()), TRUE);
    SetFocus(close);
}

void OnPaint(HWND window) noexcept {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);

    RECT band = client;
    band.bottom = 56;
    FillRect(dc, &client, static_cast<HBRUSH>(resources->plateBrush.Get()));
    FillRect(dc, &band, static_cast<HBRUSH>(resources->bandBrush.Get()));
    SetBkMode(dc, TRANSPARENT);

    HGDIOBJ previous = SelectObject(dc, resources->headingFont.Get());
    SetTextColor(dc, kAmber);
    RECT heading{kMargin, 0, client.right - kMargin, band.bottom};
    DrawTextA(dc, kHeading, -1, &heading, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    SelectObject(dc, resources->bodyFont.Get());
    SetTextColor(dc, kInk);
    RECT body{kMargin, band.bottom + 14, client.right - kMargin, client.bottom - kMargin - 34};
    DrawTextA(dc, kBody, -1, &body, DT_WORDBREAK | DT_LEFT | DT_NOPREFIX);

    SelectObject(dc, previous);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole client area
    case WM_COMMAND:
        if (LOWORD(wParam) == kCloseId || LOWORD(wParam) == IDOK) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WindowResources owned;
    resources = &owned;

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PELLUMAR));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_PELLUMAR), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0) return 1;

    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, kClassName, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Lets Tab, Enter (the default button) and Esc (IDCANCEL) work as in a dialog.
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    resources = nullptr;
    return static_cast<int>(message.wParam);
}
