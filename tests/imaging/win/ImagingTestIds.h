#pragma once
// Resources of the imaging tests under Wine.
#define IDD_SKINNED_WINDOW 200
#define IDC_SETUP 1000
#define IDC_LICENSE 1001
#define IDC_BROWSE 1004
#define IDC_HIDDEN 1010
#define IDR_TEST_STORAGE 129
