#pragma once
// Texts in a container (the install document, the license) are ANSI in the
// system's code page; the programs work in UTF-8. A text read from a container is
// taken through TextFromContainer once; a name looked up in it again (a payload's
// node) goes back through NameInContainer. On the host both leave bytes as they are.
#include <string>
#include <string_view>

namespace framework {

std::string TextFromContainer(std::string_view containerText);
// The container's spelling of a name TextFromContainer gave; a name without one
// is returned as it is (and is then found in no container).
std::string NameInContainer(std::string_view text);

}  // namespace framework
