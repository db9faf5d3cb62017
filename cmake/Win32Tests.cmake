# The Wine tests that the 32-bit build runs as well (named win32.*). The 32-bit
# Wine runs under an emulator, two to four times slower than the 64-bit one, so
# it runs what only a 32-bit program on 64-bit Windows can show: the x86 stub's
# and the x86 uninstaller's own behaviour, the 32-bit registry view (WOW6432Node,
# KEY_WOW64_*), the redirected folders ("Program Files (x86)", SysWOW64) and the
# release x86 programs as they ship. A case whose code and expectations are the
# same on both architectures runs in the 64-bit build alone.
set(TOLVIK_WIN32_TESTS
  # The x86 uninstaller, whole: the entry under WOW6432Node, a record of the other
  # view, a 64-bit product beside a 32-bit one sharing TKUNTOOL.EXE, its parking
  # in the Windows folder.
  wine.uninstaller.e2e
  # Its removal code compiled for x86.
  wine.uninstaller_win_tests
  # The registry helpers' view flags (KEY_WOW64_32KEY) and Program Files (x86).
  wine.install_win_tests
  wine.install_registry_query
  # HKCU\Software\Tolvik linked to HKLM\SOFTWARE: the target lies in the 32-bit
  # view for an x86 setup, which the link checks must open with their view flags.
  e2e.registry-links
  # The x86 stub as a user runs it: its window, a click on SETUP, the files in
  # Program Files (x86) and the entry under WOW6432Node.
  e2e.install-mouse
  # The release x86 stub made by tkds make: /S, exit codes, the quiet uninstall
  # from the 32-bit view and the winget manifest's x86 architecture.
  e2e.deployment
  # tkds make's x86 stub from the kit, the vendor's installer installed.
  e2e.vendor-make
  # The LZMA decoder and the stream's 64-bit offsets and sizes in a 32-bit program.
  e2e.payload-stream
  # Authenticode on a PE32 image (its own header layout and checksum).
  e2e.signed-install
  # The 32-bit loader (SysWOW64): the x86 stub and uninstaller load no planted DLL.
  e2e.planted-dlls
  # The x86 setup.exe's embedded container, read from a PE32 image's resources.
  wine.storage_resource_tests
  wine.content_container_tests
  content.container-layout)
