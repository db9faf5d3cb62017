// Line and field splitting of the install document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/DocumentText.h"

namespace install {
namespace {

TEST(DocumentText, LinesAndTheirNumbers) {
    struct Case {
        std::string text;
        std::vector<std::pair<int, std::string>> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {{1, "a"}}},
        {"a\r\nb", {{1, "a"}, {2, "b"}}},
        {"a\nb\n", {{1, "a"}, {2, "b"}}},
        {"a\rb\r", {{1, "a"}, {2, "b"}}},
        {"a\n\r\nb", {{1, "a"}, {3, "b"}}},
        {"a\r\rb", {{1, "a"}, {3, "b"}}},
        {"a\n\rb", {{1, "a"}, {3, "b"}}},  // LF then a lone CR: two line ends
        {"\r\n\r\na \r\n", {{3, "a "}}},
        {"  \nb", {{1, "  "}, {2, "b"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, std::string>> got;
        for (const DocumentLine& line : SplitDocumentLines(c.text)) got.emplace_back(line.number, line.text);
        EXPECT_EQ(got, c.lines);
    }
}

TEST(DocumentText, Trim) {
    EXPECT_EQ(TrimBlanks(" \t\r\n\v\fx y\f\v\n\r\t "), "x y");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks(""), "");
}

TEST(DocumentText, Fields) {
    struct Case {
        std::string line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a,,,b", {"a", "b"}},
        {"a,b,,", {"a", "b"}},
        {",a", {"", "a"}},
        {",,a", {"", "a"}},
        {" a , b ", {" a ", " b "}},
        {"a", {"a"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (std::string_view field : SplitPayloadFields(c.line)) got.emplace_back(field);
        EXPECT_EQ(got, c.fields) << c.line;
    }
}

}  // namespace
}  // namespace install
