#pragma once
// Numbers of the resources other than texts: dialogs, controls, menu, accelerators, icons.
// Read by the resource compiler too, so plain #defines.

#define IDD_ABOUTBOX 100
#define IDD_VEMRA_DIALOG 102
#define IDD_OPTIONS 129

#define IDI_IMPORT 127
#define IDR_MAINFRAME 128
#define IDI_EXPORT 133
#define IDI_REMOVE_ALL 134
#define IDR_MAIN_MENU 131
#define IDR_MAIN_ACCELERATORS 136
#define IDB_ABOUT 143

// Main dialog
#define IDC_USER 1000
#define IDC_IMPORT 1001
#define IDC_EXPORT 1002
#define IDC_PROGRESS 1007
#define IDC_REMOVE_ALL 1013
#define IDC_COUNT 1014
#define IDC_RESULT 1060
#define ID_OPEN_ARCHIVE 1061
#define ID_NEW_ARCHIVE 1062
#define IDC_PALM_DESKTOP 1028

// Menu commands
#define ID_APP_ABOUT 1004
#define ID_HELP_CONTENTS 1026
#define ID_OPTIONS 1027
#define ID_QUIT 1033

// About box
#define IDC_LINK 1017
#define IDC_VERSION 1019

// Options dialog
#define IDC_FROM 1005
#define IDC_TO 1006
#define IDC_SEPARATOR 1008
#define IDC_NO_DUPLICATES 1009
#define IDC_DESKTOP_BUTTON 1015
#define IDC_IGNORE_ERRORS 1016
#define IDC_QUOTE 1021
#define IDC_EXPORT_NO_CR 1029
#define IDC_SIMPLE_FORMAT 1030
#define IDC_FULL_FORMAT 1031
#define IDC_SIMPLE_LIST 1034
#define IDC_REPEAT_LIST 1035
#define IDC_EXCEPTION_SEPARATOR 1038
#define IDC_RESTORE_DEFAULT 1040
#define IDC_DEFAULT_LENGTH 1041

// The help file's context of a control: its ID above this base.
#define HELP_CONTEXT_BASE 0x50000
