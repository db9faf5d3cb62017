#include "imaging/CellResample.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// One source pixel's share of a target pixel along one axis.
struct Tap {
    int source;
    int weight;
};

// The taps of every target position when `from` pixels become `to`: target t
// covers [t * from, (t + 1) * from) and source s covers [s * to, (s + 1) * to) on a
// common axis, so a target's weights sum to `from`. first[t] .. first[t + 1] are t's.
struct AxisTaps {
    std::vector<Tap> taps;
    std::vector<int> first;
};

AxisTaps MakeTaps(int from, int to) {
    AxisTaps axis;
    axis.first.reserve(static_cast<std::size_t>(to) + 1);
    for (int t = 0; t < to; ++t) {
        axis.first.push_back(static_cast<int>(axis.taps.size()));
        const long long begin = static_cast<long long>(t) * from;
        const long long end = begin + from;
        for (long long s = begin / to; s * to < end; ++s) {
            const long long weight = std::min(end, (s + 1) * to) - std::max(begin, s * to);
            axis.taps.push_back(Tap{static_cast<int>(s), static_cast<int>(weight)});
        }
    }
    axis.first.push_back(static_cast<int>(axis.taps.size()));
    return axis;
}

// How much a pixel's colour counts beside its neighbours' when they are averaged:
// by its opacity (T 0 opaque, 255 clear), as the blend shows it, so the colour
// hidden under a clear pixel does not darken a half-clear edge. A clear pixel
// still counts a little, so a wholly clear area keeps its plain average.
constexpr unsigned OpacityWeight(std::uint8_t t) noexcept { return (255u - t) * 256u + 1u; }

// One source row averaged across into `out`, cell by cell: for each target pixel
// a weighted sum of each channel, then the sum of its colours' weights.
void AverageAcross(const std::uint8_t* in, int cells, int sourceCellWidth, int targetCellWidth, int channels,
                   int transparencyChannel, const AxisTaps& columns, unsigned long long* out) {
    for (int cell = 0; cell < cells; ++cell) {
        const std::uint8_t* cellIn = in + static_cast<std::size_t>(cell) * sourceCellWidth * channels;
        for (int x = 0; x < targetCellWidth; ++x, out += channels + 1) {
            for (int c = columns.first[x]; c < columns.first[x + 1]; ++c) {
                const Tap tap = columns.taps[c];
                const std::uint8_t* pixel = cellIn + static_cast<std::size_t>(tap.source) * channels;
                const unsigned long long weight = static_cast<unsigned>(tap.weight);
                const unsigned long long colourWeight =
                    weight * (transparencyChannel < 0 ? 1 : OpacityWeight(pixel[transparencyChannel]));
                for (int k = 0; k < channels; ++k)
                    out[k] += pixel[k] * (k == transparencyChannel ? weight : colourWeight);
                out[channels] += colourWeight;
            }
        }
    }
}

}  // namespace

bool ResampleCells(const PixelView& source, int sourceCellWidth, const PixelView& target, int targetCellWidth,
                   int cells, int transparencyChannel) {
    if (!source.IsValid() || !target.IsValid() || source.bytesPerPixel != target.bytesPerPixel) return false;
    if (cells <= 0 || sourceCellWidth <= 0 || targetCellWidth <= 0) return false;
    if (static_cast<long long>(sourceCellWidth) * cells > source.width ||
        static_cast<long long>(targetCellWidth) * cells > target.width)
        return false;

    const int channels = source.bytesPerPixel;
    const std::size_t targetPixels = static_cast<std::size_t>(targetCellWidth) * cells;
    if (sourceCellWidth == targetCellWidth && source.height == target.height) {
        // Art of the very size wanted, the common case: copied as it is.
        for (int y = 0; y < target.height; ++y)
            std::memcpy(target.MemoryRow(y), source.MemoryRow(y), targetPixels * channels);
        return true;
    }
    const AxisTaps columns = MakeTaps(sourceCellWidth, targetCellWidth);
    const AxisTaps rows = MakeTaps(source.height, target.height);
    const unsigned long long total = static_cast<unsigned long long>(sourceCellWidth) * source.height;
    const int slots = channels + 1;
    std::vector<unsigned long long> sums(targetPixels * slots);
    std::vector<unsigned long long> across(targetPixels * slots);

    int acrossRow = -1;  // the source row `across` holds
    for (int y = 0; y < target.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int r = rows.first[y]; r < rows.first[y + 1]; ++r) {
            // A source row under two target rows is averaged across once for both.
            if (rows.taps[r].source != acrossRow) {
                acrossRow = rows.taps[r].source;
                std::fill(across.begin(), across.end(), 0);
                AverageAcross(source.MemoryRow(acrossRow), cells, sourceCellWidth, targetCellWidth, channels,
                              transparencyChannel, columns, across.data());
            }
            const auto weight = static_cast<unsigned long long>(rows.taps[r].weight);
            for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += across[i] * weight;
        }
        std::uint8_t* write = target.MemoryRow(y);
        for (const unsigned long long* sum = sums.data(); sum != sums.data() + sums.size(); sum += slots) {
            const unsigned long long colourTotal = sum[channels];
            for (int k = 0; k < channels; ++k) {
                const unsigned long long divisor = k == transparencyChannel ? total : colourTotal;
                *write++ = static_cast<std::uint8_t>((sum[k] + divisor / 2) / divisor);
            }
        }
    }
    return true;
}

}  // namespace imaging
