// Placeholder until the windows arrive.
namespace chronoreel::ui {}
