#include "framework/ContainerText.h"

#include "framework/WideText_win.h"

namespace framework {

std::string TextFromContainer(std::string_view containerText) { return Utf8FromAnsi(containerText); }

std::string NameInContainer(std::string_view text) {
    std::string ansi;
    return AnsiFromUtf8(text, ansi) ? ansi : std::string(text);
}

}  // namespace framework
