// The handlers' system services, each handed to the Win32 call that does it.
#include "os/system_services_win.h"

#include "os/drives_win.h"
#include "os/files_win.h"
#include "os/run_and_wait_win.h"
#include "os/shell_win.h"
#include "platform/text_win.h"

namespace os {
namespace {

class Win32System final : public services::SystemServices {
 public:
  // A path or a command line that the code page cannot hold exactly would name something else:
  // it is not started, as a program that cannot be started.
  std::int32_t RunAndWait(const std::string& program, const std::string& commandLine) override {
    const std::optional<std::string> ansiProgram = platform::ToAnsiExactly(program);
    const std::optional<std::string> ansiLine = platform::ToAnsiExactly(commandLine);
    return ansiProgram && ansiLine ? os::RunAndWait(*ansiProgram, *ansiLine) : -1;
  }

  std::optional<std::int64_t> FileLength(const std::string& path) override { return os::FileLength(path); }
  std::optional<std::string> CurrentDirectory() override { return os::CurrentDirectory(); }
  std::optional<std::string> WindowsFolder() override { return os::WindowsFolder(); }
  std::optional<std::string> ProgramFile() override { return os::ProgramFile(); }
  services::DriveFacts DriveFactsOf(char letter) override { return os::DriveFactsOf(letter); }
  bool RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists) override {
    return os::RenameFile(from, to, ifExists);
  }
  bool RemoveFile(const std::string& path) override { return os::RemoveFile(path); }
  bool MarkLeftover(const std::string& path) override { return os::MarkLeftover(path); }
  bool IsLeftover(const std::string& path) override { return os::IsLeftover(path); }

  std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) override {
    return os::OpenWithShell(document, showCommand);
  }
};

}  // namespace

std::unique_ptr<services::SystemServices> MakeSystemServices() { return std::make_unique<Win32System>(); }

}  // namespace os
