// Speed of the skin's pixel work, printed as ratios from one run:
//   - a full compose of the 450 x 207 client area with four button overlays,
//     against a plain copy of the same bytes;
//   - the overlay blend in megapixels per second, against memcpy of the same pixels;
//   - one ticker tick (the background piece, at most two text pieces and the copy
//     to the window: four blits of at most 295 x 13), against the 20 ms tick.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imaging/BitmapText.h"
#include "imaging/DibImage.h"
#include "imaging/PixelBuffer.h"
#include "imaging/PixelOps.h"
#include "imaging/WindowBuffers.h"
#include "imaging/WindowLayout.h"

namespace {

using namespace imaging;

// How the transparency bytes of a test overlay are laid out.
enum class TMix {
    Runs,      // like a real skin: runs of 11 opaque, clear or blended pixels
    Blended,   // every pixel blended (the slowest arithmetic)
    Random,    // opaque, clear or blended at random per pixel (defeats branch prediction)
};

std::vector<std::uint8_t> MakeOverlay(int width, int height, TMix mix) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<std::uint8_t>(random());
        pixels[i + 1] = static_cast<std::uint8_t>(random());
        pixels[i + 2] = static_cast<std::uint8_t>(random());
        const std::size_t pixel = i / 4;
        const unsigned kind = mix == TMix::Blended ? 2 : mix == TMix::Random ? random() % 3 : (pixel / 11) % 3;
        pixels[i + 3] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(1 + random() % 254);
    }
    return pixels;
}

struct Window {
    WindowBuffers buffers;
    std::vector<std::uint8_t> overlay = MakeOverlay(44, 32, TMix::Runs);
    Window() {
        buffers.CreateBuffersOfSize(WindowBuffers::BufferWidthFor(kMainClientWidth), kMainClientHeight);
        std::vector<std::uint8_t> background(450 * 207 * 3);
        std::mt19937 random(3);
        for (auto& b : background) b = static_cast<std::uint8_t>(random());
        buffers.TileBackground(background.data(), background.size(), 450, 207);
        for (const ButtonPlacement& b : kMainButtons)
            buffers.SetOverlay(b.controlId, Rect{b.x, b.y, b.x + 44, b.y + 32}, overlay.data(), 44);
    }
};

void FullCompose(benchmark::State& state) {
    Window window;
    for (auto _ : state) {
        window.buffers.ComposeArea(Rect{0, 0, kMainClientWidth, kMainClientHeight}, nullptr);
        benchmark::DoNotOptimize(window.buffers.ComposeView().bits);
    }
}
BENCHMARK(FullCompose);

void PlainCopyOfTheWindow(benchmark::State& state) {
    Window window;
    const std::size_t bytes = static_cast<std::size_t>(window.buffers.CleanView().stride) * kMainClientHeight;
    for (auto _ : state) {
        std::memcpy(window.buffers.ComposeView().bits, window.buffers.CleanView().bits, bytes);
        benchmark::DoNotOptimize(window.buffers.ComposeView().bits);
    }
}
BENCHMARK(PlainCopyOfTheWindow);

constexpr int kBlendWidth = 452, kBlendHeight = 207;

void BlendOverlayPixels(benchmark::State& state) {
    PixelBuffer buffer(kBlendWidth, kBlendHeight, 3);
    const auto overlay = MakeOverlay(kBlendWidth, kBlendHeight, static_cast<TMix>(state.range(0)));
    for (auto _ : state) {
        BlendOverlay(buffer.View(), overlay.data(), kBlendWidth, 0, 0, 0, 0, kBlendWidth, kBlendHeight);
        benchmark::DoNotOptimize(buffer.View().bits);
    }
    state.SetItemsProcessed(state.iterations() * kBlendWidth * kBlendHeight);
}
BENCHMARK(BlendOverlayPixels)->Arg(0)->Arg(1)->Arg(2)->ArgName("mix");

void MemcpyOfThePixels(benchmark::State& state) {
    std::vector<std::uint8_t> from(static_cast<std::size_t>(kBlendWidth) * kBlendHeight * 3, 1), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlendWidth * kBlendHeight);
}
BENCHMARK(MemcpyOfThePixels);

void TickerTick(benchmark::State& state) {
    DibImage font;
    font.Create(504, 13, false);
    font.FillChecker(MakeColor(255, 200, 0), MakeColor(0, 0, 0), 3);
    PixelBuffer clean(452, 207), compose(452, 207), window(452, 207);
    const std::string text = TickerCharacters("Tolvik Pellumar 1.0 Setup");
    PixelBuffer strip;
    RenderTickerStrip(&font, text, strip);
    const TickerLayout layout = LayoutTicker(text.size());
    long long offset = 0;
    for (auto _ : state) {
        offset += 2;
        DrawTickerInto(compose.View(), clean.View(), &strip.View(), layout, offset);
        CopyRect(window.View(), kTickerLeft, kTickerTop, compose.View(), kTickerLeft, kTickerTop, kTickerWindowWidth,
                 kGlyphHeight);
        benchmark::DoNotOptimize(window.View().bits);
    }
}
BENCHMARK(TickerTick);

// Keeps each run's time so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            seconds[run.benchmark_name()] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;  // CPU time per iteration (the machine is shared)
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& s = reporter.seconds;
    auto get = [&](const char* name) {
        const auto it = s.find(name);
        return it == s.end() ? 0.0 : it->second;
    };
    const double compose = get("FullCompose"), copy = get("PlainCopyOfTheWindow");
    const double runs = get("BlendOverlayPixels/mix:0"), blended = get("BlendOverlayPixels/mix:1"),
                 randomMix = get("BlendOverlayPixels/mix:2");
    const double memcpyTime = get("MemcpyOfThePixels"), tick = get("TickerTick");
    const double megapixels = static_cast<double>(kBlendWidth) * kBlendHeight / 1e6;
    std::printf("\nRatios from this run:\n");
    if (compose > 0 && copy > 0)
        std::printf("  full compose with four overlays / plain copy of the window: %.2f\n", compose / copy);
    if (memcpyTime > 0) {
        const struct {
            const char* what;
            double time;
        } blends[] = {{"runs of opaque, clear, blended", runs}, {"every pixel blended", blended},
                      {"T random per pixel", randomMix}};
        for (const auto& b : blends)
            if (b.time > 0)
                std::printf("  overlay blend, %-31s %8.1f Mpixel/s, %6.1f x the time of memcpy\n", b.what,
                            megapixels / b.time, b.time / memcpyTime);
        std::printf("  memcpy of the same pixels:                     %8.1f Mpixel/s\n", megapixels / memcpyTime);
    }
    if (tick > 0) std::printf("  ticker tick: %.2f us, %.4f%% of the 20 ms period\n", tick * 1e6, tick / 0.020 * 100);
    benchmark::Shutdown();
    return 0;
}
