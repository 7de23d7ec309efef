// Frames on the command line: the one parser of --frames that every command uses, the cap on
// frames per run, and for deform which posed file holds which frame and the frame-numbered
// names of the outputs.
#ifndef TAVREN_CLI_FRAMES_H
#define TAVREN_CLI_FRAMES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tavren_cli {

struct PosedFrame {
  int64_t number = 0;  // the frame number the output is named by
  std::string path;    // the posed mesh of that frame
};

// A range of frame numbers, both ends included.
struct FrameRange {
  int64_t first = 0;
  int64_t last = 0;
};

// Largest frame number --frames takes.
constexpr int64_t kMaxFrameNumber = 2147483647;

// in: text "A-B" or "A" (whole numbers 0 ... kMaxFrameNumber, A <= B). out: the range;
// throws CommandError naming the rule the text breaks.
FrameRange ParseFrameRange(const std::string& text);

// in: count, the frames a run is about to evaluate; what, where they come from ("--frames
// 0-100000000"). Throws CommandError when count exceeds hostapp::kMaxFramesPerRun.
void CheckFrameCount(int64_t count, const std::string& what);

// out: true when path holds one printf-style frame field (%d, %4d or %04d, ...); "%%"
// stands for a plain '%'.
bool IsFramePattern(const std::string& path);
// in: pattern (IsFramePattern), frame. out: the pattern with its field replaced by frame,
// zero-padded or space-padded to the field's width.
std::string ExpandFramePattern(const std::string& pattern, int64_t frame);

// The posed frames to process.
// in: posed, the --posed values: one pattern (then range is required and gives the frames),
//     or files (numbered by the digits at the end of their names when all have distinct
//     ones, else 1, 2, ... in the order given); range, when has_range, keeps only the
//     frames in it. out: frames by ascending number; throws CommandError for a pattern
//     without a range, a pattern among other files, or a range that selects nothing.
std::vector<PosedFrame> ListPosedFrames(const std::vector<std::string>& posed, bool has_range, const FrameRange& range);

// in: folder, frame. out: folder/deformed_NNNN.obj (at least four digits).
std::string FrameOutputPath(const std::string& folder, int64_t frame);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_FRAMES_H
