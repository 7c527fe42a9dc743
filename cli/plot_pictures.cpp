// TPlotPictures: finds and loads the picture module beside the runner (in the build) or in
// its library folder (installed), and paints plots through it.
#include "cli/plot_pictures.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <vector>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"

namespace NuvixCli {
namespace {

// The module's places relative to the runner's own folder.
std::vector<std::filesystem::path> ModulePlaces() {
#ifdef VARNEX_PICTURE_MODULE
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    if (ec) return {};
    return {folder / VARNEX_PICTURE_MODULE, folder / VARNEX_PICTURE_MODULE_DIR / VARNEX_PICTURE_MODULE};
#else
    return {};
#endif
}

} // namespace

bool TPlotPictures::Available() {
#ifdef VARNEX_PICTURE_MODULE
    return true;
#else
    return false;
#endif
}

std::unique_ptr<TPlotPictures> TPlotPictures::Start(std::string& error) {
    if (!Available()) {
        error = "this runner was built without Qt";
        return nullptr;
    }
    error = "the picture module was not found beside the runner";
    for (const std::filesystem::path& place : ModulePlaces()) {
        std::error_code ec;
        if (!std::filesystem::exists(place, ec)) continue;
        // Never closed: Qt's libraries stay loaded until the runner ends.
        void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            error = dlerror();
            return nullptr;
        }
        const auto create = reinterpret_cast<TPictureDrawerFactory>(dlsym(module, kPictureDrawerFactory));
        if (!create) {
            error = place.string() + " has no " + kPictureDrawerFactory;
            return nullptr;
        }
        return std::unique_ptr<TPlotPictures>(new TPlotPictures(std::unique_ptr<TPictureDrawer>(create())));
    }
    return nullptr;
}

std::string TPlotPictures::Draw(TPictureFormat format, const NuvixParser::TPlotPanel& panel, std::string_view title,
                                int width, int height) {
    return drawer_->Draw(format, width, height, [&](NuvixParser::TPlotCanvas& canvas, int w, int h) {
        NuvixParser::TGraphicPanel drawing;
        drawing.Paint(canvas, panel, title, w, h);
    });
}

} // namespace NuvixCli
