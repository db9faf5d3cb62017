// The host reads containers byte for byte: its tools and tests see the ANSI texts as stored.
#include "framework/ContainerText.h"

namespace framework {

std::string TextFromContainer(std::string_view containerText) { return std::string(containerText); }

std::string NameInContainer(std::string_view text) { return std::string(text); }

}  // namespace framework
