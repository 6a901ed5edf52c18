#pragma once

#include <filesystem>
#include <optional>

namespace vidmora::bench {

// Starts the engine as the front ends start it (the data folder, its
// first-start files and the drawing library's templates folder) in the
// folders BenchFolders or the caller chose, and returns the templates folder.
// The engine's warnings go to the standard error; nullopt, with a message
// there, when the data folder cannot be prepared (the caller then ends, so
// that its folders are removed). Call it after the QGuiApplication is made.
std::optional<std::filesystem::path> StartEngineForBenchmark();

}  // namespace vidmora::bench
