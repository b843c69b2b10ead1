// Form1's real services under the steps: its controls, MsgBoxEx, RunAndWait with
// small test tools, and real files on a test stick (drive T:, set up by scripts/test).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "win_test_support.h"
#include "window/form1_win.h"

namespace {

using wintest::SeenBox;

std::string Stick() {
  char drive[8] = {};
  ::GetEnvironmentVariableA("USB_TEST_STICK", drive, sizeof drive);
  return drive;
}

class FormServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stick_ = Stick();
    ASSERT_FALSE(stick_.empty()) << "USB_TEST_STICK names no test drive";
    ASSERT_NE(::GetFileAttributesA((stick_ + "\\").c_str()), INVALID_FILE_ATTRIBUTES) << stick_ << " is missing";
    ::DeleteFileA((stick_ + "\\vesamenu.c32").c_str());
    ::GetCurrentDirectoryA(sizeof startDirectory_, startDirectory_);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  void TearDown() override { ::SetCurrentDirectoryA(startDirectory_); }

  // A program folder holding the test tool under the given names; it becomes the current directory.
  std::string ProgramFolder(const std::string& parent, const std::vector<std::string>& tools) {
    const std::string folder = parent + "\\VKR asennus";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    for (const auto& tool : tools)
      ::CopyFileA((wintest::ExeFolder() + "\\fake_tool.exe").c_str(), (folder + "\\" + tool).c_str(), FALSE);
    ::SetCurrentDirectoryA(folder.c_str());
    return folder;
  }

  std::unique_ptr<window::Form1> form_ = window::Form1::Create(::GetModuleHandleA(nullptr));
  std::string stick_;
  char startDirectory_[MAX_PATH] = {};
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST_F(FormServicesTest, PrepareStickRunsTheQuotedToolsAndFindsTheBootMenu) {
  const std::string parent = wintest::NewTempFolder("step1");
  // A decoy where an unquoted "...\VKR asennus\HPUSBF" would start "...\VKR.exe".
  ::CopyFileA((wintest::ExeFolder() + "\\fake_tool.exe").c_str(), (parent + "\\VKR.exe").c_str(), FALSE);
  const std::string folder = ProgramFolder(parent, {"HPUSBF.exe", "syslinux.exe"});
  form_->SetDriveBoxText(stick_);

  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "USB-muisti formatoitu!");
  EXPECT_EQ(boxes[0].rect.left, 155);
  EXPECT_EQ(boxes[0].rect.top, 129);
  EXPECT_EQ(form_->StatusText(), "USB-muisti formatoitu!");

  EXPECT_EQ(Lines(wintest::ReadFile(folder + "\\tools.log")),
            (std::vector<std::string>{
                "\"" + folder + "\\HPUSBF\"  " + stick_ + " -FS:FAT32 -V:VKR \"-S:" + folder + "\\SYSLINUX\" -Y",
                "\"" + folder + "\\syslinux.exe\"  " + stick_}));
  EXPECT_EQ(::GetFileAttributesA((parent + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the decoy ran";
}

TEST_F(FormServicesTest, PrepareStickFailsWhenTheBootLoaderFails) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("step1fail"), {"HPUSBF.exe", "syslinux.exe"});
  wintest::WriteFile(folder + "\\syslinux.exe.exit", "3");
  form_->SetDriveBoxText(stick_);
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "USB-muistin formatointi ei onnistunut!");
  EXPECT_EQ(form_->StatusText(), "Laita USB-muisti!");
}

TEST_F(FormServicesTest, RemovedStickGivesTwoMessagesInTurn) {
  ProgramFolder(wintest::NewTempFolder("gone"), {});  // no tools at all: both give -1
  form_->SetDriveBoxText(stick_);
  form_->SetStatusText("USB-muisti poistettiin!");
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].prompt, "Ei USB-muistia, kytke USB-muisti!");
  EXPECT_EQ(boxes[1].prompt, "USB-muistin formatointi ei onnistunut!");
  EXPECT_EQ(form_->StatusText(), "Laita USB-muisti!");
}

TEST_F(FormServicesTest, FailedDownloadPutsTheOldImageBack) {
  // wget is found by its bare name in the current directory; this one saves nothing.
  const std::string folder = ProgramFolder(wintest::NewTempFolder("step2"), {"wget.exe"});
  wintest::WriteFile(folder + "\\solvara-vkr-live-dvd.iso", "old image");
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command1_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "VKR - Solvara Linuxin lataus ep\xE4onnistui!");
  EXPECT_EQ(form_->StatusText(), "Lataa Solvara Linux uudelleen!");
  EXPECT_EQ(wintest::ReadFile(folder + "\\solvara-vkr-live-dvd.iso"), "old image");
  EXPECT_EQ(::GetFileAttributesA((folder + "\\solvara-vkr-live-dvd.iso.old").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Lines(wintest::ReadFile(folder + "\\tools.log")),
            (std::vector<std::string>{
                "wget -t3 -nH -P . http://lataus.vakkura.example/files/solvara-vkr-live-dvd.iso"}));
}

TEST_F(FormServicesTest, MissingExtractorIsReportedAsAFailure) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("step3"), {});
  wintest::WriteFile(folder + "\\solvara-vkr-live-dvd.iso", "image");
  form_->SetDriveBoxText(stick_);
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command5_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "VKR Solvara Linuxin asennus USB-muistille ep\xE4onnistui!");
  EXPECT_EQ(boxes[0].rect.left, 125);
  EXPECT_EQ(boxes[0].rect.top, 129);
  EXPECT_EQ(form_->StatusText(), "Asennus ep\xC3\xA4onnistui!");
}

TEST_F(FormServicesTest, ExtractionReportsSuccessOnExitCodeZero) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("step3ok"), {"UltraISO.exe"});
  wintest::WriteFile(folder + "\\solvara-vkr-live-dvd.iso", "image");
  form_->SetDriveBoxText(stick_);
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command5_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "VKR Solvara Linux asennettu USB-muistillesi.\r\nVoit nyt bootata Solvaran tikulta!");
  EXPECT_EQ(form_->StatusText(), "Solvara ISO-image asennettu!");
  EXPECT_EQ(Lines(wintest::ReadFile(folder + "\\tools.log")),
            (std::vector<std::string>{"UltraISO -inputfile solvara-vkr-live-dvd.iso -extract " + stick_}));
}

TEST_F(FormServicesTest, SystemDriveIsRefusedBeforeAnyTool) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("refuse"), {"HPUSBF.exe", "syslinux.exe"});
  for (const char* drive : {"C:", "C: ", "c:", "CT:", "TC:"}) {
    form_->SetDriveBoxText(drive);
    auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
    ASSERT_EQ(boxes.size(), 1u) << drive;
    EXPECT_EQ(boxes[0].prompt, "V\xE4\xE4r\xE4 aseman tunnus, laita USB-muisti!") << drive;
    EXPECT_EQ(boxes[0].rect.left, 34);
    EXPECT_EQ(boxes[0].rect.top, 135);
  }
  EXPECT_EQ(::GetFileAttributesA((folder + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A Remote Desktop server: a program there that is not marked for it gets a private Windows
// folder of the user's from GetWindowsDirectoryA, while the system itself lives on W:.
UINT CopyFolder(const char* folder, LPSTR buffer, UINT size) {
  const UINT length = static_cast<UINT>(std::strlen(folder));
  if (size <= length) return length + 1;
  std::memcpy(buffer, folder, length + 1);
  return length;
}
UINT WINAPI UsersPrivateWindowsFolder(LPSTR buffer, UINT size) {
  return CopyFolder("H:\\Users\\testi\\WINDOWS", buffer, size);
}
UINT WINAPI SharedSystemWindowsFolder(LPSTR buffer, UINT size) { return CopyFolder("W:\\WINDOWS", buffer, size); }

TEST_F(FormServicesTest, SystemDriveIsTheSharedWindowsFoldersNotTheUsersOwn) {
  wintest::ImportPatch usersOwn("GetWindowsDirectoryA", reinterpret_cast<const void*>(&UsersPrivateWindowsFolder));
  wintest::ImportPatch shared("GetSystemWindowsDirectoryA", reinterpret_cast<const void*>(&SharedSystemWindowsFolder));
  ASSERT_TRUE(usersOwn.active() || shared.active()) << "the program asks for no Windows folder at all";
  EXPECT_EQ(window::MakeFormServices(*form_)->WindowsFolder(), "W:\\WINDOWS");

  const std::string folder = ProgramFolder(wintest::NewTempFolder("rds"), {"HPUSBF.exe", "syslinux.exe"});
  // W: is refused before any tool runs.
  for (const char* drive : {"W:", "w:"}) {
    form_->SetDriveBoxText(drive);
    auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
    ASSERT_EQ(boxes.size(), 1u) << drive;
    EXPECT_EQ(boxes[0].prompt, "V\xE4\xE4r\xE4 aseman tunnus, laita USB-muisti!") << drive;
  }
  EXPECT_EQ(::GetFileAttributesA((folder + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a tool ran on W:";
  // H: is just another drive: both tools run on it (and find no stick there).
  form_->SetDriveBoxText("H:");
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "USB-muistin formatointi ei onnistunut!");
  EXPECT_EQ(Lines(wintest::ReadFile(folder + "\\tools.log")).size(), 2u);
}

// The system cannot tell the Windows folder or the current directory: the adapter says so
// rather than answering with an empty folder (which names no drive to protect), and step 1
// then refuses even the test stick before any tool runs.
UINT WINAPI WindowsFolderUnknown(LPSTR, UINT) { return 0; }
DWORD WINAPI CurrentDirectoryUnknown(DWORD, LPSTR) { return 0; }

TEST_F(FormServicesTest, FolderThatCannotBeReadRefusesEveryDrive) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("unknown"), {"HPUSBF.exe", "syslinux.exe"});
  const struct {
    const char* function;
    const void* replacement;
  } cases[] = {{"GetSystemWindowsDirectoryA", reinterpret_cast<const void*>(&WindowsFolderUnknown)},
               {"GetCurrentDirectoryA", reinterpret_cast<const void*>(&CurrentDirectoryUnknown)}};
  for (const auto& c : cases) {
    wintest::ImportPatch unknown(c.function, c.replacement);
    ASSERT_TRUE(unknown.active()) << c.function;
    const std::unique_ptr<services::FormServices> services = window::MakeFormServices(*form_);
    EXPECT_FALSE(std::string(c.function) == "GetSystemWindowsDirectoryA" ? services->WindowsFolder().has_value()
                                                                          : services->CurrentDirectory().has_value())
        << c.function;
    form_->SetDriveBoxText(stick_);
    auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
    ASSERT_EQ(boxes.size(), 1u) << c.function;
    EXPECT_EQ(boxes[0].prompt, "V\xE4\xE4r\xE4 aseman tunnus, laita USB-muisti!") << c.function;
  }
  EXPECT_EQ(::GetFileAttributesA((folder + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a tool ran";
}

}  // namespace
