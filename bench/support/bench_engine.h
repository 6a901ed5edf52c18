#pragma once

#include <filesystem>

namespace vidmora::bench {

// Starts the engine as the front ends start it (the data folder, its
// first-start files and the drawing library's templates folder) in the
// folders BenchFolders or the caller chose, and returns the templates folder.
// The engine's warnings go to the standard error; a data folder that cannot
// be prepared stops the program with a message. Call it after the
// QGuiApplication is made.
std::filesystem::path StartEngineForBenchmark();

}  // namespace vidmora::bench
