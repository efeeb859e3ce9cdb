; The Windows installer. scripts/package compiles it with
;   makensis -DVERSION=1.2.0 -DSTAGE=<folder of the files> -DOUTFILE=<installer> vemra.nsi
; STAGE holds the packaged files and the two lists made from packaging/windows-files.txt:
; install-files.nsh (File lines) and uninstall-files.nsh (Delete lines).
;
; Administrators install into Program Files for everybody, other users into their own programs
; folder (/AllUsers or /CurrentUser choose on the command line, /S runs without windows).
; The uninstaller keeps the settings under HKCU\Software\Quelbarsk unless asked (a question, or
; /RemoveSettings when silent).
; German is a component of its own: chosen at the start when Windows shows German, offered
; otherwise; /German and /NoGerman decide on the command line.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined"
!endif

!define PRODUCT "VEMRA"
!define COMPANY "Quelbarsk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VEMRA"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COMPANY}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; The uninstaller finds the mode and the folder of the installation where Windows lists it.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\VEMRA.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString RegisterFailed ${LANG_ENGLISH} "The automation server could not be registered (VEMRA.exe -RegServer ended with $0)."
LangString RegisterFailed ${LANG_GERMAN} "Der Automatisierungsserver konnte nicht registriert werden (VEMRA.exe -RegServer endete mit $0)."
LangString UnregisterFailed ${LANG_ENGLISH} "The automation server could not be unregistered (VEMRA.exe -UnregServer ended with $0)."
LangString UnregisterFailed ${LANG_GERMAN} "Die Registrierung des Automatisierungsservers konnte nicht entfernt werden (VEMRA.exe -UnregServer endete mit $0)."
LangString RemoveSettings ${LANG_ENGLISH} "Remove your VEMRA settings too?"
LangString RemoveSettings ${LANG_GERMAN} "Sollen Ihre VEMRA-Einstellungen auch entfernt werden?"
LangString GermanSection ${LANG_ENGLISH} "German user interface"
LangString GermanSection ${LANG_GERMAN} "Deutsche Benutzeroberfl${U+00E4}che"
LangString GermanDescription ${LANG_ENGLISH} "VEMRA shows its windows, messages and help texts in German."
LangString GermanDescription ${LANG_GERMAN} "VEMRA zeigt Fenster, Meldungen und Hilfetexte auf Deutsch."

; MultiUser picks the all-users installation whenever one is registered; an uninstaller must
; remove the installation it belongs to, whichever mode that was.
Function un.onInit
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $R8 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R8 == $R9
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $R7 == $R9
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
  StrCpy $INSTDIR $R9
FunctionEnd

Section "VEMRA" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${STAGE}\install-files.nsh"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\VEMRA.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\VEMRA.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The program writes its automation registration itself, where this user may write.
  ClearErrors
  ExecWait '"$INSTDIR\VEMRA.exe" -RegServer' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "$(RegisterFailed)"
  ${EndIf}
SectionEnd

Section "$(GermanSection)" SecGerman
  SetOutPath "$INSTDIR"
  !include "${STAGE}\install-german.nsh"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecGerman} "$(GermanDescription)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  !insertmacro MULTIUSER_INIT
  ; The primary language of the user's display language; 7 is German.
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $0 $0 & 0x3FF
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/German" $2
  ${IfNot} ${Errors}
    StrCpy $0 7
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/NoGerman" $2
  ${IfNot} ${Errors}
    StrCpy $0 0
  ${EndIf}
  ${If} $0 = 7
    !insertmacro SelectSection ${SecGerman}
  ${Else}
    !insertmacro UnselectSection ${SecGerman}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ClearErrors
  ExecWait '"$INSTDIR\VEMRA.exe" -UnregServer' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "$(UnregisterFailed)"
  ${EndIf}

  !include "${STAGE}\uninstall-files.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/RemoveSettings" $2
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveSettings)" /SD IDNO IDNO keep
  ${EndIf}
  DeleteRegKey HKCU "Software\${COMPANY}\${PRODUCT}"
  DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
  keep:
SectionEnd
