// The recording test doubles of the window's and the system's services.
#include "fake_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "services/status_sentences.h"

namespace test {

std::string Box(const std::string& prompt, std::int32_t x, std::int32_t y, const std::string& title) {
  return "box: " + title + "|" + prompt + "@" + std::to_string(x) + "," + std::to_string(y);
}

void FakeWindow::SetStatusText(const std::string& text) {
  // The Windows tests measure the status line's sentences from that one list; a sentence
  // written from anywhere else would go unmeasured, and might wrap out of sight.
  const auto& all = services::StatusSentences;
  EXPECT_TRUE(std::any_of(std::begin(all), std::end(all), [&](const auto& s) { return text == s.text; }))
      << "a status sentence missing from services::StatusSentences: \"" << text << "\"";
  status = text;
  calls_.log.push_back("status: " + text);
}

std::int16_t FakeWindow::ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                                   std::int32_t x, std::int32_t y) {
  calls_.log.push_back(Box(prompt, x, y, title) + (style != 0 ? " style " + std::to_string(style) : ""));
  whileBoxOpen();
  return 1;
}

std::int32_t FakeSystem::RunAndWait(const std::string& program, const std::string& commandLine) {
  calls_.log.push_back("run: " + commandLine);
  programs.push_back(program);
  return onRun(commandLine);
}

std::optional<std::int64_t> FakeSystem::FileLength(const std::string& path) {
  calls_.log.push_back("length: " + path);
  auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

services::DriveFacts FakeSystem::DriveFactsOf(char letter) {
  const auto it = drives.find(letter);
  if (it != drives.end()) return it->second;
  constexpr std::uint32_t Removable = 2, Usb = 7;
  return services::DriveFacts{Removable, "\\Device\\HarddiskVolume9", Usb};
}

bool FakeSystem::RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists) {
  const bool replace = ifExists == services::IfTargetExists::Replace;
  calls_.log.push_back("rename: " + from + " -> " + to + (replace ? " (replacing)" : ""));
  auto it = files.find(from);
  if (it == files.end() || locked.count(from) > 0 || locked.count(to) > 0) return false;
  if (!replace && files.count(to) > 0) return false;
  files[to] = it->second;
  files.erase(from);
  leftovers.erase(to);
  if (leftovers.erase(from) > 0) leftovers.insert(to);  // the mark goes with the file
  return true;
}

bool FakeSystem::RemoveFile(const std::string& path) {
  calls_.log.push_back("remove: " + path);
  if (locked.count(path) > 0) return false;
  leftovers.erase(path);
  return files.erase(path) > 0;
}

bool FakeSystem::MarkLeftover(const std::string& path) {
  calls_.log.push_back("mark leftover: " + path);
  if (files.count(path) == 0) return false;
  leftovers.insert(path);
  return true;
}

std::int32_t FakeSystem::OpenWithShell(const std::string& document, std::int32_t showCommand) {
  calls_.log.push_back("shell: " + document + " " + std::to_string(showCommand));
  return shellResult;
}

std::vector<std::string> CallLog::Filter(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& line : log) {
    if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix == "box: " ? 0 : prefix.size()));
  }
  return out;
}

}  // namespace test
