/* Resource and control ids shared by the .rc files and the program. */
#pragma once

#define IDD_SETUP_DIALOG 102
#define IDD_LICENSE_DIALOG 130
#define IDI_SETUP_ICON 128
#define IDS_SELECT_INSTALL_PATH 1
#define IDR_SETUP_STORAGE 129

#define IDC_SETUP_BUTTON 1000
#define IDC_LICENSE_BUTTON 1001
#define IDC_BROWSE_BUTTON 1004
#define IDC_PATH_EDIT 1005
#define IDC_LICENSE_TEXT 1008
#define IDC_SCOPE_BUTTON 1009
