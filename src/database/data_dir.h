// Finding the folder of the shipped data files (form.dat, search.dat,
// keywords.dat, help/).
#pragma once

#include <string>

namespace duvra {

// The folder that holds the running executable, ending with "/"; empty when
// it cannot be told.
std::string ExecutableDir();

// The data folder, ending with "/": $DUVRA_DATA_DIR when set, else "data/"
// beside the executable (a build tree), else "../share/duvra/" from the
// executable (an install), else the source tree's data folder. The first
// that holds keywords.dat wins.
std::string FindDataDir();

}  // namespace duvra
