; vinstall.exe: the step a ticker runs from its program folder after it has replaced itself with
; an update. Silent: it re-registers the band library and points the shortcut at the program.
; A folder without the program is not a program folder: then it does nothing. The folder that
; the machine's Add/Remove Programs entry names was installed for all users; any other is the
; user's own, whose shortcut and entry are the user's.
;
; Defined by the build: OUTFILE.

!include "newsrail.nsh"

OutFile "${OUTFILE}"
SilentInstall silent
; The ticker starts this with CreateProcess, which cannot raise a program's rights: it runs with
; the ticker's own, which are the ones that just replaced the program in its folder (newsrail.nsh
; asks for no more).
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} update step"

Section
  ${IfNot} ${FileExists} "$EXEDIR\${PROGRAM}"
    Return
  ${EndIf}
  SetShellVarContext current
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $EXEDIR
    SetShellVarContext all
  ${EndIf}
  !insertmacro RegisterBandLibrary "$EXEDIR"
  !insertmacro WriteShortcut "$EXEDIR"
  ; Add/Remove Programs shows the version the update brought, for the copy the setup installed.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $EXEDIR
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  ${EndIf}
SectionEnd
