; The installer: the program folder, a Start-menu entry and an uninstaller.
; makensis -DVERSION=a.b.c.d -DSTAGE=folder -DOUTFILE=setup.exe
;   -DUNINSTALL_LIST=uninstall-files.nsh installer.nsi
Unicode true
Target amd64-unicode
Name "RK5720 LAN configuration"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\RK5720 LAN"
InstallDirRegKey HKLM "Software\rk5720-config" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "RK5720 LAN configuration"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "RK5720 LAN configuration setup"
VIAddVersionKey "LegalCopyright" "2026 KORVENTA, GPL-3+"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\rk5720-config"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  ; Its presence tells the program it was installed: the settings then go to
  ; the user's application-data folder.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\RK5720 LAN configuration.lnk" "$INSTDIR\rk5720-config.exe"
  WriteRegStr HKLM "Software\rk5720-config" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "RK5720 LAN configuration"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\RK5720 LAN configuration.lnk"
  ; The files it installed, by name: not the user's settings in the
  ; application-data folder, nor what other programs keep in this folder.
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\rk5720-config"
SectionEnd
