// TPlotPictures in a build without Qt: there are none; the runner says so when asked.
#include "cli/plot_pictures.h"

namespace NuvixCli {

bool TPlotPictures::Available() {
    return false;
}

std::unique_ptr<TPlotPictures> TPlotPictures::Start() {
    return nullptr;
}

} // namespace NuvixCli
