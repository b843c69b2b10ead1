// Format the stick, download the image, put the image on the stick.
#include "steps/steps.h"

#include "services/status_sentences.h"
#include "steps/command_line.h"
#include "steps/drive_check.h"
#include "steps/program_folder.h"

namespace steps {

// A message, where its box opens (screen pixels), and the status sentence that
// follows once the user has closed it.
struct StepMessage {
  const char* text;
  std::int32_t x;
  std::int32_t y;
  const char* status;
};

namespace {

using Message = StepMessage;

// Step 1 and the drive check of step 3.
const Message NoStick{"Laita USB-muisti. Aseman tunnusta ei löytynyt!", 34, 135, services::PutStickInSentence};
const Message WrongDrive{"Väärä aseman tunnus, laita USB-muisti!", 34, 135, services::WrongDriveSentence};
const Message StickGone{"Ei USB-muistia, kytke USB-muisti!", 155, 129, services::PlugStickInSentence};
const Message Formatted{"USB-muisti formatoitu!", 155, 129, services::FormattedSentence};
const Message FormatFailed{"USB-muistin formatointi ei onnistunut!", 155, 129, services::PutStickInSentence};

// Step 2.
const Message Downloaded{"VKR - Solvara Linux ladattu koneellesi!", 155, 129, services::DownloadedSentence};
const Message DownloadFailed{"VKR - Solvara Linuxin lataus epäonnistui!", 155, 129,
                             services::DownloadAgainSentence};

// Step 3: its result messages stand at x 125, not 155.
const Message NoImage{"Solvara ISO-imagea ei löytynyt, lataa VKR-linux ensin!", 155, 129,
                      services::DownloadFirstSentence};
const Message Installed{"VKR Solvara Linux asennettu USB-muistillesi.\r\nVoit nyt bootata Solvaran tikulta!",
                        125, 129, services::InstalledSentence};
const Message InstallFailed{"VKR Solvara Linuxin asennus USB-muistille epäonnistui!", 125, 129,
                            services::InstallFailedSentence};

// An image left by an earlier download is moved aside under this suffix while a
// new one downloads: the downloader would otherwise save the new file as a
// second copy (".1") and the old one would be tested and extracted.
constexpr const char* OldImageSuffix = ".old";
std::string KeptImageName() { return std::string(ImageFileName) + OldImageSuffix; }

// What RunAndWait gives for a program that cannot be started.
constexpr std::int32_t CannotStart = -1;

// Runs one handler body so that nothing thrown leaves the event handler.
template <typename F>
void RunCatchingAll(F&& body) {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

// Once the window has been closed no box opens, and a box that was open when it closed sets no
// status line: the line has gone with the window.
void InstallSteps::Show(const StepMessage& message) {
  if (window_.WindowClosed()) return;
  window_.ShowMessage(message.text, services::MessageTitle, services::MessageStyle, message.x, message.y);
  if (window_.WindowClosed()) return;
  window_.SetStatusText(message.status);
}

// Empty when the current directory cannot be read.
std::optional<std::string> InstallSteps::KnownProgramFolder() {
  const std::optional<std::string> current = system_.CurrentDirectory();
  if (!current) return std::nullopt;
  return steps::ProgramFolder(*current);
}

// For the command lines and the image path. A current directory that cannot be read counts as
// empty (":", which names no folder); steps 1 and 3 have refused every drive before they get here.
std::string InstallSteps::ProgramFolder() { return KnownProgramFolder().value_or(steps::ProgramFolder("")); }

// A tool is started by its full path in the program folder, the folder the program stands in by
// its current directory, and from nowhere else. Without a program folder that can be named, no
// tool can be started: the step goes on as for a tool that is missing.
std::int32_t InstallSteps::RunTool(const char* tool, const std::string& commandLine) {
  const std::optional<std::string> folder = KnownProgramFolder();
  if (!folder) return CannotStart;
  return system_.RunAndWait(ToolPath(*folder, tool), commandLine);
}

// Shows why the drive box cannot be used, if it cannot; true when it was refused.
bool InstallSteps::RefuseDrive(const std::string& drive) {
  DriveContext context{KnownProgramFolder(), system_.ProgramFile(), system_.WindowsFolder(),
                       [this](char letter) { return system_.DriveFactsOf(letter); }};
  switch (CheckDrive(drive, context)) {
    case DriveVerdict::Accepted:
      return false;
    case DriveVerdict::Missing:
      Show(NoStick);
      return true;
    case DriveVerdict::Refused:
      break;
  }
  Show(WrongDrive);
  return true;
}

// --- Step 1 ---------------------------------------------------------------

void InstallSteps::Command2_Click() {
  RunCatchingAll([&] {
    const std::string drive = window_.DriveBoxText();
    if (RefuseDrive(drive)) return;
    FormatStick(drive);
  });
}

void InstallSteps::FormatStick(const std::string& drive) {
  const std::int32_t formatExit = RunTool(FormatTool, FormatCommand(ProgramFolder(), drive));
  // The window handled no notice while the tool ran, so this is the sentence of
  // the last notice before the click: the stick had been pulled out.
  if (window_.StatusText() == services::RemovalSentence) {
    Show(StickGone);
    // The box's modal loop handles a close request too: once the window has gone, the boot
    // loader must not run unseen on a drive whose stick was pulled out.
    if (window_.WindowClosed()) return;
  }
  InstallBootLoader(drive, formatExit);
}

void InstallSteps::InstallBootLoader(const std::string& drive, std::int32_t formatExit) {
  // The drive checked at the click, not the box as it reads now: while the removal message
  // was open the watcher may have put another device's letter there, one that the user
  // never chose and that was never formatted. The next click takes the new letter.
  const std::int32_t bootLoaderExit = RunTool(BootLoaderTool, BootLoaderCommand(ProgramFolder(), drive));
  CheckFormatResult(drive, formatExit, bootLoaderExit);
}

void InstallSteps::CheckFormatResult(const std::string& drive, std::int32_t formatExit,
                                     std::int32_t bootLoaderExit) {
  // A boot menu left on the drive from before proves nothing when a tool failed:
  // both tools must have ended with 0 as well.
  const bool menuFound = system_.FileLength(BootMenuTestPath(drive)).has_value();
  Show(formatExit == 0 && bootLoaderExit == 0 && menuFound ? Formatted : FormatFailed);
}

// --- Step 2 ---------------------------------------------------------------

// The downloader saves the image under its own name in the current directory, and the image is
// tested, moved aside and removed there, by its bare name, which resolves in that same folder:
// nothing is done to a folder of a look-alike name beside it. It is not tested at the fixed path
// C:\Ohjelmatiedostot\VKR\solvara-vkr-live-dvd.iso: that finds the new image only when the
// program was started in that very folder.
//
// The image kept aside (".old") while a download runs is the last good one. Standing there at a
// click of step 2 or 3, it tells that an earlier run ended while its download ran (the user let
// Windows end the unanswering program): it is put back first, over whatever that download left in
// its place. It is never replaced, so that no sequence of broken-off and failed downloads can lose
// it. One that a good download could not remove was marked a leftover: it is removed where it now
// can be, and never put back over the newer image. False when a kept image stands and cannot come
// back under its name.
bool InstallSteps::PutBackKeptImage() {
  const std::string kept = KeptImageName();
  if (!system_.FileLength(kept).has_value()) return true;
  if (system_.IsLeftover(kept)) {
    system_.RemoveFile(kept);
    return true;
  }
  return system_.RenameFile(kept, ImageFileName, services::IfTargetExists::Replace);
}

void InstallSteps::Command1_Click() {
  RunCatchingAll([&] {
    const std::string image = ImageFileName;
    const std::string kept = KeptImageName();
    if (!PutBackKeptImage()) {
      // The good image cannot come back under its name: a download now would bury it.
      Show(DownloadFailed);
      return;
    }
    bool oldImageKept = false;
    if (system_.FileLength(image).has_value()) {
      if (!system_.RenameFile(image, kept, services::IfTargetExists::Fail)) {
        // The old image cannot be moved aside (or a leftover still stands there): a download now
        // would only add a second copy beside it, and the old one would be taken for the new.
        Show(DownloadFailed);
        return;
      }
      oldImageKept = true;
    }
    CheckDownloadResult(RunTool(Downloader, DownloadCommand()), oldImageKept);
  });
}

void InstallSteps::CheckDownloadResult(std::int32_t downloadExit, bool oldImageKept) {
  const std::string image = ImageFileName;
  const std::string kept = KeptImageName();
  const std::optional<std::int64_t> length = system_.FileLength(image);
  if (downloadExit == 0 && length.has_value() && *length > 0) {
    // The older image goes, read-only or not; where another program holds it, it stays marked,
    // so that it is never taken for the image of a broken-off download and put back.
    if (oldImageKept && !system_.RemoveFile(kept)) system_.MarkLeftover(kept);
    Show(Downloaded);
    return;
  }
  // What a failed download left is no image; put the old one back, over it should it still stand.
  if (length.has_value()) system_.RemoveFile(image);
  if (oldImageKept) system_.RenameFile(kept, image, services::IfTargetExists::Replace);
  Show(DownloadFailed);
}

// --- Step 3 ---------------------------------------------------------------

void InstallSteps::Command5_Click() {
  RunCatchingAll([&] {
    const std::string drive = window_.DriveBoxText();
    if (RefuseDrive(drive)) return;
    // Under the image's name may stand what a broken-off download left: never extracted. The
    // image is tested by its bare name, in the current directory, where the extractor reads it.
    if (!PutBackKeptImage()) {
      Show(InstallFailed);
      return;
    }
    if (!system_.FileLength(ImageFileName).has_value()) {
      Show(NoImage);
      return;
    }
    const std::int32_t extractExit = RunTool(Extractor, ExtractCommand(drive));
    Show(extractExit == 0 ? Installed : InstallFailed);
  });
}

}  // namespace steps
