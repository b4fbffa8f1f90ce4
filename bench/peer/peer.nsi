; The peer of the side-by-side benchmark: an NSIS installer that does the silent work of ours on
; the same payload, in the same order. run-bench.sh makes the included lists: payload.nsh from the
; archive's listing (the entries unpacked by unzip, their times kept), shortcuts.nsh and
; registry.nsh from what our registration writes (install_bench.exe peer-script).
;
;   makensis -DGENERATED=FOLDER -DOUTFILE=EXE peer.nsi
Unicode true
Target amd64-unicode
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel highest
ManifestDPIAware true
ManifestSupportedOS all
Name "Photavian 64-bit"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Photavian"

!include "LogicLib.nsh"

Var SkipIcons
Var Settings

Section
  SetRegView 64

  ; A running viewer refuses the installation; an earlier installation is looked up.
  FindWindow $0 "Photavian"
  ${If} $0 != 0
    Abort
  ${EndIf}
  ReadRegStr $0 HKLM "SOFTWARE\Classes\Photavian\shell\open\command" ""

  ; The destination and its plugins folder; an installed icon library newer than 4.30 stays.
  CreateDirectory "$INSTDIR\Plugins"
  StrCpy $SkipIcons 0
  ClearErrors
  GetDLLVersion "$INSTDIR\Plugins\Icons.dll" $R0 $R1
  ${IfNot} ${Errors}
  ${AndIf} $R0 U> 0x0004001E
    StrCpy $SkipIcons 1
  ${EndIf}

  !include "${GENERATED}\payload.nsh"

  ; The destination's settings file points the viewer at the user's settings folder, whose file
  ; gets the language and, unless it has one, the toolbar skin that suits the screen; it is kept
  ; as UTF-16 with its marker header.
  WriteINIStr "$INSTDIR\ph_tav64.ini" "Others" "INI_Folder" "%APPDATA%\Photavian"
  CreateDirectory "$APPDATA\Photavian"
  StrCpy $Settings "$APPDATA\Photavian\ph_tav64.ini"
  ${IfNot} ${FileExists} "$Settings"
    FileOpen $0 "$Settings" w
    FileWriteUTF16LE /BOM $0 "; UNICODE FILE - edit with care ;-)$\r$\n$\r$\n"
    FileClose $0
  ${EndIf}
  WriteINIStr "$Settings" "Language" "DLL" "ENGLISH"
  WriteINIStr "$Settings" "Language" "Lang" "English"
  ReadINIStr $0 "$Settings" "Toolbar" "Skin"
  ${If} $0 == ""
    ; The display probe: horizontal DPI of the display (88 = LOGPIXELSX) and the full-screen
    ; client height (17 = SM_CYFULLSCREEN).
    System::Call 'gdi32::CreateDCW(w "DISPLAY", p 0, p 0, p 0) p.r1'
    System::Call 'gdi32::GetDeviceCaps(p r1, i 88) i.r2'
    System::Call 'gdi32::DeleteDC(p r1)'
    System::Call 'user32::GetSystemMetrics(i 17) i.r3'
    ; The scale in percent, halves rounded up; 100 without a display.
    StrCpy $4 100
    ${If} $2 > 0
      IntOp $4 $2 * 100
      IntOp $4 $4 + 48
      IntOp $4 $4 / 96
    ${EndIf}
    StrCpy $5 "Tessor_16.png"
    StrCpy $6 "16"
    ${If} $3 >= 1600
    ${OrIf} $4 >= 170
      StrCpy $5 "gnome-colors-human_48.png"
      StrCpy $6 "48"
    ${ElseIf} $3 > 1200
    ${OrIf} $4 >= 150
      StrCpy $5 "gnome-colors-wise_32.png"
      StrCpy $6 "32"
    ${ElseIf} $3 >= 768
      StrCpy $5 "Halvint_24.png"
      StrCpy $6 "24"
    ${EndIf}
    WriteINIStr "$Settings" "Toolbar" "Skin" "$5"
    WriteINIStr "$Settings" "Toolbar" "Size" "$6"
  ${EndIf}

  ; Shortcuts; the group shortcuts of 4.67 and 4.66 are replaced.
  !include "${GENERATED}\shortcuts.nsh"
  Delete "$SMPROGRAMS\Photavian\Photavian 64 4.67.lnk"
  Delete "$SMPROGRAMS\Photavian\Photavian 64 4.66.lnk"

  !include "${GENERATED}\registry.nsh"

  ; The shell is told that icons (0x58 = SPI_SETICONS, 3 = update and send the change) and
  ; associations (0x08000000 = SHCNE_ASSOCCHANGED, 0x1000 = SHCNF_FLUSHNOWAIT) changed.
  System::Call 'user32::SystemParametersInfoW(i 0x58, i 0, p 0, i 3)'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0x1000, p 0, p 0)'
SectionEnd
