; What the setup and the post-update step share: the product's names and places, and the two
; steps an update has to repeat (registering the band library, writing the shortcut).
;
; The build passes VERSION (as in the project) and VERSION4 (four numbers for the version
; resource), and AMD64 for the 64-bit test build; see CMakeLists.txt.

!ifdef AMD64
  ; The 64-bit build exists for the tests only: Wine here cannot start 32-bit programs.
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!ifndef VERSION
  !error "VERSION is not defined: build through CMake, or pass -DVERSION=... -DVERSION4=..."
!endif

!include "LogicLib.nsh"

!define PRODUCT "Newsrail"
!define PUBLISHER "Talmora"
!define PROGRAM "Ticker.exe"
!define BAND_LIBRARY "vexlodb.dll"
!define UNINSTALLER "uninstall.exe"
; The program keeps its preferences here (under HKLM when it may write there, else HKCU).
!define SETTINGS_KEY "SOFTWARE\Talmora\Ticker"
!define SETTINGS_PARENT "SOFTWARE\Talmora"
; The Add/Remove Programs entry and the shortcut go where the program does: under HKCU and in the
; user's Start menu for a copy installed for one user, under HKLM and in everyone's Start menu
; for all users. SetShellVarContext (current or all) picks both, through SHCTX and $SMPROGRAMS.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Newsrail"
!define SHORTCUT "$SMPROGRAMS\Newsrail.lnk"

; A ticker asks a running one to end with WM_USER+101; the installer does the same before it
; replaces or removes the files a running ticker holds open.
!define WM_END_TICKER 1125

; Every program of the product runs with the rights of the user who starts it: a setup for one
; user needs no administrator, and one for all users asks for the rights itself (setup.nsi).
; The manifest that NSIS writes says so, names Windows 7 to 11, asks for the common controls of
; version 6 (XPStyle) and lets the pages draw for the monitor's scale.
RequestExecutionLevel user
ManifestSupportedOS Win7 Win8 Win8.1 Win10
ManifestDPIAware true
ManifestDPIAwareness "PerMonitorV2,System"
XPStyle on

Name "${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
!ifdef DEVELOPMENT
; Its program trusts the build tree's throw-away update key: not for users.
VIAddVersionKey /LANG=1033 "PrivateBuild" "Development build: trusts its build tree's own update key"
!endif

; Re-registers the band library in DIR, when there is one: an update may have brought a new
; one, and the program itself registers it only when it had to download it.
!macro RegisterBandLibrary DIR
  ${If} ${FileExists} "${DIR}\${BAND_LIBRARY}"
    RegDLL "${DIR}\${BAND_LIBRARY}"
  ${EndIf}
!macroend

; Gives the program folder DIR an access list of its own, inheriting nothing from above (C:\
; lets every authenticated user write, and a folder made there passes that on): administrators
; and the system have full control, users read and run. Nobody but an administrator can then put
; a program of their own where the ticker will load or start it. Only for a copy installed for all
; users: a user's own copy keeps the rights its folder inherits from the user's profile, where
; only that user (and the system and administrators) may write, and the program updates itself.
!define PROGRAM_FOLDER_ACL "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
!macro ProtectProgramFolder DIR
  ; SDDL_REVISION_1; SE_FILE_OBJECT; DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION.
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptor(t "${PROGRAM_FOLDER_ACL}", i 1, *p .r0, p 0) i .r1'
  ${If} $1 <> 0
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r0, *i .r2, *p .r3, *i .r4) i .r1'
    System::Call 'advapi32::SetNamedSecurityInfo(t "${DIR}", i 1, i 0x80000004, p 0, p 0, p r3, p 0) i .r1'
    System::Call 'kernel32::LocalFree(p r0)'
  ${EndIf}
!macroend

; Points the Start-menu shortcut (the user's or everyone's, by the shell context) at the program
; in DIR. The shortcut starts the program in its own folder ($OUTDIR is its working folder).
!macro WriteShortcut DIR
  SetOutPath "${DIR}"
  CreateShortCut "${SHORTCUT}" "${DIR}\${PROGRAM}" "" "${DIR}\${PROGRAM}" 0 SW_SHOWNORMAL "" \
      "News and stock quotes scrolling in the taskbar"
!macroend

; Asks every running ticker to end, then waits until PROGRAM_PATH can be written. A ticker lives
; in its own frame ("SSBar"), in the notification area, or in the desk band of the taskbar or
; of a floating band bar. Uses $R0-$R4.
!macro EndRunningTicker PROGRAM_PATH
  ${For} $R3 1 20
    StrCpy $R0 0
    FindWindow $R0 "SSBar"
    ${If} $R0 = 0
      FindWindow $R1 "Shell_TrayWnd"
      ${If} $R1 <> 0
        FindWindow $R2 "TrayNotifyWnd" "" $R1
        ${If} $R2 <> 0
          FindWindow $R0 "Ticker" "" $R2
        ${EndIf}
        ${If} $R0 = 0
          FindWindow $R0 "Ticker" "" $R1
        ${EndIf}
        ${If} $R0 = 0
          FindWindow $R2 "ReBarWindow32" "" $R1
          ${If} $R2 <> 0
            FindWindow $R2 "VexloDeskBandClass" "" $R2
            ${If} $R2 <> 0
              FindWindow $R0 "Ticker" "" $R2
            ${EndIf}
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
    ${If} $R0 = 0
      StrCpy $R1 0
      ${Do}
        FindWindow $R1 "BaseBar" "" "" $R1
        ${IfThen} $R1 = 0 ${|} ${ExitDo} ${|}
        FindWindow $R2 "ReBarWindow32" "" $R1
        ${IfThen} $R2 = 0 ${|} ${Continue} ${|}
        FindWindow $R2 "VexloDeskBandClass" "" $R2
        ${IfThen} $R2 = 0 ${|} ${Continue} ${|}
        FindWindow $R0 "Ticker" "" $R2
      ${LoopUntil} $R0 <> 0
    ${EndIf}
    ${IfThen} $R0 = 0 ${|} ${Break} ${|}
    SendMessage $R0 ${WM_END_TICKER} 0 0 /TIMEOUT=2000
    Sleep 250
  ${Next}
  ; The windows go before the process does, and a running program's file cannot be opened for
  ; writing: wait for that (at most five seconds), as the copy an update starts does.
  ${If} ${FileExists} "${PROGRAM_PATH}"
    ${For} $R3 1 20
      ClearErrors
      FileOpen $R4 "${PROGRAM_PATH}" a
      ${IfNot} ${Errors}
        FileClose $R4
        ${Break}
      ${EndIf}
      Sleep 250
    ${Next}
  ${EndIf}
!macroend
