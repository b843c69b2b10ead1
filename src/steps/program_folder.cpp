// The program-folder rule.
#include "steps/program_folder.h"

namespace steps {

std::string ProgramFolder(const std::string& currentDirectory) {
  std::string folder = currentDirectory.substr(0, 1);
  folder += ':';
  if (currentDirectory.size() > 2) folder += currentDirectory.substr(2);
  return folder;
}

std::string ToolPath(const std::string& programFolder, const char* tool) { return programFolder + "\\" + tool; }

}  // namespace steps
