// The three installation steps, written once against what they need of the window and of the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "services/system_services.h"
#include "services/window_services.h"

namespace steps {

struct StepMessage;

// Step 1: Command2_Click -> FormatStick -> InstallBootLoader -> CheckFormatResult.
// Step 2: Command1_Click -> CheckDownloadResult.
// Step 3: Command5_Click.
// Each handler runs its chain to the end; no exception leaves it.
class InstallSteps {
 public:
  InstallSteps(services::WindowServices& window, services::SystemServices& system)
      : window_(window), system_(system) {}

  void Command2_Click();
  void Command1_Click();
  void Command5_Click();

 private:
  // Step 1's chain names the drive checked at the click, passed along.
  void FormatStick(const std::string& drive);
  void InstallBootLoader(const std::string& drive, std::int32_t formatExit);
  void CheckFormatResult(const std::string& drive, std::int32_t formatExit, std::int32_t bootLoaderExit);
  void CheckDownloadResult(std::int32_t downloadExit, bool oldImageKept);
  bool PutBackKeptImage();

  bool RefuseDrive(const std::string& drive);
  std::optional<std::string> KnownProgramFolder();
  std::string ProgramFolder();
  std::int32_t RunTool(const char* tool, const std::string& commandLine);
  void Show(const StepMessage& message);

  services::WindowServices& window_;
  services::SystemServices& system_;
};

}  // namespace steps
