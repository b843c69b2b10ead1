// RunAndWait with a tiny program that exits with its argument.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "steps/command_line.h"
#include "os/run_and_wait_win.h"
#include "win_test_support.h"

namespace {

std::string ExitWith() { return wintest::ExeFolder() + "\\exit_with.exe"; }

TEST(RunAndWait, ReturnsTheExitCodeAsASigned32BitNumber) {
  const struct {
    const char* argument;
    std::int32_t result;
  } cases[] = {{"0", 0}, {"3", 3}, {"0x80000000", INT32_MIN}, {"0xFFFFFFFF", -1}, {"0x7FFFFFFF", INT32_MAX}};
  for (const auto& c : cases) {
    EXPECT_EQ(os::RunAndWait(ExitWith(), ExitWith() + " " + c.argument), c.result) << c.argument;
  }
}

// Only the program file named runs, and nothing is looked for: not a file of the command line's
// first word, not one without its extension, not one found by a search. exit_with.exe stands
// beside this test program, the first place a search by a bare name looks.
TEST(RunAndWait, OnlyTheNamedProgramFileRunsAndAMissingOneGivesMinusOneAtOnce) {
  const struct {
    std::string program;
    std::string line;
    std::int32_t result;
  } cases[] = {
      {ExitWith(), "HPUSBF 7", 7},  // the first word names another program: it stays a word
      {"Z:\\no\\such\\folder\\HPUSBF.exe", "Z:\\no\\such\\folder\\HPUSBF  E:", -1},
      {"Z:\\no\\such\\folder\\exit_with.exe", "exit_with 7", -1},
      {wintest::ExeFolder() + "\\exit_with", "exit_with 7", -1},
  };
  for (const auto& c : cases) {
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(os::RunAndWait(c.program, c.line), c.result) << c.program;
    // A program that cannot be started is not waited for; one that runs takes its start-up time,
    // seconds under the virtual machine's emulation.
    if (c.result == -1) {
      EXPECT_LT(::GetTickCount() - start, 1000u) << c.program;
    }
  }
}

TEST(RunAndWait, ProgramSeesItsCommandLineByteForByte) {
  const std::string log = wintest::NewTempFolder("cmdline") + "\\line.txt";
  ::SetEnvironmentVariableA("EXIT_WITH_LOG", log.c_str());
  for (const std::string& line : {ExitWith() + "  0  E: -FS:FAT32   -Y", std::string("wget 0 -t3 -nH -P .")}) {
    EXPECT_EQ(os::RunAndWait(ExitWith(), line), 0) << line;
    EXPECT_EQ(wintest::ReadFile(log), line);
  }
  ::SetEnvironmentVariableA("EXIT_WITH_LOG", nullptr);
}

// The quoting must give back every token when the line is split again.
TEST(QuoteArgument, RoundTripsThroughCommandLineToArgvW) {
  const std::vector<std::string> tokens = {
      "C:\\Program Files\\VKR\\HPUSBF", "E:", "-S:C:\\Program Files\\VKR\\SYSLINUX", "a\"b", "a b\\",
      "a\\\\\"b c", "\\\\server\\share x", "tab\there", "plain", "trailing\\\\", "\"", " "};
  std::string line = "program";
  for (const auto& t : tokens) line += " " + steps::QuoteArgument(t);
  std::wstring wide(line.begin(), line.end());
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(wide.c_str(), &count);
  ASSERT_NE(argv, nullptr);
  ASSERT_EQ(count, static_cast<int>(tokens.size()) + 1);
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::wstring got(argv[i + 1]);
    EXPECT_EQ(std::string(got.begin(), got.end()), tokens[i]) << i;
  }
  ::LocalFree(argv);
}

}  // namespace
