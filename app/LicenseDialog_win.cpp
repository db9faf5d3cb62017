#include "app/LicenseDialog_win.h"

#include "framework/ContainerText.h"
#include "resources/resource_ids.h"

namespace app {

LicenseDialog::LicenseDialog(HWND parent) : framework::Dialog(IDD_LICENSE_DIALOG, parent) {}

BOOL LicenseDialog::OnInitDialog() {
    // The text goes into the edit as the container holds it, only taken from its
    // code page: no line-end conversion.
    shownText = framework::TextFromContainer(licenseText);
    UpdateData(false);
    return TRUE;
}

void LicenseDialog::DoDataExchange(bool save) { ExchangeText(save, IDC_LICENSE_TEXT, shownText); }

}  // namespace app
