#pragma once
// Containers made for tests: nodes described in a line each, written with the
// real writer, and the message sink captured for the duration of a test.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/UserMessages.h"
#include "storage/ContainerFormat.h"
#include "storage/ContainerWriter.h"

namespace storage::test {

struct TestNode {
    std::uint32_t id;
    std::uint32_t parentId;
    std::string name;
    NodeType type;
    std::string data;  // decoded bytes
    bool compress = false;
    std::optional<std::string> password;
};

inline std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline std::string Int32Bytes(std::int32_t v) {
    std::vector<std::uint8_t> out;
    AppendLE32(out, static_cast<std::uint32_t>(v));
    return {out.begin(), out.end()};
}

// Appends one node record, encoding its data as its flags say.
inline void AddNode(ContainerWriter& writer, const TestNode& node) {
    std::vector<std::uint8_t> stored;
    std::string error;
    const auto decoded = Bytes(node.data);
    ASSERT_TRUE(EncodeNodeData(decoded, node.compress, node.password ? &*node.password : nullptr, stored, error))
        << error;
    RecordFields fields;
    fields.id = node.id;
    fields.parentId = node.parentId;
    fields.type = static_cast<std::uint8_t>(node.type);
    fields.compressed = node.compress ? 1 : 0;
    fields.enciphered = node.password ? 1 : 0;
    ASSERT_TRUE(writer.AppendRecord(fields, node.name, stored, error)) << error;
}

inline std::vector<std::uint8_t> MakeContainer(const std::vector<TestNode>& nodes) {
    ContainerWriter writer;
    for (const auto& node : nodes) AddNode(writer, node);
    return writer.Finish();
}

// Collects every text that the framework would show in a box.
class MessageCapture {
public:
    MessageCapture() {
        framework::SetMessageSink([this](std::string_view text, framework::MessageIcon) { texts.emplace_back(text); });
    }
    ~MessageCapture() { framework::SetMessageSink({}); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> texts;
};

}  // namespace storage::test
