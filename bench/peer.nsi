; The peer installer of the benchmarks: the same job as QuendalInstaller.exe,
; built the way a vendor would script it. Welcome, a page of two release
; check boxes read from the same registry values, install, finish; the same
; payload; solid LZMA. /S installs silently into every detected release, and
; into the folder given with /D= as the custom folder.
;   makensis -DPAYLOAD=<module> -DOUTFILE=<exe> peer.nsi
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
Name "Quendal for After Effects"
Caption "Quendal for After Effects Peer Installer"
OutFile "${OUTFILE}"
ShowInstDetails nevershow

!include "LogicLib.nsh"
!include "x64.nsh"
!include "nsDialogs.nsh"

Var cc
Var cc2015
Var other
Var box_cc
Var box_cc2015

Page custom welcome_page
Page custom releases_page releases_leave
Page instfiles
Page custom finish_page

Function .onInit
  SetRegView 64
  ReadRegStr $cc HKLM "SOFTWARE\Adobe\After Effects\12" "PluginInstallPath"
  ReadRegStr $cc2015 HKLM "SOFTWARE\Adobe\After Effects\13.5" "PluginInstallPath"
FunctionEnd

; The other releases a silent install also writes, like the wizard's rows.
!macro install_release KEY
  ReadRegStr $other HKLM "SOFTWARE\Adobe\After Effects\${KEY}" "PluginInstallPath"
  ${If} $other != ""
    SetOutPath "$other\Falkmoor"
    File "/oname=Quendal.aex" "${PAYLOAD}"
  ${EndIf}
!macroend

Function welcome_page
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 40u "This will install Quendal 1.0.6 plugin on your computer.$\r$\n$\r$\nClick Next to continue."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function finish_page
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 40u "Quendal for After Effects was successfully installed.$\r$\n$\r$\nClick Close to close the installer."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function releases_page
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u "Select which versions of Adobe After Effects you want to install Quendal on:"
  Pop $0
  ${NSD_CreateCheckbox} 10u 25u 100% 12u "CC"
  Pop $box_cc
  ${If} $cc != ""
    ${NSD_Check} $box_cc
  ${EndIf}
  ${NSD_CreateCheckbox} 10u 40u 100% 12u "CC2015"
  Pop $box_cc2015
  ${If} $cc2015 != ""
    ${NSD_Check} $box_cc2015
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function releases_leave
  ${NSD_GetState} $box_cc $0
  ${If} $0 != ${BST_CHECKED}
    StrCpy $cc ""
  ${EndIf}
  ${NSD_GetState} $box_cc2015 $0
  ${If} $0 != ${BST_CHECKED}
    StrCpy $cc2015 ""
  ${EndIf}
FunctionEnd

Section "Install"
  ${If} $cc != ""
    SetOutPath "$cc\Falkmoor"
    File "/oname=Quendal.aex" "${PAYLOAD}"
  ${EndIf}
  ${If} $cc2015 != ""
    SetOutPath "$cc2015\Falkmoor"
    File "/oname=Quendal.aex" "${PAYLOAD}"
  ${EndIf}
  ${If} ${Silent}
    !insertmacro install_release "10.0"
    !insertmacro install_release "10.5"
    !insertmacro install_release "11"
    !insertmacro install_release "13"
    !insertmacro install_release "13.8"
    ${If} $INSTDIR != ""
      SetOutPath "$INSTDIR\Falkmoor"
      File "/oname=Quendal.aex" "${PAYLOAD}"
    ${EndIf}
  ${EndIf}
SectionEnd
