; BrinemereSetup-VERSION.exe, the Windows installer (makensis; cmake/windows_installer.cmake
; passes VERSION, SCR32, SCR64, ICON, SIDE_PICTURE, OUTFILE and, when the file is
; there, LICENSE).
;
; Windows looks for screen savers in its system folder, so the installer asks for
; administrator rights and puts Brinemere.scr there: the 64-bit build on 64-bit
; Windows, the 32-bit one elsewhere. The installer itself is a 32-bit program; on
; 64-bit Windows it turns the file-system redirection off while it touches the
; system folder (else "System32" would be SysWOW64) and writes the uninstall entry
; in the 64-bit registry view.
;
; Making Brinemere the current saver writes the user's SCRNSAVE.EXE and
; ScreenSaveActive under Control Panel\Desktop and keeps the values they had under
; HKCU\Software\Brinemere; the uninstaller puts them back, but only while
; Brinemere is still the current saver. It deletes only the files it installed.
;
; /S installs (and makes Brinemere the current saver) or uninstalls without a question.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include WinVer.nsh

!define SAVER "Brinemere.scr"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brinemere"
!define DESKTOP_KEY "Control Panel\Desktop"
!define KEPT_KEY "Software\Brinemere"
!define PUBLISHER "The Brinemere authors"

Name "Brinemere"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Brinemere"
BrandingText "Brinemere ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Brinemere"
VIAddVersionKey /LANG=1033 "FileDescription" "Brinemere setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Brinemere authors"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE}"
; The welcome page's button says Install when no licence page follows it.
!ifdef LICENSE
  !define WELCOME_LAST_LINE "Click Next to continue."
!else
  !define WELCOME_LAST_LINE "Click Install to start."
!endif
!define MUI_WELCOMEPAGE_TITLE "Brinemere ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "An animated sea for your screen saver: a flat sky, a large disc \
  low over the water and twenty layers of waves with foam on their crests.$\r$\n$\r$\n\
  Setup puts Brinemere.scr in the Windows system folder, where the screen-saver \
  settings find it, and can make it your screen saver.$\r$\n$\r$\n${WELCOME_LAST_LINE}"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Make Brinemere my screen saver"
!define MUI_FINISHPAGE_RUN_FUNCTION UseAsSaver

!insertmacro MUI_PAGE_WELCOME
!ifdef LICENSE
  !insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!endif
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---- both sides -----------------------------------------------------------------

; The 64-bit view of the registry on 64-bit Windows.
!macro NativeViews
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; Without administrator rights the system folder cannot be written: say so and
; end (740, "the requested operation requires elevation") before touching anything.
!macro NeedAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Brinemere goes into the Windows system folder, which only an \
      administrator can change. Please run this again as an administrator." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro NeedAdministrator
  !insertmacro NativeViews
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Brinemere"
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro NeedAdministrator
  !insertmacro NativeViews
FunctionEnd

; ---- install --------------------------------------------------------------------

Section "Brinemere"
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetOutPath $SYSDIR
    File "/oname=${SAVER}" "${SCR64}"
    ${EnableX64FSRedirection}
  ${Else}
    SetOutPath $SYSDIR
    File "/oname=${SAVER}" "${SCR32}"
  ${EndIf}

  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Sizes in KiB, the saver's and the uninstaller's.
  ${DisableX64FSRedirection}
  Push "$SYSDIR\${SAVER}"
  Call FileSize
  Pop $0
  ${EnableX64FSRedirection}
  Push "$INSTDIR\Uninstall.exe"
  Call FileSize
  Pop $1
  IntOp $0 $0 + $1
  IntOp $0 $0 / 1024

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brinemere"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A silent install asks nothing: it makes Brinemere the current saver.
  ${If} ${Silent}
    Call MakeCurrent
  ${EndIf}
SectionEnd

; Pops a path, pushes the size of that file in bytes (0 when it cannot be read).
Function FileSize
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 $0 r
  ${If} ${Errors}
    StrCpy $0 0
  ${Else}
    FileSeek $1 0 END $0
    FileClose $1
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Makes Brinemere the user's screen saver, keeping the values it replaces. When
; Brinemere is current already (installed twice) the kept values stay as they are.
Function MakeCurrent
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != "$SYSDIR\${SAVER}"
    DeleteRegKey HKCU "${KEPT_KEY}"
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${KEPT_KEY}" "SCRNSAVE.EXE" $0
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${KEPT_KEY}" "ScreenSaveActive" $0
    ${EndIf}
    WriteRegDWORD HKCU "${KEPT_KEY}" "Kept" 1
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SAVER}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
FunctionEnd

; The finish page's box: Brinemere becomes current, and the settings open on the
; screen-saver page so the user sees it selected. The 64-bit control panel on
; 64-bit Windows.
Function UseAsSaver
  Call MakeCurrent
  ${DisableX64FSRedirection}
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\control.exe" desk.cpl,,1'
  ${EndIf}
  ${EnableX64FSRedirection}
FunctionEnd

; ---- uninstall ------------------------------------------------------------------

; Puts back one kept value of the user's saver, or removes ours where there was none.
!macro PutBack NAME
  ClearErrors
  ReadRegStr $2 HKCU "${KEPT_KEY}" "${NAME}"
  ${If} ${Errors}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "${NAME}"
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "${NAME}" $2
  ${EndIf}
!macroend

Section "Uninstall"
  ${DisableX64FSRedirection}
  Delete "$SYSDIR\${SAVER}"
  ${EnableX64FSRedirection}

  ; The user's saver comes back only while ours is the current one.
  ReadRegDWORD $1 HKCU "${KEPT_KEY}" "Kept"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $1 == 1
  ${AndIf} $0 == "$SYSDIR\${SAVER}"
    !insertmacro PutBack "SCRNSAVE.EXE"
    !insertmacro PutBack "ScreenSaveActive"
  ${EndIf}
  DeleteRegKey HKCU "${KEPT_KEY}"

  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: the folder may hold what someone else put there.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
