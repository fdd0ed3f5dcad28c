// Resource ids of Vireskand.exe. Plain #defines only: windres reads this
// file as well as the compilers. Numbers are fixed; every .rc entry uses a
// name from here.
#pragma once

// Dialog templates
#define IDD_MAIN_DIALOG 102
#define IDD_ABOUTBOX 133
#define IDD_HELP_DIALOG 142
#define IDD_SETTINGS_DIALOG 144
#define IDD_SUMMARY_DIALOG 146
#define IDD_DATABASE_DIALOG 165
#define IDD_SPLASH_DIALOG 167
#define IDD_QUARANTINE_DIALOG 200

// Main icon: window, taskbar, tray
#define IDR_MAINFRAME 128

// Menus and the accelerator table
#define IDR_RESULTS_MENU 140
#define IDR_MAIN_ACCEL 143
#define IDR_TRAY_MENU 145
// A row that names no virus; the list's free space
#define IDR_ROW_MENU 147
#define IDR_LIST_MENU 148

// Wave resources, type "WAVE" (found with FindResource(id, L"wave"))
#define IDR_WAVE_CLICK 130
#define IDR_WAVE_VIRUS_FOUND 176
#define IDR_WAVE_CURED 177
#define IDR_WAVE_DELETED 178
#define IDR_WAVE_FAILED 179
#define IDR_WAVE_SCAN_ENDED 180
#define IDR_WAVE_MOVED 181
#define IDR_WAVE_RENAMED 182
#define IDR_WAVE_OPENED 185
#define IDR_WAVE_CLOSING 186

// AVI clips, type "AVI" (ACM_OPEN with MAKEINTRESOURCE(id))
#define IDR_AVI_CLEAN 137
#define IDR_AVI_HELP_OK 138
#define IDR_AVI_INFECTED 140

// Icons. _HOT is the hovered or pressed face, the plain name the normal one.
// Main window, 64 x 64
#define IDI_SCAN 147
#define IDI_SCAN_HOT 148
#define IDI_SETTINGS 149
#define IDI_SETTINGS_HOT 150
#define IDI_HELP 151
#define IDI_HELP_HOT 152
#define IDI_ABOUT 153
#define IDI_ABOUT_HOT 154
#define IDI_STOP 160
#define IDI_STOP_HOT 161
#define IDI_SETTINGS_DISABLED 162
#define IDI_EXIT 163
#define IDI_EXIT_HOT 164
#define IDI_DATABASE 189
#define IDI_DATABASE_HOT 190
#define IDI_DATABASE_DISABLED 191
// Main window, 32 x 32
#define IDI_EXIT_SMALL 156
#define IDI_EXIT_SMALL_HOT 157
#define IDI_MINIMIZE 158
#define IDI_MINIMIZE_HOT 159
// Settings and database dialogs, 48 x 48
#define IDI_CANCEL 169
#define IDI_CANCEL_HOT 170
#define IDI_OK 171
#define IDI_OK_HOT 172
#define IDI_ADD_RECORD_HOT 192
#define IDI_ADD_RECORD 193
// Quarantine dialog, 48 x 48
#define IDI_RESTORE 194
#define IDI_RESTORE_HOT 195
#define IDI_PURGE 196
#define IDI_PURGE_HOT 197

// Bitmaps
#define IDB_BACKGROUND 129
#define IDB_ICON_FRAMES 136
#define IDB_SPLASH 168
// Stored upside down; also kept whole (with its file header) as RCDATA of
// the same id, which is what OleLoadPicture needs.
#define IDB_ABOUT 173
#define IDB_HEADER 175

// Controls. The tooltip string of a control has the control's id.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
// Main window
#define IDC_HELP_BUTTON 9
#define IDC_MINIMIZE 1000
#define IDC_SCAN 1002
#define IDC_SETTINGS 1004
#define IDC_ABOUT 1005
#define IDC_EXIT 1006
#define IDC_RESULTS 1007
#define IDC_EXIT_SMALL 1008
#define IDC_DATABASE 1009
#define IDC_PROGRESS 1011
#define IDC_STATUS 1026
// Settings dialog
#define IDC_PRIORITY_LOWEST 1012
#define IDC_PRIORITY_LOW 1013
#define IDC_PRIORITY_NORMAL 1014
#define IDC_PRIORITY_HIGH 1015
#define IDC_PRIORITY_HIGHEST 1016
#define IDC_MINIMIZED_IN_TRAY 1017
#define IDC_TEXT_IN_BUTTON 1018
#define IDC_SOUND 1019
#define IDC_EMERGING_HELP 1020
#define IDC_FILE_OK 1021
#define IDC_REPORT 1022
#define IDC_REPORT_TO_FILE 1023
#define IDC_REPORT_FILE_NAME 1024
#define IDC_FILE_MASK 1027
#define IDC_SUB_DIR 1033
#define IDC_REPORT_OVERWRITE 1034
#define IDC_REPORT_APPEND 1035
// Scan summary
#define IDC_ANIMATION 1031
#define IDC_FILES_CHECKED 1039
#define IDC_VIRUSES_FOUND 1040
#define IDC_SCAN_TIME 1041
// Database editor (its Exit button is IDC_EXIT)
#define IDC_VIRUS_NAME 1043
#define IDC_SIGNATURE_LENGTH 1044
#define IDC_CURABLE 1045
#define IDC_SIGNATURE 1046
#define IDC_ADD_RECORD 1047
#define IDC_RECORD_COUNT 1048
// Quarantine dialog (its Close button is IDCANCEL)
#define IDC_QUARANTINE_PATH 1050
#define IDC_QUARANTINE_LIST 1051
#define IDC_QUARANTINE_COUNT 1052
#define IDC_RESTORE 1053
#define IDC_PURGE 1054

// Menu commands (the tray menu's About and Exit send IDC_ABOUT, IDC_EXIT)
#define ID_TRAY_RESTORE 32771
#define ID_CURE_OR_DELETE 32773
#define ID_CURE_OR_RENAME 32774
#define ID_CURE_OR_MOVE 32775
#define ID_DELETE_INFECTED 32776
#define ID_RENAME_INFECTED 32777
#define ID_MOVE_TO_QUARANTINE 32778
// Results list and tray menus
#define ID_OPEN_FOLDER 32779
#define ID_COPY_PATH 32780
#define ID_QUARANTINE 32781
