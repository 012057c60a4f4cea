; The Windows installer of update and compare (scripts/package-windows.sh
; passes VERSION, STAGE and OUTFILE). It puts both programs and their guides
; in one folder of Program Files and adds an uninstaller; nothing else is
; registered, since the programs keep no settings.
Unicode true
!include "MUI2.nsh"
Name "Update y Compare ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Update y Compare"
RequestExecutionLevel admin
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

Section "Programas"
  SetOutPath "$INSTDIR"
  File "${STAGE}\update.exe"
  File "${STAGE}\compare.exe"
  File "${STAGE}\Update.txt"
  File "${STAGE}\Create.txt"
  WriteUninstaller "$INSTDIR\Desinstalar.exe"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\update.exe"
  Delete "$INSTDIR\compare.exe"
  Delete "$INSTDIR\Update.txt"
  Delete "$INSTDIR\Create.txt"
  Delete "$INSTDIR\Desinstalar.exe"
  RMDir "$INSTDIR"
SectionEnd
