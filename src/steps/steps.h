// The three installation steps, written once against the window's services.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "services/form_services.h"

namespace steps {

struct StepMessage;

// Step 1: Command2_Click -> FormatStick -> InstallBootLoader -> CheckFormatResult.
// Step 2: Command1_Click -> CheckDownloadResult.
// Step 3: Command5_Click.
// Each handler runs its chain to the end; no exception leaves it.
class InstallSteps {
 public:
  explicit InstallSteps(services::FormServices& form) : form_(form) {}

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

  services::FormServices& form_;
};

}  // namespace steps
