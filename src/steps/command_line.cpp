// Building and quoting the steps' command lines.
#include "steps/command_line.h"

#include "publisher.h"
#include "steps/program_folder.h"

namespace steps {

std::string QuoteArgument(const std::string& token) {
  if (token.find_first_of(" \t\n\v\"") == std::string::npos) return token;

  // Inside quotes, backslashes are literal except before a quote: there 2n
  // backslashes give n, and 2n+1 give n and a literal quote. So double every run
  // of backslashes that stands before a quote or before the closing quote.
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : token) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string FormatCommand(const std::string& programFolder, const std::string& drive) {
  return QuoteArgument(programFolder + "\\HPUSBF") + "  " + QuoteArgument(drive) + " -FS:FAT32" +
         " -V:VKR" + " " + QuoteArgument("-S:" + programFolder + "\\SYSLINUX") + " -Y";
}

std::string BootLoaderCommand(const std::string& programFolder, const std::string& drive) {
  return QuoteArgument(programFolder + "\\syslinux.exe") + "  " + QuoteArgument(drive);
}

std::string ImageUrl() { return std::string(publisher::DownloadServer) + "/files/" + ImageFileName; }

std::string DownloadCommand() { return "wget -t3 -nH -P . " + ImageUrl(); }

std::string ExtractCommand(const std::string& drive) {
  return std::string("UltraISO -inputfile ") + ImageFileName + " -extract " + QuoteArgument(drive);
}

std::string BootMenuTestPath(const std::string& drive) { return drive + "\\" + BootMenuFileName; }

}  // namespace steps
