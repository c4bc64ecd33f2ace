; Quiterval's Windows installer, made by makensis from the build
; (make_installer.cmake), which defines:
;   VERSION  the program's version (x.y.z)
;   KIND     win32: the 32-bit program, the default, for the printer
;            libraries that come in 32 bits; win64: the 64-bit program, for
;            printer libraries that come in 64 bits
;   PROGRAM  what the shortcuts start (quiterval.exe, the window)
;   FILES    the installed tree (cmake --install), as the ZIP holds it
;   REMOVAL  the uninstaller's Delete and RMDir lines for those files
;   OUTFILE  the installer to write
;
; The programs go into Program Files, which only an administrator writes.
; What the program writes goes into the machine's data folder
; %ProgramData%\Quiterval, where the shortcuts start it: the settings file
; Quiterval.TOR and the simulated printer's ecf-simulado\ are written in the
; working folder. Every member of Users (by its SID, so a Windows in any
; language has it) may write there, so every cashier's account finds the
; same operators and master password. The driver log's fixed folder
; C:\Tornei\Temp is made and opened to Users the same way.
;
; Silent: setup.exe /S, desinstalar.exe /S. Uninstalling removes the
; programs, the shortcuts and the entry in Windows' list of programs, and
; keeps the data folder, the driver log and the printer choice.

Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!if "${KIND}" == "win64"
Target amd64-unicode
!define BITS 64
!define DESCRIPTION "Quiterval de 64 bits, para bibliotecas de impressora que vêm em 64 bits"
!else
Target x86-unicode
!define BITS 32
!define DESCRIPTION "Quiterval de 32 bits, o padrão, para bibliotecas de impressora de 32 bits"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiterval"
!define UNINSTALLER "desinstalar.exe"
; With SetShellVarContext all, $APPDATA is the machine's %ProgramData%.
!define DATA_FOLDER "$APPDATA\Quiterval"
!define LOG_FOLDER "C:\Tornei\Temp"
; BUILTIN\Users, named by its SID: "Users" is "Usuários" on a Portuguese Windows.
!define USERS_SID "*S-1-5-32-545"

!include MUI2.nsh
!include FileFunc.nsh

Name "Quiterval ${VERSION} (${BITS} bits)"
OutFile "${OUTFILE}"
!if ${BITS} == 64
InstallDir "$PROGRAMFILES64\Quiterval"
!else
InstallDir "$PROGRAMFILES\Quiterval"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quiterval ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1046 "ProductName" "Quiterval"
VIAddVersionKey /LANG=1046 "FileDescription" "${DESCRIPTION}"
VIAddVersionKey /LANG=1046 "CompanyName" "Quiterval"
VIAddVersionKey /LANG=1046 "LegalCopyright" "Quiterval"
VIAddVersionKey /LANG=1046 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1046 "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "${DESCRIPTION}.$\r$\n$\r$\nOs dados do caixa (Quiterval.TOR, a impressora simulada) ficam em ${DATA_FOLDER}."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

; Makes `folder` writable for every member of Users; where icacls is missing
; or refuses, the folder keeps the access it inherits.
!macro OpenToUsers folder
    CreateDirectory "${folder}"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "${folder}" /grant ${USERS_SID}:(OI)(CI)M'
    Pop $0
!macroend

Section "Quiterval"
    SetOutPath "$INSTDIR"
    File /r /x impressora.conf "${FILES}\*.*"
    ; The technician's printer choice survives a new version installed over
    ; this one; a first installation gets the simulated printer.
    SetOverwrite off
    File "${FILES}\impressora.conf"
    SetOverwrite on
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    !insertmacro OpenToUsers "${DATA_FOLDER}"
    !insertmacro OpenToUsers "${LOG_FOLDER}"

    ; A shortcut's working folder is $OUTDIR when it is made.
    SetOutPath "${DATA_FOLDER}"
    CreateShortcut "$SMPROGRAMS\Quiterval.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
        SW_SHOWNORMAL "" "Cupom fiscal do restaurante"
    CreateShortcut "$DESKTOP\Quiterval.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
        SW_SHOWNORMAL "" "Cupom fiscal do restaurante"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quiterval (${BITS} bits)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quiterval"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
!if "${PROGRAM}" == "quiterval.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quiterval.exe"
!endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\Quiterval.lnk"
    Delete "$DESKTOP\Quiterval.lnk"
    !include "${REMOVAL}"
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Stays while it holds the printer choice or a file the installer did
    ; not put there.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
