// Scenario scripts of the end-to-end driver: their steps, and the event lines that USB.exe's texts become.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "window/controls.h"

namespace e2e {

// What one line of a scenario asks for. Actions do something to USB.exe or to the
// machine around it; observations read what USB.exe shows and check it against the
// line itself, which is written exactly as the event line that the driver prints.
enum class StepKind {
  Start,       // start USB.exe in the program folder and wait for its window
  Attach,      // take the USB.exe window that is already running
  Click,       // click 1, 2, 3 or sulje: post BM_CLICK to that button; click help or credit: the picture or label
  Host,        // host WORDS: ask the Linux side to do something (plug the stick...) and check its answer
  Type,        // type TEXT: post each character to the drive box as WM_CHAR, as keys arrive
  Close,       // post WM_CLOSE to the window
  Sleep,       // sleep MS
  NoDll,       // no-dll NAME: the USB.exe started from here on runs without Wine's DLL NAME
  Window,      // window TITLE
  Box,         // box TITLE|TEXT@X,Y: wait for a message box, read it, press its OK
  Status,      // status TEXT
  Drive,       // drive TEXT
  WaitDrive,   // wait-drive TEXT: until the drive box holds TEXT
  WaitStatus,  // wait-status TEXT: until the status line holds TEXT
  Exit,        // exit CODE: wait for USB.exe to end and check its exit code
  Module,      // module PATH: the path under which USB.exe holds the DLL of PATH's file name
  DesktopShell,  // desktop-shell: until the desktop's shell (Wine's explorer.exe) takes requests
  // The soak: load the program as a long session would, and print what it costs.
  Notices,     // notices COUNT arrival|removal X: [in-box]: a burst of volume notices, the last one as given
  Boxes,       // boxes COUNT: open the help box and close it, COUNT times one after another
  Memory,      // memory mark, memory within KB: the working set now, against the mark
};

struct Step {
  StepKind kind;
  std::string line;      // the whole line; for an observation, the event line expected
  std::string argument;  // what follows the first word
  int number;            // line number in the scenario file, from 1
};

// True for the steps whose line is compared with what the driver observed.
bool IsCheck(StepKind kind);

// Parses a scenario file's content (UTF-8). Blank lines and lines starting with '#'
// are skipped; trailing blanks and a CR are dropped (write a trailing blank of a text
// as \x20). Each line that cannot be read adds one message to errors.
std::vector<Step> ParseScenario(const std::string& content, std::vector<std::string>& errors);

// Control ids in USB.exe's window, as its control table gives them.
inline const int DriveBoxId = window::ControlId("Text1");
inline const int StatusLineId = window::ControlId("Label4");
inline const int WebLinkId = window::ControlId("Label5");  // the web address

// The control that "click WORD" names, by its control id in USB.exe's window; 0 if none.
int ButtonId(const std::string& word);
// True for the words that name a picture or a label (help, credit) rather than a button.
bool ClicksAStatic(const std::string& word);

// What a "notices" line asks for: COUNT notices, the last one an arrival (or a removal) of
// the drive LETTER; with "in-box", sent while a message box of the program is open.
// False when the line cannot be read.
struct NoticeBurst {
  int count;
  bool arrival;
  char letter;
  bool inBox;
};
bool ParseNotices(const std::string& argument, NoticeBurst& burst);
// Notice i of a burst (from 0): all but the last alternate arrival and removal, from D:
// upwards through the letters D to Y; the last is the one the line names.
NoticeBurst NoticeAt(const NoticeBurst& burst, int i);

// A text read from USB.exe in the ANSI code page 1252, written for an event line: as
// UTF-8, with the backslash, control characters, bytes that 1252 leaves undefined,
// and blanks at either end escaped (\\, \r, \n, \t, \xNN, \x20), so that the line
// shows every byte and can be compared byte for byte with a scenario's line.
std::string EscapeAnsi(const std::string& cp1252);

// The bytes in code page 1252 that an escaped text stands for: the reverse of
// EscapeAnsi, plus \b for a backspace. A character that 1252 cannot hold becomes '?'.
std::string UnescapeToAnsi(const std::string& escaped);

// "KIND TEXT", or "KIND" alone when the text is empty; the text is escaped.
std::string EventLine(const std::string& kind, const std::string& cp1252);

// "box TITLE|TEXT@X,Y".
std::string BoxEvent(const std::string& title, const std::string& text, std::int32_t x, std::int32_t y);

}  // namespace e2e
