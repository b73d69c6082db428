#pragma once

#include <cstdint>
#include <string_view>

namespace chronoreel {

class DIB;

// The preview of a generation run: the windows implement it, a run without windows has none.
// The run only writes texts and frames into it; Cancel reaches the run through
// MovieGen::SetCancelMovie.
class RunView {
  public:
    virtual ~RunView() = default;

    // Opens and shows the preview with a cleared picture; the run writes its texts next.
    virtual void Open() = 0;
    virtual void SetStatus(std::string_view text) = 0;
    virtual void SetFrameText(std::string_view text) = 0;
    // Sizes the picture area before the frame loop; width and height are 0 while the movie size
    // is still open (it will come from the first readable image).
    virtual void PrepareForMovieSize(std::int32_t width, std::int32_t height) = 0;
    // Shows the frame that is about to be written; firstFrame is true for the first one.
    virtual void ShowFrame(const DIB& movieSurface, bool firstFrame) = 0;
    // Repaints at once.
    virtual void Refresh() = 0;
    // A message box of the run ("There was an error writing the AVI file.").
    virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
    // Closes the preview at the end of the run.
    virtual void Close() = 0;
    // An interactive run ends with the main window in front.
    virtual void BringMainWindowToFront() = 0;
};

}  // namespace chronoreel
