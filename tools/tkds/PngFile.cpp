// libpng reports errors by longjmp. Every call that can fail runs inside a small
// function whose frame holds nothing with a destructor, so jumping out of libpng
// back into it skips no C++ clean-up; buffers are made between those calls.
#include "tools/tkds/PngFile.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "tools/tkds/FileIo.h"

namespace tkds {

namespace {

// Larger pictures are refused before any buffer is made for them. The limit is
// on what the conversion makes, four bytes a pixel whatever the file packs
// (a 1-bit picture expands 32 times), and lies far above any window skin.
constexpr png_uint_32 kMaxSide = 65535;
constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{64} << 20;
// Deflate cannot shrink data by more than this factor, so a file smaller than
// its rows divided by it cannot hold them: such a header is refused before its
// buffer is made (a few bytes could otherwise claim a gigabyte).
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// No chunk but the image data may be larger than this.
constexpr png_alloc_size_t kMaxChunkBytes = 8 << 20;
// Chunks the conversion never uses (text, colour profile, other metadata) are
// skipped unread: libpng would otherwise allocate whatever such a chunk's length
// field claims, up to 2 GB, before finding that the file ends long before.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0pCAL\0sCAL\0eXIf\0tIME";
constexpr int kSkippedChunkCount = 9;

struct PngMessage {
    char text[200] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* where = static_cast<PngMessage*>(png_get_error_ptr(png));
    std::snprintf(where->text, sizeof where->text, "%s", message ? message : "libpng error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessage message;
    ~ReadState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessage message;
    ~WriteState() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// Reads the header and asks libpng for 8-bit RGBA rows whatever the file holds.
// storedRowBytes: the size of the file's rows before compression (one filter
// byte and the packed samples per row, as if not interlaced).
bool ReadHeader(ReadState& s, std::FILE* file, png_uint_32& width, png_uint_32& height,
                std::uint64_t& storedRowBytes) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_init_io(s.png, file);
    png_set_user_limits(s.png, kMaxSide, kMaxSide);
    png_read_info(s.png, s.info);
    const int colorType = png_get_color_type(s.png, s.info);
    const int bitDepth = png_get_bit_depth(s.png, s.info);
    const std::uint64_t bitsPerPixel = std::uint64_t{png_get_channels(s.png, s.info)} * bitDepth;
    storedRowBytes = std::uint64_t{png_get_image_height(s.png, s.info)} *
                     (1 + (std::uint64_t{png_get_image_width(s.png, s.info)} * bitsPerPixel + 7) / 8);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
    if (bitDepth == 16) png_set_scale_16(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s.png);
    png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);  // no-op when alpha is already there
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    width = png_get_image_width(s.png, s.info);
    height = png_get_image_height(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != std::size_t{width} * 4) png_error(s.png, "unexpected row layout");
    return true;
}

bool ReadRows(ReadState& s, png_bytep* rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    png_read_end(s.png, nullptr);
    return true;
}

// libpng's output callback: appends to the std::vector<std::uint8_t> given as io pointer.
void AppendPngBytes(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    // No exception may cross libpng's C frames; its own error path jumps back instead.
    bool stored = true;
    try {
        out->insert(out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

bool WriteAll(WriteState& s, std::vector<std::uint8_t>* out, png_uint_32 width, png_uint_32 height, png_bytep* rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, out, AppendPngBytes, FlushNothing);
    png_set_IHDR(s.png, s.info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s.png, s.info);
    png_write_image(s.png, rows);
    png_write_end(s.png, nullptr);
    return true;
}

std::uint64_t FileLength(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

std::string Reason(const PngMessage& message, const char* fallback) {
    return message.text[0] ? std::string(message.text) : std::string(fallback);
}

}  // namespace

bool ReadPng(const std::string& path, RgbaImage& image, std::string& error) {
    FilePtr file = OpenInputFile(path, error);
    if (!file) return false;
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        error = "not a PNG file";
        return false;
    }
    ReadState s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, OnPngError, OnPngWarning);
    if (!s.png || !(s.info = png_create_info_struct(s.png))) {
        error = "out of memory";
        return false;
    }
    png_set_sig_bytes(s.png, sizeof signature);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::uint64_t storedRowBytes = 0;
    if (!ReadHeader(s, file.get(), width, height, storedRowBytes)) {
        error = Reason(s.message, "cannot read the PNG header");
        return false;
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (std::uint64_t{width} * height * 4 > kMaxDecodedBytes) {
        error = "picture too large (" + size + ": more than " + std::to_string(kMaxDecodedBytes >> 20) +
                " MB as 8-bit RGBA)";
        return false;
    }
    if (storedRowBytes / kMaxDeflateRatio > FileLength(file.get())) {
        error = "the file is too short for a " + size + " picture";
        return false;
    }
    RgbaImage decoded;
    decoded.width = width;
    decoded.height = height;
    decoded.pixels.assign(std::size_t{width} * height * 4, 0);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = decoded.pixels.data() + std::size_t{y} * width * 4;
    if (!ReadRows(s, rows.data())) {
        error = Reason(s.message, "cannot read the PNG pixels");
        return false;
    }
    image = std::move(decoded);
    return true;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide ||
        image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        error = "invalid picture size";
        return false;
    }
    WriteState s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s.message, OnPngError, OnPngWarning);
    if (!s.png || !(s.info = png_create_info_struct(s.png))) {
        error = "out of memory";
        return false;
    }
    std::vector<png_bytep> rows(image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        rows[y] = const_cast<png_bytep>(image.pixels.data() + std::size_t{y} * image.width * 4);
    }
    // Made in memory, then written whole beside path and renamed over it.
    std::vector<std::uint8_t> encoded;
    if (!WriteAll(s, &encoded, image.width, image.height, rows.data())) {
        error = Reason(s.message, "cannot write the PNG file");
        return false;
    }
    return WriteFileBytes(path, encoded, error);
}

}  // namespace tkds
