#pragma once

namespace vidmora {

// What the program's start creates when it is missing, for every front end:
// the data folder, "preference.xml" with the first-start values (beside the
// source, suffix "_new", the documents folder as custom folder) and the demo
// template. Returns false when "preference.xml" had to be made and could not be.
bool PrepareDataFolder();

}  // namespace vidmora
