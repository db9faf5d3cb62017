#pragma once
// A Tree line made into what it stands for, before anything is written:
//
//   Data.* Tree dir=DIR [compress=yes|no|lzma]
//
// Every regular file below DIR (a relative DIR is found beside the manifest),
// in byte order of its relative path, becomes a Binary node "Data.<key>" read
// from that file, and gets a line appended to the install document (the String
// node "Data.idoc" of the same manifest). With compress=lzma the nodes go by
// file type (extension), then name, so that alike files sit together in the
// payload stream; the document's lines keep the path order:
//
//   <key>,<relative\path>,pit,f,f,<file name>
//
// tkds chooses the keys and ids: no key is used by another node under "Data."
// or by a line of the document, and no id by another node. A document line
// whose key is "*" (*,bin\Atlas.exe,pit,t,t,Kestrel Atlas) takes the key of the
// tree file it names and keeps its own shortcuts; that file gets no second line.
//
// Refused, each with the path or line: a symbolic link or anything else that is
// not a regular file or folder in the tree; a relative path that the document's
// name rule refuses, holds a comma, is deeper than 64 levels or longer than 1024
// bytes; two files whose paths differ only in letter case (one file on Windows),
// or a tree file that another line of the document installs too; a "*" line
// that names no tree file, a file named twice, or one not installed into the
// destination ("pit").
#include <string>
#include <vector>

#include "tools/tkds/Manifest.h"

namespace tkds {

// Replaces every Tree line of entries by the nodes of its files and the install
// document's entry by its text with the lines added (as value=). Files named
// relatively are found in baseDir. A manifest without Tree lines and without
// "*" lines is left as it is. Every problem is added to errors.
bool ExpandTrees(std::vector<ManifestEntry>& entries, const std::string& baseDir, std::vector<ManifestError>& errors);

}  // namespace tkds
