// Tests of the driver's scenario reading and event lines, against Windows' own code page 1252 and Form1's control table.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario.h"
#include "window/controls.h"

namespace {

std::string Utf8FromCp1252ByWindows(const std::string& bytes) {
  wchar_t wide[8] = {};
  int n = ::MultiByteToWideChar(1252, 0, bytes.data(), static_cast<int>(bytes.size()), wide, 8);
  char utf8[16] = {};
  int m = ::WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
  return std::string(utf8, m);
}

bool Undefined1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// Every printable byte reads as the character that Windows gives it in code page
// 1252, so two different bytes can never make the same event line.
TEST(EscapeAnsi, PrintableBytesReadAsWindowsCodePage1252) {
  for (int b = 0x21; b <= 0xFF; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    if (byte == '\\' || byte == 0x7F || Undefined1252(byte)) continue;
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(e2e::EscapeAnsi(one), Utf8FromCp1252ByWindows(one)) << "byte 0x" << std::hex << b;
  }
}

TEST(EscapeAnsi, WritesInvisibleAndAmbiguousBytesAsEscapes) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"USB-muisti formatoitu!", "USB-muisti formatoitu!"},
      {"ep\xe4onnistui, l\xf6ytynyt, \xc4", "epäonnistui, löytynyt, Ä"},
      {"\xa9", "©"},
      {"tilillesi.\r\nVoit", "tilillesi.\\r\\nVoit"},
      {"a\\b", "a\\\\b"},
      {"\\x20", "\\\\x20"},  // a literal backslash-x is not taken for an escape
      {"asennus... ", "asennus...\\x20"},
      {" E:", "\\x20E:"},
      {" ", "\\x20"},
      {"Vakkura -  Solvara", "Vakkura -  Solvara"},
      {"a\tb\x01\x7f", "a\\tb\\x01\\x7f"},
      {"\x81\x8d\x8f\x90\x9d", "\\x81\\x8d\\x8f\\x90\\x9d"},
      {std::string("a\0b", 3), "a\\x00b"},
  };
  for (const Case& c : cases) EXPECT_EQ(e2e::EscapeAnsi(c.in), c.out) << c.in;
}

// What a scenario types is what an event line of the same bytes would show.
TEST(UnescapeToAnsi, IsTheReverseOfEscapeAnsi) {
  std::string every;
  for (int b = 1; b <= 0xFF; ++b) every += static_cast<char>(b);
  EXPECT_EQ(e2e::UnescapeToAnsi(e2e::EscapeAnsi(every)), every);

  struct Case {
    std::string escaped;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"E: -Y", "E: -Y"},
      {"\\x20-Y", " -Y"},
      {"\\\\x20", "\\x20"},  // an escaped backslash, then plain text
      {"\\b\\b", "\b\b"},
      {"äÄö©", "\xe4\xc4\xf6\xa9"},
      {"€", "\x80"},
      {"\\xe4", "\xe4"},
      {"\\xg1", "\\xg1"},  // not a hex escape: kept as written
      {"trailing\\", "trailing\\"},
      {"ő", "?"},  // no such character in code page 1252
  };

  for (const Case& c : cases) EXPECT_EQ(e2e::UnescapeToAnsi(c.escaped), c.bytes) << c.escaped;
}

TEST(EventLines, EmptyTextGivesTheKindAlone) {
  EXPECT_EQ(e2e::EventLine("status", ""), "status");
  EXPECT_EQ(e2e::EventLine("drive", "E:"), "drive E:");
  EXPECT_EQ(e2e::BoxEvent("USB-asennus", "A.\r\nB!", 125, 129), "box USB-asennus|A.\\r\\nB!@125,129");
  EXPECT_EQ(e2e::BoxEvent("\xa9", "", -3, 0), "box ©|@-3,0");
}

TEST(ParseScenario, ReadsStepsAndSkipsCommentsBlanksAndLineEnds) {
  const std::string content =
      "# a comment\r\n"
      "start\r\n"
      "\n"
      "   \n"
      "status\n"
      "status Laita USB-muisti!   \n"
      "click 3\n"
      "box USB-asennus|a # not a comment@1,2\n"
      "host shot {window}";
  std::vector<std::string> errors;
  const std::vector<e2e::Step> steps = e2e::ParseScenario(content, errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(steps.size(), 6u);
  EXPECT_EQ(steps[0].kind, e2e::StepKind::Start);
  EXPECT_EQ(steps[0].number, 2);
  EXPECT_EQ(steps[1].line, "status");
  EXPECT_EQ(steps[1].argument, "");
  EXPECT_EQ(steps[2].line, "status Laita USB-muisti!");
  EXPECT_EQ(steps[2].number, 6);
  EXPECT_EQ(steps[3].argument, "3");
  EXPECT_EQ(steps[4].line, "box USB-asennus|a # not a comment@1,2");
  EXPECT_EQ(steps[5].argument, "shot {window}");
}

TEST(ParseScenario, RefusesWhatItCannotPerform) {
  const std::vector<std::string> bad = {"press 1",          "click 4",           "click",
                                        "box",              "host",              "exit",
                                        "type",             "Status x",          "notices 10 arrive E:",
                                        "notices 0 arrival E:", "notices 5 arrival e:", "notices 5 removal E",
                                        "notices 5 removal E: x", "notices 5 removal E: in-box x", "boxes none",   "memory within",
                                        "memory now",       "module",            "no-dll",
                                        "no-dll a b",       "no-dll C:\\x.dll"};
  for (const std::string& line : bad) {
    std::vector<std::string> errors;
    EXPECT_TRUE(e2e::ParseScenario(line + "\n", errors).empty()) << line;
    EXPECT_EQ(errors.size(), 1u) << line;
  }
}

// A burst alternates arrival and removal over the letters D to Y, and ends with the notice
// that its line names, so that the drive box and the status line then have one right answer.
TEST(NoticeBurst, EndsWithTheNamedNotice) {
  std::vector<std::string> errors;
  const auto steps = e2e::ParseScenario("notices 25 removal G:\nnotices 3 arrival E: in-box\n", errors);
  ASSERT_EQ(steps.size(), 2u);
  e2e::NoticeBurst burst{};
  ASSERT_TRUE(e2e::ParseNotices(steps[1].argument, burst));
  EXPECT_TRUE(burst.inBox);
  ASSERT_TRUE(e2e::ParseNotices(steps[0].argument, burst));
  EXPECT_FALSE(burst.inBox);
  std::string seen;
  for (int i = 0; i < burst.count; ++i) {
    const e2e::NoticeBurst n = e2e::NoticeAt(burst, i);
    seen += (n.arrival ? '+' : '-');
    seen += n.letter;
  }
  EXPECT_EQ(seen, "+D-E+F-G+H-I+J-K+L-M+N-O+P-Q+R-S+T-U+V-W+X-Y+D-E-G");
}

// The driver finds controls by id, 100 + the index in the control table: if the
// table changes, "click 1" must still press the button captioned "1. ...".
TEST(ControlIds, NameTheControlsOfForm1) {
  struct Case {
    int id;
    const char* control;
    const char* caption;
  };
  const std::vector<Case> cases = {
      {e2e::ButtonId("1"), "Command2", "1. Alusta usb-muisti"},
      {e2e::ButtonId("2"), "Command1", "2. Lataa VKR-linux"},
      {e2e::ButtonId("3"), "Command5", "3. Asenna VKR-linux usb-muistille"},
      {e2e::ButtonId("sulje"), "Command3", "Sulje"},
      {e2e::ButtonId("help"), "Image4", ""},
      {e2e::ButtonId("credit"), "Label7", "Tekij\xC3\xA4: VKR"},
      {e2e::DriveBoxId, "Text1", ""},
      {e2e::StatusLineId, "Label4", ""},
      {e2e::WebLinkId, "Label5", "vakkura.example"},
  };
  const auto& table = window::Form1Controls();
  for (const Case& c : cases) {
    const std::size_t index = window::ControlIndex(c.control);
    EXPECT_EQ(c.id, static_cast<int>(100 + index)) << c.control;
    EXPECT_STREQ(table[index].text, c.caption) << c.control;
  }
}

}  // namespace
