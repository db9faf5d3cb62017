#include "SkinFixtures.h"

#include <map>
#include <span>
#include <stdexcept>

#include "storage/ContainerWriter.h"

namespace imaging::test {

Bgr At(const PixelView& v, int x, int y) {
    const std::uint8_t* p = v.WindowRow(y) + x * 3;
    return Bgr{p[0], p[1], p[2]};
}

TestContainer& TestContainer::Integer(std::string_view path, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    nodes_.push_back({std::string(path), 0,
                      {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}});
    return *this;
}

TestContainer& TestContainer::String(std::string_view path, std::string_view text) {
    nodes_.push_back({std::string(path), 2, std::vector<std::uint8_t>(text.begin(), text.end())});
    return *this;
}

TestContainer& TestContainer::Binary(std::string_view path, std::vector<std::uint8_t> bytes) {
    nodes_.push_back({std::string(path), 3, std::move(bytes)});
    return *this;
}

std::vector<std::uint8_t> TestContainer::Build() const {
    storage::ContainerWriter writer;
    std::map<std::string, std::uint32_t> ids;  // path -> id, folders included
    std::uint32_t nextId = 1;
    std::string error;
    auto append = [&](const std::string& path, std::uint8_t type, std::span<const std::uint8_t> decoded,
                      bool compress) {
        const auto dot = path.rfind('.');
        const std::uint32_t parent = dot == std::string::npos ? 0 : ids.at(path.substr(0, dot));
        const std::string name = dot == std::string::npos ? path : path.substr(dot + 1);
        std::vector<std::uint8_t> stored;
        if (!storage::EncodeNodeData(decoded, compress, nullptr, stored, error)) throw std::runtime_error(error);
        storage::RecordFields fields;
        fields.id = nextId++;
        fields.parentId = parent;
        fields.type = type;
        fields.compressed = compress ? 1 : 0;
        if (!writer.AppendRecord(fields, name, stored, error)) throw std::runtime_error(error);
        ids[path] = fields.id;
    };
    for (const Node& node : nodes_) {
        // Folders for every prefix not made yet.
        for (std::size_t dot = node.path.find('.'); dot != std::string::npos; dot = node.path.find('.', dot + 1)) {
            const std::string folder = node.path.substr(0, dot);
            if (!ids.contains(folder)) append(folder, 4, {}, false);
        }
        append(node.path, node.type, node.bytes, node.type != 0);
    }
    return writer.Finish();
}

std::vector<std::uint8_t> MakeImageRecord(int width, int height, int format,
                                          const std::function<RecordPixel(int x, int yTop)>& pixel) {
    const bool alpha = format != 1 && format != 3;
    const int bpp = alpha ? 4 : 3;
    const int stride = ((width * bpp * 8 + 31) / 32) * 4;
    std::vector<std::uint8_t> record(24 + static_cast<std::size_t>(stride) * height, 0xEE);  // padding marked
    const char tag[] = "TolvikDIBDAT";
    std::copy(tag, tag + 12, record.begin());
    auto put32 = [&](std::size_t at, std::int32_t value) {
        for (int i = 0; i < 4; ++i) record[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    };
    put32(12, width);
    put32(16, height);
    put32(20, format);
    for (int row = 0; row < height; ++row) {  // stored bottom row first
        std::uint8_t* p = record.data() + 24 + static_cast<std::size_t>(row) * stride;
        for (int x = 0; x < width; ++x) {
            const RecordPixel px = pixel(x, height - 1 - row);
            if (alpha) *p++ = px.t;
            *p++ = px.blue;
            *p++ = px.green;
            *p++ = px.red;
        }
    }
    return record;
}

Bgr BackgroundPixel(int x, int yTop) {
    return Bgr{77, static_cast<std::uint8_t>(20 * yTop + 2), static_cast<std::uint8_t>(10 * x + 1)};
}

Bgr FontPixel(int cell, int x, int yTop) {
    return Bgr{static_cast<std::uint8_t>(cell), static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(100 + yTop)};
}

Bgr DigitPixel(int cell, int x, int yTop) {
    return Bgr{static_cast<std::uint8_t>(50 + cell), static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(150 + yTop)};
}

Rgbt ButtonPixel(int cell, int x, int yTop) {
    const std::uint8_t t = x == 0 ? 255 : x == 1 ? 128 : x == 2 ? 1 : 0;
    return Rgbt{static_cast<std::uint8_t>(60 * cell + 20), static_cast<std::uint8_t>(100 + x),
                static_cast<std::uint8_t>(200 + yTop), t};
}

std::vector<std::uint8_t> MakeBackgroundBytes() {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < kBackgroundY; ++y)
        for (int x = 0; x < kBackgroundX; ++x) {
            const Bgr p = BackgroundPixel(x, y);
            bytes.insert(bytes.end(), {p.red, p.green, p.blue});
        }
    return bytes;
}

std::vector<std::uint8_t> MakeFontRecord() {
    return MakeImageRecord(504, 13, 3, [](int x, int y) {
        const Bgr p = FontPixel(x / 12, x % 12, y);
        return RecordPixel{0, p.blue, p.green, p.red};
    });
}

std::vector<std::uint8_t> MakeDigitsRecord() {
    return MakeImageRecord(143, 19, 3, [](int x, int y) {
        const Bgr p = DigitPixel(x / 13, x % 13, y);
        return RecordPixel{0, p.blue, p.green, p.red};
    });
}

std::vector<std::uint8_t> MakeButtonStrip(int cells) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < kCellHeight; ++y)
        for (int c = 0; c < cells; ++c)
            for (int x = 0; x < kCellWidth; ++x) {
                const Rgbt p = ButtonPixel(c, x, y);
                bytes.insert(bytes.end(), {p.red, p.green, p.blue, p.t});
            }
    return bytes;
}

TestContainer MakeSkinContainer(int states) {
    TestContainer c;
    c.Integer("Backgrounds.Sizes.1x", kBackgroundX)
        .Integer("Backgrounds.Sizes.1y", kBackgroundY)
        .Binary("Backgrounds.1", MakeBackgroundBytes())
        .Integer("Controls.MaskedButtons.PushButton.Width", 3 * kCellWidth)
        .Integer("Controls.MaskedButtons.PushButton.CtrlWidth", kCellWidth)
        .Integer("Controls.MaskedButtons.PushButton.Height", kCellHeight)
        .Integer("Controls.MaskedButtons.PushButton.States", states)
        .Binary("Controls.MaskedButtons.PushButton.RGBA", MakeButtonStrip(3))
        .Binary("Digits", MakeDigitsRecord())
        .Binary("Font", MakeFontRecord());
    return c;
}

}  // namespace imaging::test
