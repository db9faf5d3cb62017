#pragma once
// Paths as the file system compares and measures them. Paths are UTF-8; Windows
// keeps names as UTF-16 and ignores letter case with its upcase table, one UTF-16
// unit at a time, for every script ("Über" and "über", "Ωmega" and "ωmega" name
// the same file). On Windows the table is the system's own; the host half (tkds,
// native tests) takes the C.UTF-8 locale's simple case mapping. Path lengths are
// counted in UTF-16 units as well (framework/Utf8Units.h, Utf16Length).
#include <set>
#include <string>
#include <string_view>

namespace install {

// path with every letter upper-cased as the file system folds it: equal folded
// texts name the same path. Bytes that are not UTF-8 are kept as they are;
// characters beyond the Basic Multilingual Plane have no case in the table.
std::string FoldedPath(std::string_view path);

// True when a and b spell the same path, letter case ignored as the file system
// ignores it.
bool SamePathText(std::string_view a, std::string_view b);

// Paths, each held once as SamePathText compares them; a look-up costs a
// logarithm of the count where a list would cost the count (a product's
// thousands of files against its record's thousands).
class PathSet {
public:
    // False when path was held already.
    bool Add(std::string_view path) { return folded_.insert(FoldedPath(path)).second; }
    bool Holds(std::string_view path) const { return folded_.count(FoldedPath(path)) != 0; }

private:
    std::set<std::string> folded_;
};

// The upper-case form of one UTF-16 unit in the file system's table (PathText_win.cpp
// asks the system, PathText_host.cpp the host's locale).
char16_t UpcaseUnit(char16_t unit);

}  // namespace install
