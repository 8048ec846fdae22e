; The Vantorel setup program: installs vantorel.scr and its VantorelData folder into the 64-bit
; system folder, where the screen-saver settings list savers, optionally makes it the current
; user's saver, and registers an uninstaller under "Programs and Features".
;
; makensis -DBUILD_DIR=<the Windows build> -DOUT_FILE=<setup.exe> -DICON_FILE=<icon.ico>
;          -DVERSION=1.1.0 vantorel.nsi
; Both the setup program and its uninstaller run silently with /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Vantorel"
!define PUBLISHER "Vantorel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorel"
!define DESKTOP_KEY "Control Panel\Desktop"
!define INSTALL_HOME "$PROGRAMFILES64\Vantorel"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$SYSDIR"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} screen saver setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}.0"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_COMPONENTSPAGE_NODESC
; The finish page offers the screen-saver settings with Vantorel selected, as the Install
; command of a .scr file's menu does.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSaverSettings

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The data folder's files, named once for installing and for removing.
!macro DATA_FILES DO
  !insertmacro ${DO} "mirso0.jpg"
  !insertmacro ${DO} "mirso1.jpg"
  !insertmacro ${DO} "mirso2.jpg"
  !insertmacro ${DO} "mirso3.jpg"
  !insertmacro ${DO} "mirso4.jpg"
  !insertmacro ${DO} "mirso5.jpg"
  !insertmacro ${DO} "Hito0.bmp"
  !insertmacro ${DO} "Hito1.bmp"
  !insertmacro ${DO} "Hito2.bmp"
  !insertmacro ${DO} "Hito3.bmp"
  !insertmacro ${DO} "Hito4.bmp"
!macroend
!macro INSTALL_DATA_FILE NAME
  File "${BUILD_DIR}\VantorelData\${NAME}"
!macroend
!macro REMOVE_DATA_FILE NAME
  Delete "$SYSDIR\VantorelData\${NAME}"
!macroend

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "-Vantorel screen saver" SecProgram
  SetOutPath "$SYSDIR"
  File "${BUILD_DIR}\vantorel.scr"
  SetOutPath "$SYSDIR\VantorelData"
  !insertmacro DATA_FILES INSTALL_DATA_FILE
  SetOutPath "${INSTALL_HOME}"
  WriteUninstaller "${INSTALL_HOME}\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\vantorel.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$SYSDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${INSTALL_HOME}\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${INSTALL_HOME}\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$SYSDIR\VantorelData" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=vantorel.scr /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Make Vantorel my screen saver" SecCurrentSaver
  ; Remember what the user had, so that removing Vantorel gives it back.
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
  ${IfNot} ${Errors}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaveActive" $0
  ${EndIf}
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaver" $0
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\vantorel.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

Function OpenSaverSettings
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $SYSDIR\vantorel.scr'
FunctionEnd

Section "Uninstall"
  Delete "$SYSDIR\vantorel.scr"
  !insertmacro DATA_FILES REMOVE_DATA_FILE
  RMDir "$SYSDIR\VantorelData"

  ; The user's current saver goes back to what it was, but only while it is still Vantorel.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${If} $1 == "vantorel.scr"
    ClearErrors
    ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "PreviousScreenSaver"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
    ${EndIf}
    ClearErrors
    ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "PreviousScreenSaveActive"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "${INSTALL_HOME}\Uninstall.exe"
  RMDir "${INSTALL_HOME}"
SectionEnd
