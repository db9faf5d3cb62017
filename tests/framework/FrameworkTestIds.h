#pragma once
// Resources of the framework tests under Wine.
#define IDD_TEST_DIALOG 300
#define IDC_TEST_BUTTON 1001
