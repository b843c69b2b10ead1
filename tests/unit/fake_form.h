// A test double of the window's services that records every call in order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "services/form_services.h"

namespace test {

class FakeForm : public services::FormServices {
 public:
  FakeForm() = default;
  // The tests' callbacks refer to their form by reference: a copy would act on the original.
  FakeForm(const FakeForm&) = delete;
  FakeForm& operator=(const FakeForm&) = delete;

  // What the window holds.
  std::string driveBox;
  std::string status;
  // Empty: the system cannot tell.
  std::optional<std::string> currentDirectory = "C:\\Ohjelmatiedostot\\VKR";
  std::optional<std::string> windowsFolder = "C:\\windows";
  std::optional<std::string> programFile = "C:\\Ohjelmatiedostot\\VKR\\USB.exe";
  // What the system says of a drive letter; a letter not listed is a USB stick.
  std::map<char, services::DriveFacts> drives;
  std::map<std::string, std::int64_t> files;  // path -> length
  std::set<std::string> locked;                // files that can be neither renamed nor removed
  std::set<std::string> leftovers;             // files marked as leftovers
  // Set once the window has been closed (say, by whileBoxOpen).
  bool closed = false;
  std::int32_t shellResult = 42;

  // Runs a command: by default exit code 0 and nothing else happens.
  std::function<std::int32_t(const std::string&)> onRun = [](const std::string&) { return 0; };
  // Runs while a message box is open (the watcher may rewrite the box meanwhile).
  std::function<void()> whileBoxOpen = [] {};

  // Everything that happened, in order, one line each; and the program file of each run.
  std::vector<std::string> log;
  std::vector<std::string> programs;

  std::vector<std::string> Runs() const { return Filter("run: "); }
  std::vector<std::string> Boxes() const { return Filter("box: "); }

  std::string DriveBoxText() override { return driveBox; }
  std::string StatusText() override { return status; }
  void SetStatusText(const std::string& text) override;
  std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                           std::int32_t x, std::int32_t y) override;
  std::int32_t RunAndWait(const std::string& program, const std::string& commandLine) override;
  std::optional<std::int64_t> FileLength(const std::string& path) override;
  std::optional<std::string> CurrentDirectory() override { return currentDirectory; }
  std::optional<std::string> WindowsFolder() override { return windowsFolder; }
  std::optional<std::string> ProgramFile() override { return programFile; }
  services::DriveFacts DriveFactsOf(char letter) override;
  bool RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists) override;
  bool RemoveFile(const std::string& path) override;
  bool MarkLeftover(const std::string& path) override;
  bool IsLeftover(const std::string& path) override { return leftovers.count(path) > 0; }
  std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) override;
  bool WindowClosed() override { return closed; }

 private:
  std::vector<std::string> Filter(const std::string& prefix) const;
};

// "box: <title>|<prompt>@x,y" as the log writes it.
std::string Box(const std::string& prompt, std::int32_t x, std::int32_t y, const std::string& title = "USB-asennus");

}  // namespace test
