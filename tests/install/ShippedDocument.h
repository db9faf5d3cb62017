#pragma once
// The product's own install document, read from the source tree.
#include <cstdio>
#include <string>

namespace install::test {

inline std::string ReadShippedDocument() {
    std::string text;
    if (std::FILE* file = std::fopen(TOLVIK_SHIPPED_DOCUMENT, "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

}  // namespace install::test
