; Malvor's installer for 64-bit Windows, built by scripts/windows_installer.sh with makensis
; (warnings are errors). It installs the folder that the ZIP holds, for the current user without
; administrator rights by default (%LOCALAPPDATA%\Programs\Malvor, keys under HKCU) or, run as
; administrator and asked to, for all users (%ProgramFiles%\Malvor, keys under HKLM).
;
; Defines given by the build:
;   MALVOR_GENERATED  folder with version.nsh (the version, from packaging/Version.cmake),
;                     files.nsh and unfiles.nsh (the ZIP's files, installed and removed one by
;                     one) and licence.txt (the licence page: LICENSE and every notice)
;   MALVOR_OUTDIR     where the installer is written, as malvor-VERSION-win64-setup.exe
;
; Command line (as every NSIS installer): /S silent, /D=FOLDER the folder (last). Also:
;   /CurrentUser, /AllUsers  for whom (all users needs administrator rights)
;   /AddToPath               silent install: the folder goes on PATH as well
; The uninstaller takes /S, /CurrentUser or /AllUsers (its entry in "Apps & features" names the
; right one) and /RemoveSettings (silent: the window's settings go as well).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "${MALVOR_GENERATED}/version.nsh"

!define MALVOR_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Malvor"
; "Open with": the window as an application that opens these kinds, no extension's default.
!define MALVOR_APP_KEY "Software\Classes\Applications\malvor.exe"
; Where the window keeps its settings (QSettings with organisation "Malvor").
!define MALVOR_SETTINGS_KEY "Software\Malvor"
!define MALVOR_USER_ENVIRONMENT "Environment"
!define MALVOR_MACHINE_ENVIRONMENT \
  "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "Malvor"
OutFile "${MALVOR_OUTDIR}/${MALVOR_SETUP_FILE}"
BrandingText "Malvor ${MALVOR_VERSION}"

; The program's version record, on the installer and (written from it) the uninstaller.
VIProductVersion "${MALVOR_VERSION_DOTTED}"
VIFileVersion "${MALVOR_VERSION_DOTTED}"
VIAddVersionKey /LANG=1033 "ProductName" "Malvor"
VIAddVersionKey /LANG=1033 "CompanyName" "The Malvor developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Malvor developers"
VIAddVersionKey /LANG=1033 "FileDescription" "Malvor ${MALVOR_VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${MALVOR_VERSION_SHORT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${MALVOR_VERSION_SHORT}"

; Per user unless asked otherwise; an administrator is offered both (NSIS's MultiUser page).
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Malvor"
; A new version goes where the installed one is.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${MALVOR_UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define MUI_ICON "${__FILEDIR__}/../../resources/malvor.ico"
!define MUI_UNICON "${__FILEDIR__}/../../resources/malvor.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "This will install Malvor ${MALVOR_VERSION}: the window that \
  converts Tango netlists into EAGLE scripts and boards, and the command-line converter \
  malvor-convert.$\r$\n$\r$\nAn installed Malvor is replaced by this version; its settings \
  are kept.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${MALVOR_GENERATED}/licence.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The longest string this installer holds (NSIS_MAX_STRLEN counts the terminating zero).
!define /math MALVOR_LONGEST ${NSIS_MAX_STRLEN} - 1

; The environment key of the install's scope: HKCU's for one user, the machine's for all.
!macro MALVOR_READ_PATH result
  ${If} $MultiUser.InstallMode == "AllUsers"
    ReadRegStr ${result} HKLM "${MALVOR_MACHINE_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr ${result} HKCU "${MALVOR_USER_ENVIRONMENT}" "Path"
  ${EndIf}
!macroend
!macro MALVOR_WRITE_PATH value
  ${If} $MultiUser.InstallMode == "AllUsers"
    ${If} ${value} == ""
      DeleteRegValue HKLM "${MALVOR_MACHINE_ENVIRONMENT}" "Path"
    ${Else}
      WriteRegExpandStr HKLM "${MALVOR_MACHINE_ENVIRONMENT}" "Path" ${value}
    ${EndIf}
  ${Else}
    ${If} ${value} == ""
      DeleteRegValue HKCU "${MALVOR_USER_ENVIRONMENT}" "Path"
    ${Else}
      WriteRegExpandStr HKCU "${MALVOR_USER_ENVIRONMENT}" "Path" ${value}
    ${EndIf}
  ${EndIf}
  ; Programs started afterwards (a new command prompt) see the change.
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=2000
!macroend

; Runs the uninstaller of an installed Malvor of this scope in its folder and waits for it, so
; that files of the older version that this one lacks go, and one entry is left in the end.
; Its settings stay (a silent uninstall keeps them).
Function RemoveInstalled
  ReadRegStr $0 SHCTX "${MALVOR_UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "Removing the installed version from $0"
  ${If} $MultiUser.InstallMode == "AllUsers"
    ExecWait '"$0\uninstall.exe" /S /AllUsers _?=$0' $1
  ${Else}
    ExecWait '"$0\uninstall.exe" /S /CurrentUser _?=$0' $1
  ${EndIf}
  ${If} $1 != 0
    DetailPrint "The installed version's uninstaller ended with $1"
  ${EndIf}
  ; Run in place (_?=), it cannot remove itself.
  Delete "$0\uninstall.exe"
  RMDir "$0"
FunctionEnd

Section "Malvor (the window and the converter)" SectionProgram
  SectionIn RO
  Call RemoveInstalled
  !include "${MALVOR_GENERATED}/files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Started from the Start menu, the window opens on the documents (the Public Documents
  ; for all users).
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMPROGRAMS\Malvor.lnk" "$INSTDIR\malvor.exe" "" "$INSTDIR\malvor.exe" 0 \
    SW_SHOWNORMAL "" "Convert Tango netlists into EAGLE scripts and boards"
  SetOutPath "$INSTDIR"

  WriteRegStr SHCTX "${MALVOR_APP_KEY}" "FriendlyAppName" "Malvor"
  WriteRegStr SHCTX "${MALVOR_APP_KEY}\DefaultIcon" "" "$INSTDIR\malvor.exe,0"
  WriteRegStr SHCTX "${MALVOR_APP_KEY}\shell\open\command" "" '"$INSTDIR\malvor.exe" "%1"'
  WriteRegStr SHCTX "${MALVOR_APP_KEY}\SupportedTypes" ".net" ""
  WriteRegStr SHCTX "${MALVOR_APP_KEY}\SupportedTypes" ".lbr" ""
  WriteRegStr SHCTX "${MALVOR_APP_KEY}\SupportedTypes" ".csv" ""

  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "DisplayName" "Malvor"
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "DisplayVersion" "${MALVOR_VERSION}"
  WriteRegDWORD SHCTX "${MALVOR_UNINSTALL_KEY}" "VersionMajor" ${MALVOR_VERSION_MAJOR}
  WriteRegDWORD SHCTX "${MALVOR_UNINSTALL_KEY}" "VersionMinor" ${MALVOR_VERSION_MINOR}
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "Publisher" "The Malvor developers"
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\malvor.exe,0"
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${MALVOR_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${MALVOR_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${MALVOR_UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Add the folder to PATH (malvor-convert in any command prompt)" SectionPath
  !insertmacro MALVOR_READ_PATH $0
  StrLen $1 $0
  StrLen $2 $INSTDIR
  IntOp $1 $1 + $2
  IntOp $1 $1 + 1
  ; A value that would not fit in this installer's strings is left alone, not cut short.
  ${If} $1 > ${MALVOR_LONGEST}
    DetailPrint "PATH is too long to be changed here; add $INSTDIR to it by hand"
    Return
  ${EndIf}
  Push $0
  Push $INSTDIR
  Call PathHas
  Pop $1
  ${If} $1 == 1
    Return  ; there already: not this install's to remove
  ${EndIf}
  ; Always after a ";" of its own, so that removing the entry gives the value back as it was.
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  !insertmacro MALVOR_WRITE_PATH $0
  WriteRegStr SHCTX "${MALVOR_UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
SectionEnd

; Whether a PATH value (entries separated by ";") has an entry, compared without case.
Function PathHas  ; value, entry -> 1 or 0
  Exch $1  ; entry
  Exch
  Exch $0  ; value
  Push $2
  Push $3
  Push $4
  StrCpy $2 0  ; index
  StrCpy $3 ""  ; the entry so far
  ${Do}
    StrCpy $4 $0 1 $2
    ${If} $4 == ";"
    ${OrIf} $4 == ""
      ${If} $3 == $1
        StrCpy $0 1
        ${ExitDo}
      ${ElseIf} $4 == ""
        StrCpy $0 0
        ${ExitDo}
      ${EndIf}
      StrCpy $3 ""
    ${Else}
      StrCpy $3 "$3$4"
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Exch $0  ; the result, and the caller's $0 back
  Exch
  Pop $1
FunctionEnd

; Every entry of a PATH value but one (compared without case), in their order, the empty ones
; kept: what installing added, removed again exactly.
Function un.PathWithout  ; value, entry -> value
  Exch $1  ; entry
  Exch
  Exch $0  ; value
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $2 0  ; index
  StrCpy $3 ""  ; the entry so far
  StrCpy $5 ""  ; the entries kept, each followed by ";"
  ${Do}
    StrCpy $4 $0 1 $2
    ${If} $4 == ";"
    ${OrIf} $4 == ""
      ${If} $3 != $1
        StrCpy $5 "$5$3;"
      ${EndIf}
      ${IfThen} $4 == "" ${|} ${ExitDo} ${|}
      StrCpy $3 ""
    ${Else}
      StrCpy $3 "$3$4"
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  StrCpy $0 $5 -1
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $0  ; the result, and the caller's $0 back
  Exch
  Pop $1
FunctionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AddToPath" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SectionPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "un.Malvor" UnSectionProgram
  SectionIn RO
  ReadRegStr $0 SHCTX "${MALVOR_UNINSTALL_KEY}" "PathEntry"
  ${If} $0 != ""
    !insertmacro MALVOR_READ_PATH $1
    StrLen $2 $1
    ; A value that may have been cut short on reading is not written back.
    ${If} $2 >= ${MALVOR_LONGEST}
      DetailPrint "PATH is too long to be changed here; remove $0 from it by hand"
    ${Else}
      Push $1
      Push $0
      Call un.PathWithout
      Pop $1
      !insertmacro MALVOR_WRITE_PATH $1
    ${EndIf}
  ${EndIf}

  Delete "$SMPROGRAMS\Malvor.lnk"
  DeleteRegKey SHCTX "${MALVOR_APP_KEY}"
  DeleteRegKey SHCTX "${MALVOR_UNINSTALL_KEY}"
  !include "${MALVOR_GENERATED}/unfiles.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: what the user put there stays.
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.Remove my settings (the window's libraries and map)" UnSectionSettings
  DeleteRegKey HKCU "${MALVOR_SETTINGS_KEY}"
SectionEnd

Function un.onInit
  ; MultiUser takes the folder from the registry; the uninstaller removes its own.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  StrCpy $INSTDIR $R9
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSectionSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
