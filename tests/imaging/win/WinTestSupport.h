#pragma once
// Shared by the imaging tests under Wine: the skinned test window, message
// pumping, and reading pixels back from device contexts.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ImagingTestIds.h"
#include "imaging/BitmapFont_win.h"
#include "imaging/DibImage.h"
#include "imaging/PixelView.h"
#include "storage/Storage.h"

namespace imaging::test {

// Dispatches every queued message, for at least `milliseconds`.
void PumpMessages(DWORD milliseconds = 0);

// Pixels read back from a device context: blue, green, red, rows from the top.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgr;
    const std::uint8_t* At(int x, int y) const { return bgr.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    bool Same(int x, int y, const std::uint8_t* bgrPixel) const {
        const std::uint8_t* p = At(x, y);
        return p[0] == bgrPixel[0] && p[1] == bgrPixel[1] && p[2] == bgrPixel[2];
    }
};
// "" when a and b hold the same pixels, else where and how they first differ.
std::string Difference(const Capture& a, const Capture& b);
Capture CaptureDc(HDC dc, int x, int y, int width, int height);
Capture CaptureView(const PixelView& view, int x, int y, int width, int height);

// A memory device context with a 24-bit top-down section selected, to paint into.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    HDC Dc() const { return dc_; }
    Capture Read(int x, int y, int width, int height) const { return CaptureDc(dc_, x, y, width, height); }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// The embedded test container.
bool OpenTestStorage(storage::Storage& storage);

// The skinned window from template IDD_SKINNED_WINDOW, client area 450 x 207 at
// screen (100, 100); it answers WM_ERASEBKGND with the painter and records every
// command its controls send, with the notification code.
class SkinnedWindow {
public:
    SkinnedWindow();
    ~SkinnedWindow();
    SkinnedWindow(const SkinnedWindow&) = delete;
    SkinnedWindow& operator=(const SkinnedWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    BitmapFont painter;
    struct Command {
        int id;
        int code;  // BN_CLICKED, BN_DBLCLK, ...
        bool operator==(const Command&) const = default;
    };
    std::vector<Command> commands;  // in order
    std::vector<int> Clicks() const;  // the ids of the BN_CLICKED commands

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

// Screen point of a client point of window.
POINT ToScreen(HWND window, int x, int y);

}  // namespace imaging::test
