; SPDX-License-Identifier: MIT
; Veldrant's installer for one Windows account: no administrator rights, the programs in
; %LOCALAPPDATA%\Programs\Veldrant, a Start-menu shortcut to the window, an uninstaller that
; "Apps" lists (HKCU's Uninstall key) and that removes exactly the files it installed.
; /S installs (and uninstall.exe /S removes) without a question.
;
; makensis -DVERSION=1.01 -DFILE_VERSION=1.01.0.0 -DPUBLISHER=... -DSTAGE=<staged folder>
;          -DLISTS=<folder with install-files.nsh, uninstall-files.nsh> -DOUTFILE=<setup.exe>
;          [-DWINDOW=veldrant.exe] [-DICON=<.ico>] veldrant.nsi
; (packaging/windows/CMakeLists.txt, target windows-installer).

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
AllowSkipFiles off

!define PRODUCT "Veldrant"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veldrant"
; The window's single-instance mutex: while it exists Veldrant runs and its files are in use.
!define INSTANCE_MUTEX "Kestrune GOLF"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!ifdef WINDOW
  !define MUI_FINISHPAGE_RUN "$INSTDIR\${WINDOW}"
!endif

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The user's own Windows language picks one of these; no question is asked.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString Running ${LANG_ENGLISH} "Veldrant is running. Close Veldrant, then choose Retry."
LangString Running ${LANG_JAPANESE} "Veldrant が起動しています。Veldrant を終了してから［再試行］を押してください。"
LangString Description ${LANG_ENGLISH} "Import marks and score cards from the KVT2700 golf watch; update its course data and firmware"
LangString Description ${LANG_JAPANESE} "KVT2700 の地点データとスコアの取り込み、コースデータとファームウェアの更新"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 the Veldrant developers"

; Waits while Veldrant runs: the user closes it and retries, or cancels (in silent mode at once).
!macro WaitWhileRunning
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
!macroend

Function .onInit
  !insertmacro WaitWhileRunning
FunctionEnd

Function un.onInit
  !insertmacro WaitWhileRunning
FunctionEnd

Section "Veldrant"
  !include "${LISTS}/install-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
!ifdef WINDOW
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${WINDOW}" "" "$INSTDIR\${WINDOW}" 0 \
                 SW_SHOWNORMAL "" "$(Description)"
!endif

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
!ifdef WINDOW
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${WINDOW},0"
!endif
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: a folder that still holds anything else stays.
  !include "${LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
!ifdef WINDOW
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
!endif
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
