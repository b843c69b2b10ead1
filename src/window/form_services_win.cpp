// Form1's real services for the handlers: its controls, MsgBoxEx, RunAndWait, the steps' file-system calls, the shell.
#include <windows.h>

#include "msgbox/msgbox_win.h"
#include "os/drives_win.h"
#include "os/files_win.h"
#include "os/run_and_wait_win.h"
#include "os/shell_win.h"
#include "platform/text_win.h"
#include "window/form1_win.h"

namespace window {
namespace {

static_assert(services::MessageStyle == MB_OK, "form_services.h's message style is MB_OK");

class WindowServices final : public services::FormServices {
 public:
  explicit WindowServices(Form1& form) : form_(form) {}

  std::string DriveBoxText() override { return form_.DriveBoxText(); }
  std::string StatusText() override { return form_.StatusText(); }
  void SetStatusText(const std::string& text) override { form_.SetStatusText(text); }

  std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                           std::int32_t x, std::int32_t y) override {
    return msgbox::MsgBoxEx(form_.Handle(), prompt, title, style, x, y);
  }

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

  bool WindowClosed() override { return form_.Closed(); }

 private:
  Form1& form_;
};

}  // namespace

std::unique_ptr<services::FormServices> MakeFormServices(Form1& form) { return std::make_unique<WindowServices>(form); }

}  // namespace window
