; A conventional installer of the same product, for scripts/measure.sh to compare
; against setup.exe: the same payload files (the program, its license text and
; the uninstaller), the same destination, shortcuts and uninstall entry, made
; with NSIS's ordinary pages (a folder page, then the progress page).
;
; makensis -DPAYLOAD=DIR -DOUTFILE=FILE [-DTARGET=amd64-unicode] [-DSOLID_LZMA] [-DTREE=DIR] peer-installer.nsi
; DIR holds Pellumar.exe, License.txt and TKUNTOOL.EXE. TREE adds every file of
; a folder tree under the destination (scripts/measure/payload-stream.sh).

!ifdef TARGET
  Target ${TARGET}
!endif
!ifdef SOLID_LZMA
  SetCompressor /SOLID lzma
!endif

Name "Tolvik Pellumar 1.0"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\Tolvik\Pellumar"
!else
  InstallDir "$PROGRAMFILES\Tolvik\Pellumar"
!endif

Page directory
Page instfiles

Section "Pellumar"
  SetOutPath "$INSTDIR"
  File "${PAYLOAD}\Pellumar.exe"
  File "${PAYLOAD}\License.txt"
!ifdef TREE
  SetOutPath "$INSTDIR\tree"
  File /r "${TREE}/*"
!endif
  SetOutPath "$WINDIR"
  File "${PAYLOAD}\TKUNTOOL.EXE"

  CreateDirectory "$SMPROGRAMS\Tolvik Pellumar 1.0"
  CreateShortcut "$SMPROGRAMS\Tolvik Pellumar 1.0\Tolvik Pellumar 1.0.lnk" "$INSTDIR\Pellumar.exe"
  CreateShortcut "$SMPROGRAMS\Tolvik Pellumar 1.0\License & Reg.Information.lnk" "$INSTDIR\License.txt"
  CreateShortcut "$SMPROGRAMS\Tolvik Pellumar 1.0\Uninstall Tolvik Pellumar 1.0.lnk" "$WINDIR\TKUNTOOL.EXE" "Pellumar"
  CreateShortcut "$DESKTOP\Tolvik Pellumar 1.0.lnk" "$INSTDIR\Pellumar.exe"

  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar" "DisplayName" "Tolvik Pellumar 1.0 (Remove Only)"
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar" "UninstallString" '"$WINDIR\TKUNTOOL.EXE" Pellumar'
SectionEnd
