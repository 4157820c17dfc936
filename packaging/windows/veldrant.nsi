; SPDX-License-Identifier: MIT
; Veldrant's installer for one Windows account: no administrator rights, the programs in
; %LOCALAPPDATA%\Programs\Veldrant, a Start-menu shortcut to the window, an uninstaller that
; "Apps" lists (HKCU's Uninstall key) and that removes exactly the files it installed.
; /S installs (and uninstall.exe /S removes) without a question.
; Over an installed version the setup program first runs that version's own uninstaller
; ('uninstall.exe /S _?=<folder>', from the folder the Uninstall key names), so that files the
; new version no longer has go as well. The uninstaller therefore ends with 0 only when every
; file of its list is gone; while a program of the folder runs it removes nothing, and when a
; file stays it says which, ends with 2 and keeps itself and its key for another try.
;
; makensis -DVERSION=1.01 -DFILE_VERSION=1.01.0.0 -DPUBLISHER=... -DSTAGE=<staged folder>
;          -DLISTS=<folder with FileList.cmake's lists> -DOUTFILE=<setup.exe>
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
LangString ProgramRunning ${LANG_ENGLISH} "$R0 is running. Close it, then choose Retry."
LangString ProgramRunning ${LANG_JAPANESE} "$R0 が起動しています。終了してから［再試行］を押してください。"
LangString FilesStay ${LANG_ENGLISH} "These files of Veldrant could not be removed:$R9$\r$\n$\r$\nClose the program that uses them, then run the uninstaller again."
LangString FilesStay ${LANG_JAPANESE} "次の Veldrant のファイルを削除できませんでした:$R9$\r$\n$\r$\nこれらを使っているプログラムを終了してから、もう一度アンインストールしてください。"
LangString OldStays ${LANG_ENGLISH} "The installed Veldrant in $R5 could not be removed, so nothing was installed. Close every program of that folder, then run the setup program again."
LangString OldStays ${LANG_JAPANESE} "$R5 にインストールされている Veldrant を削除できなかったため、何もインストールしませんでした。このフォルダーのプログラムをすべて終了してから、もう一度セットアップを実行してください。"
LangString Description ${LANG_ENGLISH} "Import marks and score cards from the KVT2700 golf watch; update its course data and firmware"
LangString Description ${LANG_JAPANESE} "KVT2700 の地点データとスコアの取り込み、コースデータとファームウェアの更新"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 the Veldrant developers"

;   FindRunning: $R0 = what of $INSTDIR runs ("Veldrant" for the window, else the program's
;   file name), empty when nothing does. The window holds its single-instance mutex; any program
;   of the folder that runs cannot be opened for writing (its file is mapped).
;   WaitWhileRunning: asks until nothing runs (the user closes it and retries) or the user
;   cancels (in silent mode at once): $R0 empty, or what still runs.
!macro RunningChecks UN
Function ${UN}FindRunning
  StrCpy $R0 ""
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $R0 "Veldrant"
    Return
  ${EndIf}
  FindFirst $R1 $R2 "$INSTDIR\*.exe"
  ${DoWhile} $R2 != ""
    ${If} $R2 != "uninstall.exe"
      ; GENERIC_WRITE, all sharing, OPEN_EXISTING: nothing in the file changes.
      System::Call 'kernel32::CreateFileW(w "$INSTDIR\$R2", i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .r0 ?e'
      Pop $R3
      ${If} $0 P<> -1
        System::Call 'kernel32::CloseHandle(p r0)'
      ${ElseIf} $R3 = 32 ; ERROR_SHARING_VIOLATION
        StrCpy $R0 $R2
        ${Break}
      ${EndIf}
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
  ${If} $R0 == "veldrant.exe"
    StrCpy $R0 "Veldrant"
  ${EndIf}
FunctionEnd

Function ${UN}WaitWhileRunning
  ${Do}
    Call ${UN}FindRunning
    ${If} $R0 == ""
      ${Break}
    ${ElseIf} $R0 == "Veldrant"
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY retry
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY retry
    ${EndIf}
    ${Break}
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro RunningChecks ""
!insertmacro RunningChecks "un."

Function .onInit
  Call WaitWhileRunning
  ${If} $R0 != ""
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.WaitWhileRunning
  ${If} $R0 != ""
    Abort
  ${EndIf}
FunctionEnd

Section "Veldrant"
  ; A program may have been started while the pages were shown.
  Call WaitWhileRunning
  ${If} $R0 != ""
    Abort
  ${EndIf}
  ; The installed version goes first, by its own uninstaller and its own list of files.
  ReadRegStr $R5 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $R5 == ""
  ${OrIfNot} ${FileExists} "$R5\uninstall.exe"
    StrCpy $R5 $INSTDIR
  ${EndIf}
  ${If} ${FileExists} "$R5\uninstall.exe"
    DetailPrint "Removing the installed version from $R5"
    ClearErrors
    ExecWait '"$R5\uninstall.exe" /S _?=$R5' $R6
    ${If} ${Errors}
    ${OrIf} $R6 != 0
      MessageBox MB_OK|MB_ICONSTOP "$(OldStays)" /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
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
  ; A file that stayed (in use, read-only) is named; the uninstaller and its key stay with it.
  StrCpy $R9 ""
  !include "${LISTS}/left-files.nsh"
  ${If} $R9 != ""
    DetailPrint "Not removed:$R9"
    MessageBox MB_OK|MB_ICONSTOP "$(FilesStay)" /SD IDOK
    Abort
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
!ifdef WINDOW
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
!endif
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
