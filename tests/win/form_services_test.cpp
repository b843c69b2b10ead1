// Form1 and the system's real services under the steps: its controls, MsgBoxEx, RunAndWait with
// small test tools, and real files on a test stick (drive T:, set up by scripts/test).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <optional>

#include "os/system_services_win.h"
#include "platform/handle_win.h"
#include "platform/text_win.h"
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

// The stick-gone box's modal loop serves a close request (the taskbar's "Close window"): the
// window goes, and with it the box. Nothing more may run then: not the boot loader on the
// pulled stick's letter, and no result box.
TEST_F(FormServicesTest, ClosedWhileTheStickGoneBoxIsOpenRunsNothingMore) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("closed"), {"HPUSBF.exe", "syslinux.exe"});
  form_->SetDriveBoxText(stick_);
  form_->SetStatusText("USB-muisti poistettiin!");
  const HWND window = form_->Handle();
  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); },
                                       [&](HWND) { ::PostMessageA(window, WM_CLOSE, 0, 0); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "Ei USB-muistia, kytke USB-muisti!");
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(form_->Closed());
  EXPECT_EQ(Lines(wintest::ReadFile(folder + "\\tools.log")),
            (std::vector<std::string>{"\"" + folder + "\\HPUSBF\"  " + stick_ + " -FS:FAT32 -V:VKR \"-S:" + folder +
                                      "\\SYSLINUX\" -Y"}));
  EXPECT_EQ(::GetFileAttributesA((stick_ + "\\vesamenu.c32").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the boot loader ran after the window had closed";
}

// An image kept aside by a run that was ended during its download is put back over what that
// download left, and a rename that may not replace leaves an existing file alone.
TEST_F(FormServicesTest, KeptImageIsPutBackFirstAndNeverReplaced) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("kept"), {"wget.exe"});  // saves nothing
  const std::string image = folder + "\\solvara-vkr-live-dvd.iso";
  wintest::WriteFile(image + ".old", "good image");
  wintest::WriteFile(image, "broken-off download");
  const std::unique_ptr<services::SystemServices> services = os::MakeSystemServices();
  EXPECT_FALSE(services->RenameFile(image, image + ".old", services::IfTargetExists::Fail));
  EXPECT_EQ(wintest::ReadFile(image + ".old"), "good image");
  EXPECT_EQ(wintest::ReadFile(image), "broken-off download");

  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command1_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "VKR - Solvara Linuxin lataus ep\xE4onnistui!");
  EXPECT_EQ(wintest::ReadFile(image), "good image");
  EXPECT_EQ(::GetFileAttributesA((image + ".old").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FormServicesTest, FailedDownloadPutsTheOldImageBack) {
  // The downloader in the program folder, the current directory; this one saves nothing.
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
  // The drive that holds the program itself (this test program, on Z: under Wine) is not the
  // program folder's (the current directory, on C:), and it is refused too.
  const std::string own = wintest::ExeFolder().substr(0, 2);
  for (const std::string& drive : {std::string("C:"), std::string("C: "), std::string("c:"), std::string("CT:"),
                                   std::string("TC:"), own, "T" + own}) {
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
// folder of the user's from GetWindowsDirectory, while the system itself lives on W:.
UINT CopyFolder(const wchar_t* folder, LPWSTR buffer, UINT size) {
  const UINT length = static_cast<UINT>(std::wcslen(folder));
  if (size <= length) return length + 1;
  std::memcpy(buffer, folder, (length + 1) * sizeof(wchar_t));
  return length;
}
UINT WINAPI UsersPrivateWindowsFolder(LPWSTR buffer, UINT size) {
  return CopyFolder(L"H:\\Users\\testi\\WINDOWS", buffer, size);
}
UINT WINAPI SharedSystemWindowsFolder(LPWSTR buffer, UINT size) { return CopyFolder(L"W:\\WINDOWS", buffer, size); }

TEST_F(FormServicesTest, SystemDriveIsTheSharedWindowsFoldersNotTheUsersOwn) {
  wintest::ImportPatch usersOwn("GetWindowsDirectoryW", reinterpret_cast<const void*>(&UsersPrivateWindowsFolder));
  wintest::ImportPatch shared("GetSystemWindowsDirectoryW", reinterpret_cast<const void*>(&SharedSystemWindowsFolder));
  ASSERT_TRUE(usersOwn.active() || shared.active()) << "the program asks for no Windows folder at all";
  EXPECT_EQ(os::MakeSystemServices()->WindowsFolder(), "W:\\WINDOWS");

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

// The system cannot tell the Windows folder, the current directory or the program's own file:
// the adapter says so rather than answering with an empty folder (which names no drive to
// protect), and step 1 then refuses even the test stick before any tool runs.
UINT WINAPI WindowsFolderUnknown(LPWSTR, UINT) { return 0; }
DWORD WINAPI CurrentDirectoryUnknown(DWORD, LPWSTR) { return 0; }
DWORD WINAPI ProgramFileUnknown(HMODULE, LPWSTR, DWORD) { return 0; }

TEST_F(FormServicesTest, FolderThatCannotBeReadRefusesEveryDrive) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("unknown"), {"HPUSBF.exe", "syslinux.exe"});
  const struct {
    const char* function;
    const void* replacement;
    std::optional<std::string> (services::SystemServices::*read)();
  } cases[] = {
      {"GetSystemWindowsDirectoryW", reinterpret_cast<const void*>(&WindowsFolderUnknown),
       &services::SystemServices::WindowsFolder},
      {"GetCurrentDirectoryW", reinterpret_cast<const void*>(&CurrentDirectoryUnknown),
       &services::SystemServices::CurrentDirectory},
      {"GetModuleFileNameW", reinterpret_cast<const void*>(&ProgramFileUnknown),
       &services::SystemServices::ProgramFile},
  };
  for (const auto& c : cases) {
    wintest::ImportPatch unknown(c.function, c.replacement);
    ASSERT_TRUE(unknown.active()) << c.function;
    const std::unique_ptr<services::SystemServices> services = os::MakeSystemServices();
    EXPECT_FALSE(((*services).*c.read)().has_value()) << c.function;
    form_->SetDriveBoxText(stick_);
    auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command2_Click(); });
    ASSERT_EQ(boxes.size(), 1u) << c.function;
    EXPECT_EQ(boxes[0].prompt, "V\xE4\xE4r\xE4 aseman tunnus, laita USB-muisti!") << c.function;
  }
  EXPECT_EQ(::GetFileAttributesA((folder + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a tool ran";
}

// What the adapter tells of a drive, against the system's own answers: GetDriveTypeA, the device
// behind the letter, and, under Wine, the bus that every drive with a device reports (SCSI, 1). A
// letter that names nothing has no device and no bus and is judged by its type. Z:, the Unix root,
// answers the bus query or not as the disk under it does (on the host it refuses it; in the
// virtual machine it says SCSI): only its type is held here.
TEST_F(FormServicesTest, DriveFactsAreTheSystemsAnswers) {
  const std::unique_ptr<services::SystemServices> services = os::MakeSystemServices();
  char unused = 0;
  for (char letter = 'Q'; letter >= 'F' && unused == 0; --letter) {
    if (::GetDriveTypeA((std::string(1, letter) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) unused = letter;
  }
  ASSERT_NE(unused, 0) << "no free drive letter";
  const struct {
    char letter;
    bool busHeld;
    std::optional<std::uint32_t> bus;
  } cases[] = {{'C', true, 1}, {stick_[0], true, 1}, {'Z', false, std::nullopt}, {unused, true, std::nullopt}};
  for (const auto& c : cases) {
    const std::string name = std::string(1, c.letter) + ":";
    const services::DriveFacts facts = services->DriveFactsOf(c.letter);
    EXPECT_EQ(facts.type, ::GetDriveTypeA((name + "\\").c_str())) << c.letter;
    char device[1024] = {};
    if (::QueryDosDeviceA(name.c_str(), device, sizeof device) != 0) {
      EXPECT_EQ(facts.device, std::string(device)) << c.letter;
    } else {
      EXPECT_EQ(facts.device, std::nullopt) << c.letter;
    }
    if (c.busHeld) {
      EXPECT_EQ(facts.bus, c.bus) << c.letter;
    }
  }
  EXPECT_EQ(services->DriveFactsOf(unused).type, static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(services->DriveFactsOf(unused).device, std::nullopt);
  EXPECT_EQ(services->DriveFactsOf(stick_[0]).device.value_or("").rfind("\\Device\\", 0), 0u);
}

// --- A folder whose name the code page cannot hold -------------------------------------

// A path or a command line with a character that the code page lacks names nothing: through the
// code page's best fit, "x＼..＼" would become "x\..\" and name the folder's own files.
TEST_F(FormServicesTest, PathOrCommandLineTheCodePageCannotHoldNamesNothing) {
  const std::string folder = ProgramFolder(wintest::NewTempFolder("lookalike"), {"wget.exe"});
  wintest::WriteFile(folder + "\\image", "image");
  const std::string lookAlike = folder + "\\x\xEF\xBC\xBC..\xEF\xBC\xBC";  // x＼..＼ in UTF-8
  const std::unique_ptr<services::SystemServices> services = os::MakeSystemServices();
  EXPECT_FALSE(services->FileLength(lookAlike + "image").has_value());
  EXPECT_FALSE(services->RenameFile(lookAlike + "image", folder + "\\moved", services::IfTargetExists::Replace));
  EXPECT_FALSE(services->RemoveFile(lookAlike + "image"));
  EXPECT_EQ(wintest::ReadFile(folder + "\\image"), "image");
  EXPECT_EQ(services->RunAndWait(lookAlike + "wget.exe", "wget -t3"), -1);
  EXPECT_EQ(services->RunAndWait(folder + "\\wget.exe", "wget -t3 \xEF\xBC\xBC"), -1);
  EXPECT_EQ(::GetFileAttributesA((folder + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "the tool ran";
  // The program's own texts hold no such character; one that did would show the default
  // character, never a look-alike.
  EXPECT_EQ(platform::ToAnsi("x\xEF\xBC\xBCy"), "x?y");
}


std::wstring Wide(const std::string& ansi) {
  wchar_t wide[MAX_PATH * 2] = {};
  ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide, MAX_PATH * 2);
  return wide;
}

void WriteFileW(const std::wstring& path, const std::string& bytes) {
  platform::UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileW(const std::wstring& path) {
  platform::UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

// One folder named "x＼..＼..＼decoy" (U+FF3C, the fullwidth reverse solidus, is a letter in a file
// name). The A calls read it through code page 1252's best fit as x\..\..\decoy, which names
// another folder, one that any user could have made and filled. The program must not take that
// look-alike for its folder: steps 1 and 3 refuse every drive, and step 2, which cannot name its
// downloader's path in the code page, starts no tool and keeps the old image. Nothing touches the
// decoy, whose tools a search would find by that look-alike path.
TEST_F(FormServicesTest, FolderWhoseNameTheCodePageCannotHoldIsNeverTakenForAnother) {
  const std::string base = wintest::NewTempFolder("bestfit");
  ASSERT_TRUE(::CreateDirectoryA((base + "\\inner").c_str(), nullptr));
  const std::string decoy = base + "\\decoy";  // what inner\x\..\..\decoy resolves to
  ASSERT_TRUE(::CreateDirectoryA(decoy.c_str(), nullptr));
  const char* const tools[] = {"HPUSBF.exe", "syslinux.exe", "wget.exe", "UltraISO.exe"};
  for (const char* tool : tools)
    ::CopyFileA((wintest::ExeFolder() + "\\fake_tool.exe").c_str(), (decoy + "\\" + tool).c_str(), FALSE);
  wintest::WriteFile(decoy + "\\solvara-vkr-live-dvd.iso", "the decoy's image");
  wintest::WriteFile(decoy + "\\wget.exe.saves", "the decoy's download");

  const std::wstring real = Wide(base) + L"\\inner\\x\uFF3C..\uFF3C..\uFF3Cdecoy";
  ASSERT_TRUE(::CreateDirectoryW(real.c_str(), nullptr));
  for (const char* tool : tools)
    ::CopyFileW(Wide(wintest::ExeFolder() + "\\fake_tool.exe").c_str(), (real + L"\\" + Wide(tool)).c_str(), FALSE);
  WriteFileW(real + L"\\wget.exe.saves", "the new image");
  WriteFileW(real + L"\\solvara-vkr-live-dvd.iso", "the old image");
  ASSERT_TRUE(::SetCurrentDirectoryW(real.c_str()));
  char lookAlike[MAX_PATH] = {};
  ::GetCurrentDirectoryA(sizeof lookAlike, lookAlike);
  ASSERT_EQ(std::string(lookAlike), base + "\\inner\\x\\..\\..\\decoy") << "the trap is not set here";

  EXPECT_FALSE(os::MakeSystemServices()->CurrentDirectory().has_value());
  form_->SetDriveBoxText(stick_);
  for (const bool step1 : {true, false}) {
    auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] {
      if (step1) form_->Command2_Click();
      else form_->Command5_Click();
    });
    ASSERT_EQ(boxes.size(), 1u) << step1;
    EXPECT_EQ(boxes[0].prompt, "V\xE4\xE4r\xE4 aseman tunnus, laita USB-muisti!") << step1;
  }

  auto boxes = wintest::WhileBoxesOpen("USB-asennus", [&] { form_->Command1_Click(); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "VKR - Solvara Linuxin lataus ep\xE4onnistui!");
  EXPECT_EQ(ReadFileW(real + L"\\solvara-vkr-live-dvd.iso"), "the old image");
  for (const wchar_t* left : {L".old", L".1"})
    EXPECT_EQ(::GetFileAttributesW((real + L"\\solvara-vkr-live-dvd.iso" + left).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW((real + L"\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a tool ran";

  EXPECT_EQ(wintest::ReadFile(decoy + "\\solvara-vkr-live-dvd.iso"), "the decoy's image");
  EXPECT_EQ(::GetFileAttributesA((decoy + "\\solvara-vkr-live-dvd.iso.old").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((decoy + "\\tools.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a decoy tool ran";
}

}  // namespace
