#include "WinTestSupport.h"

#include <cstdio>

namespace imaging::test {

void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (milliseconds) Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

std::string Difference(const Capture& a, const Capture& b) {
    if (a.width != b.width || a.height != b.height) return "sizes differ";
    int count = 0;
    std::string first;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t *p = a.At(x, y), *q = b.At(x, y);
            if (p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) continue;
            if (count++ == 0) {
                char text[120];
                std::snprintf(text, sizeof text, "first at (%d, %d): %d,%d,%d vs %d,%d,%d", x, y, p[0], p[1], p[2], q[0],
                              q[1], q[2]);
                first = text;
            }
        }
    return count ? std::to_string(count) + " pixels differ, " + first : std::string();
}

Capture CaptureDc(HDC dc, int x, int y, int width, int height) {
    MemoryCanvas canvas(width, height);
    BitBlt(canvas.Dc(), 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    Capture capture{width, height, {}};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB};
    const int stride = ((width * 24 + 31) / 32) * 4;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height);
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(canvas.Dc(), OBJ_BITMAP));
    GetDIBits(canvas.Dc(), bitmap, 0, height, rows.data(), &info, DIB_RGB_COLORS);
    for (int r = 0; r < height; ++r)
        capture.bgr.insert(capture.bgr.end(), rows.begin() + r * stride, rows.begin() + r * stride + width * 3);
    return capture;
}

Capture CaptureView(const PixelView& view, int x, int y, int width, int height) {
    Capture capture{width, height, {}};
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* row = view.WindowRow(y + r) + x * view.bytesPerPixel;
        for (int c = 0; c < width; ++c, row += view.bytesPerPixel) capture.bgr.insert(capture.bgr.end(), row, row + 3);
    }
    return capture;
}

MemoryCanvas::MemoryCanvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
}

MemoryCanvas::~MemoryCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

bool OpenTestStorage(storage::Storage& storage) { return storage.Open(IDR_TEST_STORAGE); }

SkinnedWindow::SkinnedWindow() {
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKINNED_WINDOW), nullptr, Proc,
                                 reinterpret_cast<LPARAM>(this));
    // No frame, so window and client area coincide.
    SetWindowPos(window_, HWND_TOP, 100, 100, 450, 207, SWP_SHOWWINDOW);
    painter.SetOwner(window_);
    PumpMessages();
}

SkinnedWindow::~SkinnedWindow() {
    if (window_) DestroyWindow(window_);
    PumpMessages();
}

INT_PTR CALLBACK SkinnedWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<SkinnedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return FALSE;
    switch (message) {
        case WM_ERASEBKGND:
            self->painter.PaintBackground(reinterpret_cast<HDC>(wParam), 450, 207, true);
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_DRAWITEM: return TRUE;
        case WM_COMMAND:
            self->commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            return TRUE;
        default: return FALSE;
    }
}

std::vector<int> SkinnedWindow::Clicks() const {
    std::vector<int> ids;
    for (const Command& c : commands) {
        if (c.code == BN_CLICKED) ids.push_back(c.id);
    }
    return ids;
}

POINT ToScreen(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
}

}  // namespace imaging::test
