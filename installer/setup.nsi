; NewsrailSetup.exe: puts the ticker into Program Files, adds the Start-menu shortcut and the
; Add/Remove Programs entry, and offers to start the ticker. Its uninstaller removes all of that
; and, only when the user says so, the preferences. "/S" installs or uninstalls silently; a
; silent uninstall keeps the preferences.
;
; Defined by the build: OUTFILE, PROGRAM_FILE (the built Ticker.exe), ICON (the program's icon),
; SIDE_PICTURE and HEADER_PICTURE (drawn with the program's pictures, src/res/art) and, when the
; tree builds it, BAND_FILE (the desk band library).

!include "newsrail.nsh"
!include "MUI2.nsh"

OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
RequestExecutionLevel admin
!ifdef AMD64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; A second setup goes where the first one put the program.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
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
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_RUN_TEXT "Start the ticker now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "Newsrail" SecProgram
  !insertmacro EndRunningTicker "$INSTDIR\${PROGRAM}"
  SetOutPath "$INSTDIR"
  !insertmacro ProtectProgramFolder "$INSTDIR"
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

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ; What the files take, in kilobytes, for Add/Remove Programs.
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro EndRunningTicker "$INSTDIR\${PROGRAM}"
  ${If} ${FileExists} "$INSTDIR\${BAND_LIBRARY}"
    UnRegDLL "$INSTDIR\${BAND_LIBRARY}"
  ${EndIf}

  SetShellVarContext all
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
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "${SETTINGS_PARENT}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
  keep_settings:

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
