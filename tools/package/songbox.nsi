; SongBox installer: per user, no administrator rights, so the program's folder
; stays writable for its DownMusic folder. Built by CMake with makensis:
;   -DVERSION=x.y.z -DDEFAULT_ROOT=<address> -DEXE=<SongBox.exe>
;   -DREADME=<说明.txt> -DICON=<.ico> -DOUTFILE=<setup.exe>
; Silent: setup.exe /S [/ROOT=http://host:port/] [/D=folder]
; SongBox is a 64-bit program: a 64-bit installer (also runs where no 32-bit layer exists).
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh

!define PRODUCT "新歌音乐盒"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SongBox"
!define USER_INI "$APPDATA\SongBox\songbox.ini"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\SongBox"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\SongBox.exe"

Var Root
Var RootField

!insertmacro MUI_PAGE_DIRECTORY
Page custom AddressPage AddressPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Copyright © 2026 SongBox 开发者"

; Pops an address, pushes 1 when it is "http://" or "https://" and a host, else 0.
Function IsWebAddress
  Exch $0
  Push $1
  StrCpy $1 $0 7
  ${If} $1 == "http://"
    StrCpy $1 $0 "" 7
  ${Else}
    StrCpy $1 $0 8
    ${If} $1 == "https://"
      StrCpy $1 $0 "" 8
    ${Else}
      StrCpy $1 ""
    ${EndIf}
  ${EndIf}
  StrCpy $0 0
  StrCpy $1 $1 1
  ${If} $1 != ""
  ${AndIf} $1 != "/"
  ${AndIf} $1 != ":"
  ${AndIf} $1 != " "
    StrCpy $0 1
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; The address: /ROOT= on the command line, else the current per-user setting,
; else the built-in default.
Function .onInit
  SetShellVarContext current
  ReadINIStr $Root "${USER_INI}" "catalogue" "root"
  Push $Root
  Call IsWebAddress
  Pop $0
  ${If} $0 != 1
    StrCpy $Root "${DEFAULT_ROOT}"
  ${EndIf}
  ; Not GetOptions: it would cut the address at its first "/".
  ${GetParameters} $1
  ClearErrors
  ${WordFind} $1 "/ROOT=" "E+1}" $2
  ${IfNot} ${Errors}
    ${WordFind} $2 " " "+1{" $2
    Push $2
    Call IsWebAddress
    Pop $0
    ${If} $0 == 1
      StrCpy $Root $2
    ${EndIf}
  ${EndIf}
FunctionEnd

Function AddressPage
  !insertmacro MUI_HEADER_TEXT "歌曲目录地址" "新歌音乐盒从这个地址读取最新歌曲列表。"
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 40u "请输入歌曲目录服务的地址，以 http:// 或 https:// 开头。$\r$\n以后可以在 %APPDATA%\SongBox\songbox.ini 的 [catalogue] 一节中修改 root= 一行。"
  Pop $0
  ${NSD_CreateText} 0 44u 100% 13u "$Root"
  Pop $RootField
  nsDialogs::Show
FunctionEnd

Function AddressPageLeave
  ${NSD_GetText} $RootField $1
  Push $1
  Call IsWebAddress
  Pop $0
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "地址必须以 http:// 或 https:// 开头，后面是主机名。"
    Abort
  ${EndIf}
  StrCpy $Root $1
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=SongBox.exe" "${EXE}"
  File "/oname=说明.txt" "${README}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\SongBox.exe"

  ; A new settings file starts as UTF-16 with its mark, so Windows keeps any
  ; address text intact when it writes the value.
  CreateDirectory "$APPDATA\SongBox"
  ${IfNot} ${FileExists} "${USER_INI}"
    FileOpen $0 "${USER_INI}" w
    FileWriteWord $0 0xFEFF
    FileClose $0
  ${EndIf}
  WriteINIStr "${USER_INI}" "catalogue" "root" "$Root"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\SongBox.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The program's own files only: the songs in DownMusic are the user's.
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; Removes exactly what the installer wrote. The program folder goes only when
; it is empty: DownMusic and every song in it stay.
Section "Uninstall"
  Delete "$INSTDIR\SongBox.exe"
  Delete "$INSTDIR\说明.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "${USER_INI}"
  RMDir "$APPDATA\SongBox"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
