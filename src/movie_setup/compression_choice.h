#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "video/video_compressors.h"

namespace chronoreel {

class MovieGen;

// The quality the compression dialog proposes for a lossy compressor whose stored quality
// would otherwise show as 0 % (or as the encoder's default): never the worst quality silently.
inline constexpr int kProposedQualityPercent = 75;

// What the compression dialog edits: one of the compressors this build can write and its
// settings, in the dialog's own units.
struct CompressionChoice {
    std::int32_t handler = 0;  // code of an entry of the available compressors
    int qualityPercent = 0;    // 0..100, stored as percent x 100
    bool keyFramesSet = false;
    std::int32_t keyFrameEvery = 0;  // frames
    bool dataRateSet = false;
    std::int32_t bytesPerSecond = 0;
    std::string extraOptions;  // "key=value:key=value"
};

// The dialog's opening state.
struct CompressionDialogStart {
    CompressionChoice choice;
    // The stored compressor code when this build cannot write it (the dialog then opens on the
    // first available compressor and says so).
    std::optional<std::string> unavailableCode;
};

// Position in `available` of the compressor that writes the stored code (its aliases and letter
// case included; 0 means uncompressed), or nothing.
std::optional<std::size_t> CompressorIndex(const std::vector<VideoCompressor>& available,
                                           std::int32_t handler);

// The quality to show for a compressor: a lossy one at 0 % (or below) gets the proposal.
int ShownQualityPercent(int percent, bool lossy);

// Stored quality (0..10000, -1 for the encoder's default) as whole percent, rounded down.
int QualityPercentOf(std::int32_t storedQuality);

// Opens on the stored choice: compressor, quality, key frames every N (the frame rate when none
// is stored), data rate (300 KB/s when none is stored) and the extra options held in the
// parameter bytes.
CompressionDialogStart CompressionDialogStartOf(const MovieGen& gen,
                                                const std::vector<VideoCompressor>& available);

// Asks the encoder whether it takes the choice (the extra options above all) at this frame
// rate: the reason when not.
std::optional<std::string> CheckCompressionChoice(const CompressionChoice& choice,
                                                  std::int32_t framesPerSecond);

// Stores the choice through the MovieGen setters: the parameter bytes (the extra options,
// zero-terminated) and their count, then the data rate, the flags, the key-frame interval, the
// quality, the compressor and the stream type. The format bytes and the interleave setting are
// not the dialog's and stay as they are.
void StoreCompressionChoice(MovieGen& gen, const CompressionChoice& choice);

}  // namespace chronoreel
