#pragma once
// The main setup window: a borderless modal dialog (template 102) cut to a fixed
// outline and painted entirely from the container's skin. It owns everything one
// run of the setup needs: the container reader, the skin pictures, the painter,
// the four skinned buttons, the path field, the install document and the
// destination path.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/SetupCommandLine.h"
#include "framework/Dialog_win.h"
#include "framework/Handles_win.h"
#include "imaging/BitmapFont_win.h"
#include "imaging/DibImage.h"
#include "imaging/MaskedButton_win.h"
#include "install/InstallDocument.h"
#include "install/NumberDisplay.h"
#include "storage/Storage.h"

namespace app {

class SetupDialog : public framework::Dialog {
public:
    static constexpr int kClientWidth = 450;
    static constexpr int kClientHeight = 207;
    static constexpr UINT_PTR kTickerTimer = 1;
    static constexpr UINT kTickerPeriod = 20;  // milliseconds
    static constexpr COLORREF kEditColor = RGB(179, 183, 139);

    explicit SetupDialog(const SetupOptions& options = {}, HWND parent = nullptr);
    ~SetupDialog() override;

    // The product name in the ticker, scrolling again.
    void ShowIdleStatus();

    // What the installation run uses.
    install::InstallDocument& Document() noexcept { return document; }
    storage::Storage& Container() noexcept { return storage; }
    imaging::BitmapFont& Painter() noexcept { return painter; }
    std::vector<std::string>& CreatedFolders() noexcept { return createdFolders; }
    const std::string& DestinationPath() const noexcept { return destinationPath; }
    // What the command line asks of the run (mode, destination, log file).
    const SetupOptions& Options() const noexcept { return options; }
    // Shows text in the ticker, standing still at its left edge.
    void ShowStatus(std::string_view text);
    void StopTicker() noexcept;

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

    void PlaceWindow();
    void ShapeWindow();
    void LoadWindowSkin();
    void SkinButtons();
    void RunInstallation();
    void ShowLicense();
    void BrowseForFolder();
    void PaintIconic();
    LRESULT EditColor(HDC dc, HWND control);

    std::vector<std::string> createdFolders;
    install::InstallDocument document;
    imaging::DibImage fontImage;
    imaging::DibImage digitsImage;
    imaging::BitmapFont painter;
    storage::Storage storage;
    imaging::MaskedButton browseButton;
    imaging::MaskedButton setupButton;
    imaging::MaskedButton licenseButton;
    imaging::MaskedButton cancelButton;
    std::string destinationPath;
    HICON appIcon = nullptr;
    SetupOptions options;
    framework::BrushHandle editBrush;  // one brush for the window's whole life
};

}  // namespace app
