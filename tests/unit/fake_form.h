// Test doubles of the window's and the system's services that record every call, in one order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "services/system_services.h"
#include "services/window_services.h"

namespace test {

// Everything that happened, in order, one line each, whichever double it happened to.
class CallLog {
 public:
  std::vector<std::string> log;

  std::vector<std::string> Runs() const { return Filter("run: "); }
  std::vector<std::string> Boxes() const { return Filter("box: "); }

 private:
  std::vector<std::string> Filter(const std::string& prefix) const;
};

// The window: its drive box, its status line, its message boxes, and whether it has closed.
class FakeWindow : public services::WindowServices {
 public:
  explicit FakeWindow(CallLog& calls) : calls_(calls) {}

  std::string driveBox;
  std::string status;
  // Set once the window has been closed (say, by whileBoxOpen).
  bool closed = false;
  // Runs while a message box is open (the watcher may rewrite the box meanwhile).
  std::function<void()> whileBoxOpen = [] {};

  std::string DriveBoxText() override { return driveBox; }
  std::string StatusText() override { return status; }
  void SetStatusText(const std::string& text) override;
  std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                           std::int32_t x, std::int32_t y) override;
  bool WindowClosed() override { return closed; }

 private:
  CallLog& calls_;
};

// The system: its folders, drives and files, the tools it runs and the shell.
class FakeSystem : public services::SystemServices {
 public:
  explicit FakeSystem(CallLog& calls) : calls_(calls) {}

  // Empty: the system cannot tell.
  std::optional<std::string> currentDirectory = "C:\\Ohjelmatiedostot\\VKR";
  std::optional<std::string> windowsFolder = "C:\\windows";
  std::optional<std::string> programFile = "C:\\Ohjelmatiedostot\\VKR\\USB.exe";
  // What the system says of a drive letter; a letter not listed is a USB stick.
  std::map<char, services::DriveFacts> drives;
  std::map<std::string, std::int64_t> files;  // path -> length
  std::set<std::string> locked;                // files that can be neither renamed nor removed
  std::set<std::string> leftovers;             // files marked as leftovers
  std::int32_t shellResult = 42;

  // Runs a command: by default exit code 0 and nothing else happens.
  std::function<std::int32_t(const std::string&)> onRun = [](const std::string&) { return 0; };
  // The program file of each run, in order.
  std::vector<std::string> programs;

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

 private:
  CallLog& calls_;
};

// A window and its system with one log: the handlers take it for either.
class FakeForm : public CallLog, public FakeWindow, public FakeSystem {
 public:
  // CallLog, the first base, is whole before the other two are made with it.
  FakeForm() : FakeWindow(static_cast<CallLog&>(*this)), FakeSystem(static_cast<CallLog&>(*this)) {}
  // The tests' callbacks refer to their form by reference: a copy would act on the original.
  FakeForm(const FakeForm&) = delete;
  FakeForm& operator=(const FakeForm&) = delete;
};

// "box: <title>|<prompt>@x,y" as the log writes it.
std::string Box(const std::string& prompt, std::int32_t x, std::int32_t y, const std::string& title = "USB-asennus");

}  // namespace test
