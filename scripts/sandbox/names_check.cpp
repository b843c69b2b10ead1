// A build-time check: where the sandbox (names.sh) restates a name that the program itself holds,
// the two must agree, or the demo and the end-to-end tests would serve, or look for, files that
// the program never asks for. Nothing here is run.
#include <string_view>

#include "publisher.h"
#include "sandbox_names.h"
#include "steps/command_line.h"
#include "steps/program_folder.h"

namespace {

// True when the blank-separated list holds the word.
constexpr bool ListHolds(std::string_view list, std::string_view word) {
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    if (list.substr(0, blank) == word) return true;
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return false;
}

static_assert(std::string_view(SANDBOX_IMAGE_NAME) == steps::ImageFileName,
              "SANDBOX_IMAGE_NAME must be the image the program downloads (steps/program_folder.h)");
static_assert(std::string_view("http://" SANDBOX_DOWNLOAD_HOST) == publisher::DownloadServer,
              "SANDBOX_DOWNLOAD_HOST must be the program's download server (resources/publisher.h)");
static_assert(ListHolds(SANDBOX_STANDINS, steps::FormatTool) && ListHolds(SANDBOX_STANDINS, steps::BootLoaderTool) &&
                  ListHolds(SANDBOX_STANDINS, steps::Downloader) && ListHolds(SANDBOX_STANDINS, steps::Extractor),
              "SANDBOX_STANDINS must name every tool by the file the program starts (steps/program_folder.h)");
static_assert(ListHolds(SANDBOX_SYSLINUX_MODULES, steps::BootMenuFileName),
              "SANDBOX_SYSLINUX_MODULES must hold the boot menu that step 1 looks for (steps/command_line.h)");

}  // namespace
