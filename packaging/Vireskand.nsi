; The installer: per user, no administrator rights. makensis gets VERSION,
; STAGE (the staged files), OUTFILE, ICON and ART (the pictures) from the build.
; A 64-bit installer for a 64-bit program (and Wine without its 32-bit half).
Target amd64-unicode
!include "MUI2.nsh"

!define PRODUCT "Vireskand"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define FOLDER_VERB "Software\Classes\Directory\shell\${PRODUCT}"
!define FILE_VERB "Software\Classes\*\shell\${PRODUCT}"
!define DRIVE_VERB "Software\Classes\Drive\shell\${PRODUCT}"
; The database the editor changes, the quarantine and the reports.
!define DATA_DIR "$LOCALAPPDATA\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ${PRODUCT}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "${PRODUCT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}/welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${ART}/welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ART}/header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${ART}/header.bmp"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "${STAGE}/Vireskand.exe"
  File "${STAGE}/vireskand-scan.exe"
  File "${STAGE}/VirusBase.vbf"
  File "${STAGE}/README.txt"
  SetOutPath "$INSTDIR\LICENSES"
  File "${STAGE}/LICENSES/Vampire95-OFL.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The shortcut starts the program in the data folder, where it finds its
  ; database and keeps the quarantine and reports.
  CreateDirectory "${DATA_DIR}"
  SetOutPath "${DATA_DIR}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Vireskand.exe"

  ; The file manager starts these in or beside what was clicked: /shell
  ; makes the program take its database, quarantine and reports from the
  ; data folder only. A drive's root ends in a backslash, which would
  ; escape a closing quote, and has no blank: it goes unquoted.
  WriteRegStr HKCU "${FOLDER_VERB}" "" "Проверить в ${PRODUCT}"
  WriteRegStr HKCU "${FOLDER_VERB}" "Icon" "$INSTDIR\Vireskand.exe"
  WriteRegStr HKCU "${FOLDER_VERB}\command" "" '"$INSTDIR\Vireskand.exe" /shell "%1"'
  WriteRegStr HKCU "${FILE_VERB}" "" "Проверить в ${PRODUCT}"
  WriteRegStr HKCU "${FILE_VERB}" "Icon" "$INSTDIR\Vireskand.exe"
  WriteRegStr HKCU "${FILE_VERB}\command" "" '"$INSTDIR\Vireskand.exe" /shell "%1"'
  WriteRegStr HKCU "${DRIVE_VERB}" "" "Проверить в ${PRODUCT}"
  WriteRegStr HKCU "${DRIVE_VERB}" "Icon" "$INSTDIR\Vireskand.exe"
  WriteRegStr HKCU "${DRIVE_VERB}\command" "" '"$INSTDIR\Vireskand.exe" /shell %1'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vireskand.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function RunProgram
  SetOutPath "${DATA_DIR}"
  Exec '"$INSTDIR\Vireskand.exe"'
FunctionEnd

Section "-un.${PRODUCT}"
  Delete "$INSTDIR\Vireskand.exe"
  Delete "$INSTDIR\vireskand-scan.exe"
  Delete "$INSTDIR\VirusBase.vbf"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSES\Vampire95-OFL.txt"
  RMDir "$INSTDIR\LICENSES"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${FOLDER_VERB}"
  DeleteRegKey HKCU "${FILE_VERB}"
  DeleteRegKey HKCU "${DRIVE_VERB}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off unless ticked: the user's database changes, quarantine and reports,
; and the settings, which the program keeps in the Windows folder where it
; may write there.
Section /o "un.Мои данные: база, карантин, отчёты и настройки"
  RMDir /r "${DATA_DIR}"
  Delete "$WINDIR\${PRODUCT}.INI"
SectionEnd
