; The desk's setup program: puts cardfmt into the subfolder cardfmt\ of the
; water-control software's folder (the one holding Tolvane.exe and KelmConfig.ini),
; the 64-bit programs on 64-bit Windows and the 32-bit ones elsewhere, with
; shortcuts that start the window in the water-control folder.
;
; That folder belongs to another program and may hold its own Cryptel.dll,
; libgcrypt-20.dll and libgpg-error-0.dll, so nothing is written into the folder
; itself, only into cardfmt\, and only into a cardfmt\ this setup made. The
; uninstaller removes the files it knows by name and leaves everything else.
;
; Made by scripts/release-windows, which passes:
;   VERSION, VERSION_QUAD   the project version (0.1.0 and 0.1.0.0)
;   STAGE_X64, STAGE_X86    the staged release folders of both builds
;   FILES_NSH               the generated list of the staged files (CARDFMT_EACH_FILE,
;                           CARDFMT_EACH_FOLDER)
;   OUTFILE                 the setup program to write
;   DEMO_KEYS               defined when the programs carry the built-in demo keys
;   TARGET                  optional: amd64-unicode makes a setup for 64-bit Windows
;                           only, for proving the script where no 32-bit program runs
;                           (the shipped setup is a 32-bit program, so that it runs
;                           on both)
;
; Exit codes: 0 installed, 1 cancelled by the operator, 2 refused (the folder is
; not the water-control folder, its cardfmt\ is not ours, a program is running,
; Windows older than 7 SP1) or failed. Silent: setup.exe /S /D=C:\path (no quotes,
; last); uninstall.exe /S.

!ifdef TARGET
  Target ${TARGET}
  ; A 64-bit setup knows at compile time that it runs on 64-bit Windows: the other
  ; branches of ${RunningX64} are left without a way in.
  !pragma warning disable 6012
!endif
Unicode true
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include WinVer.nsh
!include x64.nsh
!include "${FILES_NSH}"

!define PRODUCT "发卡格式机"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\cardfmt"
!define TOOL_DIR "cardfmt"
!define EXIT_REFUSED 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be replaced stops the installation (Retry or Cancel; silent:
; cancel) rather than being skipped while the setup reports success.
AllowSkipFiles off

!ifdef DEMO_KEYS
  Caption "${PRODUCT} ${VERSION} 安装(演示密码)"
  !define DEMO_NOTE "$\r$\n$\r$\n注意：本安装程序里的程序使用内置的演示密码(demo keys)，只用于演示和试用；用它们格式化的卡不能用于实际的水控系统。"
!else
  Caption "${PRODUCT} ${VERSION} 安装"
  !define DEMO_NOTE ""
!endif

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "cardfmt"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
; The uninstaller carries the same resource: a cardfmt\ whose uninstall.exe says
; cardfmt-setup was made by this setup even when the registry has lost our entry.
VIAddVersionKey /LANG=2052 "InternalName" "cardfmt-setup"
VIAddVersionKey /LANG=2052 "LegalCopyright" "cardfmt"

!define MUI_ICON "../../ui/win32/res/cardfmt-gui.ico"
!define MUI_UNICON "../../ui/win32/res/cardfmt-gui.ico"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "欢迎安装${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "本程序把${PRODUCT}(5,6号包)安装到水控软件安装目录下单独的 cardfmt 文件夹里，并在桌面和开始菜单建立“${PRODUCT}”快捷方式。$\r$\n$\r$\n水控软件自己的文件(Tolvane.exe、KelmConfig.ini、Cryptel.dll 等)不会被改动。安装前请关闭正在运行的${PRODUCT}。${DEMO_NOTE}$\r$\n$\r$\n点“下一步”继续。"
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "选择水控软件的安装目录"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT}装在水控软件安装目录下的 cardfmt 文件夹里。"
!define MUI_DIRECTORYPAGE_TEXT_TOP "请选择水控软件的安装目录，也就是 Tolvane.exe 和 KelmConfig.ini 所在的文件夹。$\r$\n$\r$\n${PRODUCT}的文件放在其中的 cardfmt 文件夹里；该目录里原有的文件一个也不会被覆盖或删除。"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "水控软件安装目录"
!define MUI_DIRECTORYPAGE_VERIFYONLEAVE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "${PRODUCT}已安装"
!define MUI_FINISHPAGE_TEXT "${PRODUCT}已安装到$\r$\n$INSTDIR\${TOOL_DIR}$\r$\n$\r$\n请用桌面或开始菜单里的“${PRODUCT}”快捷方式启动它：快捷方式的起始位置就是水控软件安装目录。${DEMO_NOTE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; ------------------------------------------------------------------ the file list
; CARDFMT_EACH_FILE (generated from the staged release) calls DO with the subfolder
; ("" for the top) and the name of every file the setup installs; the uninstaller
; walks the same list, so it removes exactly what was installed.

!macro InstallFile STAGE SUBDIR NAME
  !if "${SUBDIR}" == ""
    SetOutPath "$INSTDIR\${TOOL_DIR}"
    File "${STAGE}/${NAME}"
  !else
    SetOutPath "$INSTDIR\${TOOL_DIR}\${SUBDIR}"
    File "${STAGE}/${SUBDIR}/${NAME}"
  !endif
!macroend
!macro InstallFileX64 SUBDIR NAME
  !insertmacro InstallFile "${STAGE_X64}" "${SUBDIR}" "${NAME}"
!macroend
!macro InstallFileX86 SUBDIR NAME
  !insertmacro InstallFile "${STAGE_X86}" "${SUBDIR}" "${NAME}"
!macroend

!macro PathOf SUBDIR NAME
  !if "${SUBDIR}" == ""
    StrCpy $R6 "$R7\${NAME}"
  !else
    StrCpy $R6 "$R7\${SUBDIR}\${NAME}"
  !endif
!macroend

; A file of ours that exists and cannot be opened for writing is in use (the
; window or cardfmt.exe is running) or locked: replacing or removing it would fail
; halfway, so the first such file is named in $R9 before anything is touched.
; $R7 is the tool's folder.
!macro ProbeFile SUBDIR NAME
  ${If} $R9 == ""
    !insertmacro PathOf "${SUBDIR}" "${NAME}"
    ${If} ${FileExists} "$R6"
      ClearErrors
      FileOpen $R5 "$R6" a
      ${If} ${Errors}
        StrCpy $R9 "文件正在使用或不能写入：$\r$\n$R6$\r$\n$\r$\n请先关闭${PRODUCT}(cardfmt-gui.exe、cardfmt.exe)，再试一次。"
      ${Else}
        FileClose $R5
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; Removes one file of ours; one that stays is added to $R8.
!macro RemoveFile SUBDIR NAME
  !insertmacro PathOf "${SUBDIR}" "${NAME}"
  Delete "$R6"
  ${If} ${FileExists} "$R6"
    StrCpy $R8 "$R8$\r$\n$R6"
  ${EndIf}
!macroend

!macro RemoveFolder SUBDIR
  RMDir "$INSTDIR\${SUBDIR}"
!macroend

; The registry view where our entry lives: the 64-bit one on 64-bit Windows, which
; Programs and Features shows, though this setup is a 32-bit program.
!macro UseNativeRegistry
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; ------------------------------------------------------------------ install

; Sets $R9 to why the setup cannot install into $INSTDIR, or "" when it can.
Function CheckTarget
  Push $0
  StrCpy $R9 ""
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    StrCpy $R9 "请选择水控软件的安装目录(Tolvane.exe 和 KelmConfig.ini 所在的文件夹)。"
  ${ElseIfNot} ${FileExists} "$INSTDIR\Tolvane.exe"
  ${OrIfNot} ${FileExists} "$INSTDIR\KelmConfig.ini"
    StrCpy $R9 "这个文件夹里没有 Tolvane.exe 和 KelmConfig.ini，不是水控软件的安装目录：$\r$\n$INSTDIR$\r$\n$\r$\n请选择 Tolvane.exe 和 KelmConfig.ini 所在的文件夹。"
  ${ElseIf} $0 != ""
  ${AndIf} $0 != "$INSTDIR\${TOOL_DIR}"
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ; One entry in Programs and Features can remove one installation: a second one
    ; elsewhere would be left behind with nothing to remove it.
    StrCpy $R9 "${PRODUCT}已经安装在$\r$\n$0$\r$\n$\r$\n请先在“程序和功能”里卸载它，再安装到另一个水控软件目录。"
  ${ElseIf} ${FileExists} "$INSTDIR\${TOOL_DIR}"
    ${If} $0 != "$INSTDIR\${TOOL_DIR}"
      Push "$INSTDIR\${TOOL_DIR}\uninstall.exe"
      Call IsOurUninstaller
      Pop $0
      ${If} $0 != 1
        StrCpy $R9 "水控软件安装目录里已经有一个不是本安装程序建立的 cardfmt 文件夹(或文件)：$\r$\n$INSTDIR\${TOOL_DIR}$\r$\n$\r$\n安装程序不会写进别人的文件夹。请把里面的文件移走并删除这个文件夹，再安装。"
      ${EndIf}
    ${EndIf}
    ${If} $R9 == ""
      StrCpy $R7 "$INSTDIR\${TOOL_DIR}"
      !insertmacro CARDFMT_EACH_FILE ProbeFile
      !insertmacro ProbeFile "" "uninstall.exe"
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

; Whether the file named on the stack is an uninstaller this setup wrote: its
; version resource carries our InternalName. Pushes 1 or 0.
Function IsOurUninstaller
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  System::Call 'version::GetFileVersionInfoSizeW(w r0, p 0) i .r1'
  ${If} $1 > 0
    System::Alloc $1
    Pop $2
    System::Call 'version::GetFileVersionInfoW(w r0, i 0, i r1, p r2) i .r0'
    ${If} $0 <> 0
      System::Call 'version::VerQueryValueW(p r2, w "\StringFileInfo\080404b0\InternalName", *p .r1, *i) i .r0'
      ${If} $0 <> 0
        System::Call '*$1(&w32 .r1)'
        ${If} $1 == "cardfmt-setup"
          StrCpy $3 1
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Free $2
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Section "-check"
  ; Again, right before writing: a program may have been started since the page.
  Call CheckTarget
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONSTOP "$R9" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Abort "$R9"
  ${EndIf}
SectionEnd

Section "-x64" SectionX64
  DetailPrint "安装 64 位程序"
  !insertmacro CARDFMT_EACH_FILE InstallFileX64
SectionEnd

Section "-x86" SectionX86
  DetailPrint "安装 32 位程序"
  !insertmacro CARDFMT_EACH_FILE InstallFileX86
SectionEnd

Section "-${PRODUCT}"
  WriteUninstaller "$INSTDIR\${TOOL_DIR}\uninstall.exe"

  ClearErrors
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "cardfmt"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${TOOL_DIR}\cardfmt-gui.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR\${TOOL_DIR}"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${TOOL_DIR}\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${TOOL_DIR}\uninstall.exe" /S'
  ${GetSize} "$INSTDIR\${TOOL_DIR}" "/S=0K /G=1" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "无法写入注册表(HKLM\${UNINST_KEY})。" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Abort
  ${EndIf}

  ; The window checks at start that its working directory is the water-control
  ; folder: the shortcuts start it there (SetOutPath sets their working directory
  ; and writes nothing).
  SetOutPath "$INSTDIR"
  ClearErrors
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${TOOL_DIR}\cardfmt-gui.exe" "" \
    "$INSTDIR\${TOOL_DIR}\cardfmt-gui.exe" 0 SW_SHOWNORMAL "" "在水控软件安装目录中启动${PRODUCT}"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${TOOL_DIR}\cardfmt-gui.exe" "" \
    "$INSTDIR\${TOOL_DIR}\cardfmt-gui.exe" 0 SW_SHOWNORMAL "" "在水控软件安装目录中启动${PRODUCT}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "无法建立${PRODUCT}的快捷方式。程序已安装在 $INSTDIR\${TOOL_DIR}。" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Abort
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext all
  !insertmacro UseNativeRegistry
  StrCpy $0 0
  ${IfNot} ${AtLeastWin7}
    StrCpy $0 1
  ${ElseIf} ${IsWin7}
  ${AndIfNot} ${AtLeastServicePack} 1
    StrCpy $0 1
  ${EndIf}
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT}需要 Windows 7 SP1 或更新的 Windows。" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Quit
  ${EndIf}
  ; One build's files are installed; the directory page counts only those.
  ${If} ${RunningX64}
    !insertmacro UnselectSection ${SectionX86}
  ${Else}
    !insertmacro UnselectSection ${SectionX64}
  ${EndIf}
  ; An earlier installation names the folder to offer (/D= wins).
  ${If} $INSTDIR == ""
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 != ""
      ${GetParent} "$0" $INSTDIR
    ${EndIf}
  ${EndIf}
  ; Silent runs have no directory page: refuse here, before anything is written.
  ${If} ${Silent}
    Call CheckTarget
    ${If} $R9 != ""
      SetErrorLevel ${EXIT_REFUSED}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckTarget
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$R9"
    Abort
  ${EndIf}
FunctionEnd

; ------------------------------------------------------------------ uninstall

Function un.onInit
  SetShellVarContext all
  !insertmacro UseNativeRegistry
  ; The list is removed by name: a copy of this uninstaller elsewhere (the
  ; water-control folder, whose Cryptel.dll shares a name with ours) must not act.
  ${GetFileName} "$INSTDIR" $0
  ${If} $0 != "${TOOL_DIR}"
  ${OrIfNot} ${FileExists} "$INSTDIR\uninstall.exe"
    MessageBox MB_OK|MB_ICONSTOP "这个卸载程序不在${PRODUCT}的安装文件夹(cardfmt)里：$\r$\n$INSTDIR$\r$\n它不删除任何文件。请用“程序和功能”卸载${PRODUCT}。" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Quit
  ${EndIf}
  StrCpy $R9 ""
  StrCpy $R7 "$INSTDIR"
  !insertmacro CARDFMT_EACH_FILE ProbeFile
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONSTOP "$R9" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $R7 "$INSTDIR"
  StrCpy $R8 ""
  !insertmacro CARDFMT_EACH_FILE RemoveFile
  ${If} $R8 != ""
    ; What stays is still an installation: its uninstaller and entry stay with it.
    MessageBox MB_OK|MB_ICONSTOP "有文件无法删除，卸载没有完成：$R8$\r$\n$\r$\n请关闭${PRODUCT}后再卸载一次。" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Abort
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  !insertmacro CARDFMT_EACH_FOLDER RemoveFolder
  ; Only when empty: a file the operator keeps there (a trace) stays, and its folder.
  RMDir "$INSTDIR"

  ; The shortcuts and the entry are this installation's unless the entry names
  ; another folder.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINST_KEY}"
  ${EndIf}
SectionEnd
