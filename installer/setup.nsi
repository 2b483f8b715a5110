; NewsrailSetup.exe: installs the ticker, adds the Start-menu shortcut and the Add/Remove
; Programs entry, and offers to start the ticker. Its uninstaller removes all of that and, only
; when the user says so, the preferences. "/S" installs or uninstalls silently; a silent
; uninstall keeps the preferences.
;
; By default the setup installs for the user who runs it, without administrator rights: the
; program goes to "%LOCALAPPDATA%\Programs\Newsrail" (where it can update itself), the shortcut
; and the entry are the user's own. "/AllUsers" (or the choice on the second page) installs for
; everyone, into Program Files with the entry under HKLM; that needs an administrator, and a setup
; started without those rights starts itself again asking for them ("/S": it fails with exit
; code 740, ERROR_ELEVATION_REQUIRED, having changed nothing). "/D=folder" picks another folder.
;
; Defined by the build: OUTFILE, PROGRAM_FILE (the built Ticker.exe), ICON (the program's icon),
; SIDE_PICTURE and HEADER_PICTURE (drawn with the program's pictures, src/res/art) and, when the
; tree builds it, BAND_FILE (the desk band library).

!include "newsrail.nsh"
!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "FileFunc.nsh"

OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
!ifdef AMD64
  !define ALL_USERS_FOLDER "$PROGRAMFILES64\${PRODUCT}"
!else
  !define ALL_USERS_FOLDER "$PROGRAMFILES\${PRODUCT}"
!endif
!define USER_FOLDER "$LOCALAPPDATA\Programs\${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!ifdef SIDE_PICTURE
  !define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE}"
!endif
; The header's own picture, on the header's white, in place of the icon on a grey face.
!ifdef HEADER_PICTURE
  !define MUI_HEADERIMAGE
  !define MUI_HEADERIMAGE_RIGHT
  !define MUI_HEADERIMAGE_BITMAP "${HEADER_PICTURE}"
!endif
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
Page custom ScopePage ScopePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_RUN_TEXT "Start the ticker now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var AllUsers         ; 1: installed (or to be installed) for every user of the machine
Var ScopeGiven       ; 1: the command line chose, so the setup does not ask
Var FolderGiven      ; the folder "/D=" named, else empty
Var ForMeButton
Var ForAllButton

; Whether this process has an administrator's rights; where Windows holds them back until asked
; (UAC), only once they were given.
!macro IsAdministrator RESULT
  UserInfo::GetAccountType
  Pop ${RESULT}
  ${If} ${RESULT} == "Admin"
    StrCpy ${RESULT} 1
  ${Else}
    StrCpy ${RESULT} 0
  ${EndIf}
!macroend

; Starts this program again with an administrator's rights and PARAMETERS and ends this one once
; the other has ended. A silent run asks nobody: it ends with ERROR_ELEVATION_REQUIRED. Returns
; (with a message shown) when the user would not give the rights.
!macro RunAsAdministrator PARAMETERS WHAT
  ${If} ${Silent}
    SetErrorLevel 740
    Quit
  ${EndIf}
  ClearErrors
  ExecShellWait "runas" "$EXEPATH" "${PARAMETERS}"
  ${IfNot} ${Errors}
    Quit
  ${EndIf}
  MessageBox MB_OK|MB_ICONEXCLAMATION "${WHAT} for all users needs administrator rights."
!macroend

; The shell context and, unless "/D=" named one, the folder that go with $AllUsers. A second
; setup goes where the first one of the same kind put the program.
Function UseScope
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ${If} $FolderGiven != ""
    Return
  ${EndIf}
  ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    ${If} $AllUsers = 1
      StrCpy $INSTDIR "${ALL_USERS_FOLDER}"
    ${Else}
      StrCpy $INSTDIR "${USER_FOLDER}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $FolderGiven $INSTDIR
  StrCpy $AllUsers 0
  StrCpy $ScopeGiven 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    StrCpy $ScopeGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $ScopeGiven 1
  ${EndIf}
  ; Without a choice on the command line, the page offers the kind already installed, if only
  ; one is: updating an installation for all users stays one. A silent setup installs for the
  ; user unless told otherwise.
  ${If} $ScopeGiven = 0
  ${AndIfNot} ${Silent}
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 != ""
    ${AndIf} $R2 == ""
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers = 1
  ${AndIf} $ScopeGiven = 1
    !insertmacro IsAdministrator $R1
    ${If} $R1 = 0
      !insertmacro RunAsAdministrator $R0 "Installing ${PRODUCT}"
      Quit
    ${EndIf}
  ${EndIf}
  Call UseScope
FunctionEnd

Function ScopePage
  ${If} $ScopeGiven = 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u \
      "${PRODUCT} can be installed for you alone, or for everyone who uses this computer."
  Pop $0
  ${NSD_CreateRadioButton} 0 28u 100% 12u "Only for &me"
  Pop $ForMeButton
  ${NSD_CreateLabel} 12u 41u -12u 20u \
      "Needs no administrator rights. ${PRODUCT} keeps itself up to date."
  Pop $0
  ${NSD_CreateRadioButton} 0 66u 100% 12u "For &everyone who uses this computer"
  Pop $ForAllButton
  ${NSD_CreateLabel} 12u 79u -12u 20u \
      "Needs administrator rights, also to install each new version."
  Pop $0
  ${If} $AllUsers = 1
    ${NSD_Check} $ForAllButton
  ${Else}
    ${NSD_Check} $ForMeButton
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  ${NSD_GetState} $ForAllButton $0
  ${If} $0 = ${BST_CHECKED}
    !insertmacro IsAdministrator $1
    ${If} $1 = 0
      ${GetParameters} $2
      !insertmacro RunAsAdministrator "/AllUsers $2" "Installing ${PRODUCT}"
      Abort
    ${EndIf}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call UseScope
FunctionEnd

; The uninstaller belongs to the installation whose entry names its folder.
Function un.onInit
  SetShellVarContext current
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    SetShellVarContext all
    !insertmacro IsAdministrator $1
    ${If} $1 = 0
      !insertmacro RunAsAdministrator "_?=$INSTDIR" "Removing ${PRODUCT}"
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Newsrail" SecProgram
  !insertmacro EndRunningTicker "$INSTDIR\${PROGRAM}"
  SetOutPath "$INSTDIR"
  ${If} $AllUsers = 1
    !insertmacro ProtectProgramFolder "$INSTDIR"
  ${EndIf}
  File "/oname=${PROGRAM}" "${PROGRAM_FILE}"
!ifdef BAND_FILE
  ; The shell may hold the band library loaded; then the one there stays until the next update
  ; rather than the setup stopping half-way.
  SetOverwrite try
  File "/oname=${BAND_LIBRARY}" "${BAND_FILE}"
  SetOverwrite on
!endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro RegisterBandLibrary "$INSTDIR"
  !insertmacro WriteShortcut "$INSTDIR"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ; What the files take, in kilobytes, for Add/Remove Programs.
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro EndRunningTicker "$INSTDIR\${PROGRAM}"
  ${If} ${FileExists} "$INSTDIR\${BAND_LIBRARY}"
    UnRegDLL "$INSTDIR\${BAND_LIBRARY}"
  ${EndIf}

  Delete "${SHORTCUT}"
  Delete "$INSTDIR\${PROGRAM}"
  ; The shell may still hold the band library; Windows removes it at the next start.
  Delete /REBOOTOK "$INSTDIR\${BAND_LIBRARY}"
  ; What the program and its updates leave beside it: caches, the sponsor's files, the update's
  ; downloads and the copy that hands an update over.
  Delete "$INSTDIR\News.Dat"
  Delete "$INSTDIR\Sponsor.Dat"
  Delete "$INSTDIR\sponsor.bmp"
  Delete "$INSTDIR\sponsor.ini"
  Delete "$INSTDIR\tlxtemp.exe"
  Delete "$INSTDIR\update.exe"
  Delete "$INSTDIR\ticker.ex_"
  Delete "$INSTDIR\update.manifest"
  Delete "$INSTDIR\update.pending"
  Delete "$INSTDIR\vinstall.exe"
  Delete "$INSTDIR\*.sig"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only if nothing else is left: the folder may hold files of the user's own.
  RMDir "$INSTDIR"

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Remove your ${PRODUCT} preferences too (news topics, stock symbols, colours, proxy and account details)?" \
      /SD IDNO IDNO keep_settings
    ; A copy for one user kept them under that user's key only; the machine's key may belong
    ; to an installation for all users.
    ${If} $AllUsers = 1
      DeleteRegKey HKLM "${SETTINGS_KEY}"
      DeleteRegKey /ifempty HKLM "${SETTINGS_PARENT}"
    ${EndIf}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
  keep_settings:

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
