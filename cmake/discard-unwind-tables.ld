/* Added to ld's default script for the 32-bit programs that ship (see
   tolvik_windows_program): they are compiled without exceptions and without
   unwind tables, yet zlib, the C runtime and libstdc++ bring their .eh_frame
   tables along, which only an unwinder reads. None is linked (the assertion
   below stops the link if one ever is), so those tables are dropped. The
   start and end of the table (crtbegin.o, crtend.o) stay: crtbegin.o hands
   them to a libgcc DLL when one happens to be loaded in the process, and then
   it registers a well-formed table. */
SECTIONS
{
  /DISCARD/ : { EXCLUDE_FILE(*crtbegin.o *crtend.o) *(.eh_frame) }
}
INSERT BEFORE .text;
ASSERT(!DEFINED(___register_frame_info), "an unwinder is linked: it needs the unwind tables (cmake/discard-unwind-tables.ld)")
