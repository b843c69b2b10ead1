// The three steps against a recording double of the window: which tools run,
// which boxes open where, and what the status line ends with.
#include <gtest/gtest.h>

#include "fake_form.h"
#include "steps/steps.h"

namespace {

using test::Box;
using test::FakeForm;
using Lines = std::vector<std::string>;

const std::string Folder = "C:\\Ohjelmatiedostot\\VKR";
const std::string Image = Folder + "\\solvara-vkr-live-dvd.iso";
const std::string Format = Folder + "\\HPUSBF  E: -FS:FAT32 -V:VKR -S:" + Folder + "\\SYSLINUX -Y";
const std::string BootLoader = Folder + "\\syslinux.exe  E:";
const std::string Download = "wget -t3 -nH -P . http://lataus.vakkura.example/files/solvara-vkr-live-dvd.iso";
const std::string Extract = "UltraISO -inputfile solvara-vkr-live-dvd.iso -extract E:";

const std::string NoStick = Box("Laita USB-muisti. Aseman tunnusta ei löytynyt!", 34, 135);
const std::string WrongDrive = Box("Väärä aseman tunnus, laita USB-muisti!", 34, 135);
const std::string StickGone = Box("Ei USB-muistia, kytke USB-muisti!", 155, 129);
const std::string Formatted = Box("USB-muisti formatoitu!", 155, 129);
const std::string FormatFailed = Box("USB-muistin formatointi ei onnistunut!", 155, 129);
const std::string Downloaded = Box("VKR - Solvara Linux ladattu koneellesi!", 155, 129);
const std::string DownloadFailed = Box("VKR - Solvara Linuxin lataus epäonnistui!", 155, 129);
const std::string NoImage = Box("Solvara ISO-imagea ei löytynyt, lataa VKR-linux ensin!", 155, 129);
const std::string Installed =
    Box("VKR Solvara Linux asennettu USB-muistillesi.\r\nVoit nyt bootata Solvaran tikulta!", 125, 129);
const std::string InstallFailed = Box("VKR Solvara Linuxin asennus USB-muistille epäonnistui!", 125, 129);

// Boxes and status sets only, in order.
Lines Outcome(const FakeForm& form) {
  Lines out;
  for (const auto& line : form.log) {
    if (line.rfind("box: ", 0) == 0 || line.rfind("status: ", 0) == 0) out.push_back(line);
  }
  return out;
}

// --- Step 1: prepare the stick ---------------------------------------------

// A stick that has just arrived as E:; the boot loader leaves its menu on it. The form is
// readied where it lies: onRun refers to it, so a returned copy would write into a dead one.
void ReadyStick(FakeForm& form) {
  form.driveBox = "E:";
  form.status = "USB-muisti laitettiin asemaan!";
  form.onRun = [&form](const std::string& command) {
    if (command.find("syslinux.exe") != std::string::npos) form.files["E:\\vesamenu.c32"] = 26000;
    return 0;
  };
}

TEST(PrepareStick, RunsBothToolsThenFindsTheBootMenu) {
  FakeForm form;
  ReadyStick(form);
  form.onRun = [&form](const std::string& command) {
    if (command == BootLoader) form.files["E:\\vesamenu.c32"] = 0;  // a length of 0 counts as found
    return 0;
  };
  steps::InstallSteps(form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader}));
  EXPECT_EQ(Outcome(form), (Lines{Formatted, "status: USB-muisti formatoitu!"}));
  // The boot menu is looked for only after both tools have run.
  const auto bootLoaderRun = std::find(form.log.begin(), form.log.end(), "run: " + BootLoader);
  EXPECT_NE(std::find(bootLoaderRun, form.log.end(), "length: E:\\vesamenu.c32"), form.log.end());
}

TEST(PrepareStick, RefusedDrivesStartNoTool) {
  const struct {
    const char* drive;
    bool missing;
  } cases[] = {
      {"", true},      {":", true},      {"C:", false}, {"C: ", false}, {"c:", false}, {"C:\\", false},
      {"E: -Y", false}, {"E", false},    {"CE:", false}, {"[:", false}, {"e:", false}, {"E::", false},
      {"D:", false},  // the program folder's drive in this case
      {"W:", false},  // the Windows folder's drive in this case
      {" E:", false}, {"E:\\", false},  {"E;", false},
  };
  for (const auto& c : cases) {
    FakeForm form;
    ReadyStick(form);
    form.currentDirectory = "D:\\Asennus\\Tikku";
    form.windowsFolder = "w:\\WINDOWS";
    form.driveBox = c.drive;
    steps::InstallSteps(form).Command2_Click();
    EXPECT_TRUE(form.Runs().empty()) << c.drive;
    EXPECT_EQ(Outcome(form), c.missing ? (Lines{NoStick, "status: Laita USB-muisti!"})
                                       : (Lines{WrongDrive, "status: Väärä aseman tunnus!"}))
        << c.drive;
  }
}

TEST(PrepareStick, TwoLettersPassUnchanged) {
  FakeForm form;
  ReadyStick(form);
  form.driveBox = "EF:";
  form.files["EF:\\vesamenu.c32"] = 100;
  steps::InstallSteps(form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{Folder + "\\HPUSBF  EF: -FS:FAT32 -V:VKR -S:" + Folder + "\\SYSLINUX -Y",
                                Folder + "\\syslinux.exe  EF:"}));
  EXPECT_EQ(Outcome(form), (Lines{Formatted, "status: USB-muisti formatoitu!"}));
}

TEST(PrepareStick, RemovedStickIsReportedAndTheChainGoesOn) {
  FakeForm form;
  ReadyStick(form);
  form.status = "USB-muisti poistettiin!";
  form.onRun = [](const std::string&) { return 0; };  // nothing answers under E: any more
  steps::InstallSteps(form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader}));
  EXPECT_EQ(Outcome(form), (Lines{StickGone, "status: Kytke USB-muisti!", FormatFailed, "status: Laita USB-muisti!"}));
}

// While the removal message is open the watcher may write another device's letter into the
// box: a second stick that already holds a boot menu, or the system drive. The chain stays on
// the drive checked at the click: the boot loader and the file test never name the new one.
TEST(PrepareStick, DriveBoxChangedWhileTheRemovalMessageIsOpenIsNotFollowed) {
  for (const char* arrived : {"F:", "C:"}) {
    FakeForm form;
    ReadyStick(form);
    form.status = "USB-muisti poistettiin!";
    form.onRun = [](const std::string&) { return 0; };  // nothing answers under E: any more
    form.files[std::string(arrived) + "\\vesamenu.c32"] = 26000;
    form.whileBoxOpen = [&form, arrived] { form.driveBox = arrived; };
    steps::InstallSteps(form).Command2_Click();
    EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader})) << arrived;
    Lines tested;
    for (const auto& line : form.log) {
      if (line.rfind("length: ", 0) == 0) tested.push_back(line);
    }
    EXPECT_EQ(tested, (Lines{"length: E:\\vesamenu.c32"})) << arrived;
    EXPECT_EQ(Outcome(form), (Lines{StickGone, "status: Kytke USB-muisti!", FormatFailed, "status: Laita USB-muisti!"}))
        << arrived;
  }
}

TEST(PrepareStick, FailedOrMissingToolsFailEvenWithAnOldBootMenu) {
  const struct {
    std::int32_t format, bootLoader;
  } cases[] = {{-1, 0}, {0, -1}, {-1, -1}, {1, 0}, {0, 3}, {INT32_MIN, 0}};
  for (const auto& c : cases) {
    FakeForm form;
    ReadyStick(form);
    form.files["E:\\vesamenu.c32"] = 26000;  // left from an earlier run
    form.onRun = [&](const std::string& command) { return command == Format ? c.format : c.bootLoader; };
    steps::InstallSteps(form).Command2_Click();
    EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader}));  // the boot loader runs whatever the format did
    EXPECT_EQ(Outcome(form), (Lines{FormatFailed, "status: Laita USB-muisti!"})) << c.format << " " << c.bootLoader;
  }
}

TEST(PrepareStick, NoBootMenuAfterTheToolsFails) {
  FakeForm form;
  ReadyStick(form);
  form.onRun = [](const std::string&) { return 0; };
  steps::InstallSteps(form).Command2_Click();
  EXPECT_EQ(Outcome(form), (Lines{FormatFailed, "status: Laita USB-muisti!"}));
}

TEST(PrepareStick, BlankInTheProgramFolderIsQuoted) {
  FakeForm form;
  ReadyStick(form);
  form.currentDirectory = "D:\\Program Files\\VKR";
  steps::InstallSteps(form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{"\"D:\\Program Files\\VKR\\HPUSBF\"  E: -FS:FAT32 -V:VKR "
                                "\"-S:D:\\Program Files\\VKR\\SYSLINUX\" -Y",
                                "\"D:\\Program Files\\VKR\\syslinux.exe\"  E:"}));
  EXPECT_EQ(Outcome(form), (Lines{Formatted, "status: USB-muisti formatoitu!"}));
}

// --- Step 2: download the image ---------------------------------------------

TEST(Download, SavedImageSucceeds) {
  FakeForm form;
  form.onRun = [&form](const std::string&) {
    form.files[Image] = 700 * 1024 * 1024;
    return 0;
  };
  steps::InstallSteps(form).Command1_Click();
  EXPECT_EQ(form.Runs(), (Lines{Download}));
  EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
}

TEST(Download, ImageOf2GiBOrMoreIsMeasuredWhole) {
  for (std::int64_t length : {std::int64_t{1} << 31, (std::int64_t{1} << 32) + 5, std::int64_t{5} << 30}) {
    FakeForm form;
    form.onRun = [&](const std::string&) {
      form.files[Image] = length;
      return 0;
    };
    steps::InstallSteps(form).Command1_Click();
    EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"})) << length;
  }
}

TEST(Download, FailuresLeaveNoImageBehind) {
  const struct {
    std::int32_t exit;
    std::optional<std::int64_t> left;  // what the download left at the image path
  } cases[] = {{-1, std::nullopt}, {4, std::nullopt}, {8, std::nullopt}, {4, 1000}, {0, 0}, {0, std::nullopt}};
  for (const auto& c : cases) {
    FakeForm form;
    form.onRun = [&](const std::string&) {
      if (c.left) form.files[Image] = *c.left;
      return c.exit;
    };
    steps::InstallSteps(form).Command1_Click();
    EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"})) << c.exit;
    EXPECT_EQ(form.files.count(Image), 0u) << c.exit;
  }
}

TEST(Download, LeftoverImageIsMovedAsideAndDroppedOnSuccess) {
  FakeForm form;
  form.files[Image] = 111;
  form.files[Image + ".old"] = 5;  // an older one still: replaced
  form.onRun = [&form](const std::string&) {
    EXPECT_EQ(form.files.count(Image), 0u);  // the downloader saves under the name itself, not as ".1"
    EXPECT_EQ(form.files[Image + ".old"], 111);
    form.files[Image] = 222;
    return 0;
  };
  steps::InstallSteps(form).Command1_Click();
  EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{Image, 222}}));
  EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
}

TEST(Download, LeftoverImageComesBackWhenTheDownloadFails) {
  FakeForm form;
  form.files[Image] = 111;
  form.onRun = [&form](const std::string&) {
    form.files[Image] = 17;  // a broken-off download
    return 4;
  };
  steps::InstallSteps(form).Command1_Click();
  EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{Image, 111}}));
  EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"}));
}

TEST(Download, DriveBoxPlaysNoPart) {
  for (const char* drive : {"", "C:", "e:"}) {
    FakeForm form;
    form.driveBox = drive;
    form.onRun = [&form](const std::string&) {
      form.files[Image] = 10;
      return 0;
    };
    steps::InstallSteps(form).Command1_Click();
    EXPECT_EQ(form.Runs(), (Lines{Download}));
    EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
  }
}

// --- Step 3: put the image on the stick ----------------------------------------

TEST(Extract, ExitCodeZeroReportsTheInstallation) {
  FakeForm form;
  form.driveBox = "E:";
  form.files[Image] = 1000;
  steps::InstallSteps(form).Command5_Click();
  EXPECT_EQ(form.Runs(), (Lines{Extract}));
  EXPECT_EQ(Outcome(form), (Lines{Installed, "status: Solvara ISO-image asennettu!"}));
}

TEST(Extract, FailedOrMissingExtractorIsReported) {
  for (std::int32_t exit : {-1, 1, 2, INT32_MIN}) {
    FakeForm form;
    form.driveBox = "E:";
    form.files[Image] = 1000;
    form.onRun = [&](const std::string&) { return exit; };
    steps::InstallSteps(form).Command5_Click();
    EXPECT_EQ(Outcome(form), (Lines{InstallFailed, "status: Asennus epäonnistui!"})) << exit;
  }
}

TEST(Extract, NoImageStartsNoTool) {
  FakeForm form;
  form.driveBox = "E:";
  steps::InstallSteps(form).Command5_Click();
  EXPECT_TRUE(form.Runs().empty());
  EXPECT_EQ(Outcome(form), (Lines{NoImage, "status: Lataa Solvara Linux ensin!"}));
}

TEST(Extract, RefusedDrivesStartNoTool) {
  const struct {
    const char* drive;
    bool missing;
  } cases[] = {{"", true}, {":", true}, {"C:", false}, {"c:", false}, {"C:\\", false}, {"E: -Y", false},
               {"E", false}, {"CE:", false}, {"[:", false}};
  for (const auto& c : cases) {
    FakeForm form;
    form.driveBox = c.drive;
    form.files[Image] = 1000;
    steps::InstallSteps(form).Command5_Click();
    EXPECT_TRUE(form.Runs().empty()) << c.drive;
    EXPECT_EQ(Outcome(form), c.missing ? (Lines{NoStick, "status: Laita USB-muisti!"})
                                       : (Lines{WrongDrive, "status: Väärä aseman tunnus!"}))
        << c.drive;
  }
}

// --- Steps 1 and 3: when the drives to protect cannot be known ------------------

// Without the system drive or the program drive, any drive named might be one of them: both
// steps refuse every drive and start no tool. An empty box still asks for the stick first. A
// program folder on a network share has no local drive to protect, so a stick is accepted.
TEST(DriveCheck, UnknownSystemOrProgramDriveRefusesEveryDrive) {
  enum Expected { AskForStick, WrongDriveRefused, ToolsRun };
  const std::optional<std::string> unreadable;
  const std::string network = "\\\\palvelin\\jako\\VKR";
  const struct {
    std::optional<std::string> currentDirectory;
    std::optional<std::string> windowsFolder;
    const char* drive;
    Expected expected;
  } cases[] = {
      {unreadable, "C:\\windows", "E:", WrongDriveRefused},
      {Folder, unreadable, "E:", WrongDriveRefused},
      {Folder, "\\\\palvelin\\WINDOWS", "E:", WrongDriveRefused},  // no drive letter
      {Folder, "", "E:", WrongDriveRefused},
      {unreadable, unreadable, "EF:", WrongDriveRefused},
      {network, unreadable, "E:", WrongDriveRefused},
      {unreadable, unreadable, "", AskForStick},
      {Folder, unreadable, ":", AskForStick},
      {network, "C:\\windows", "E:", ToolsRun},
  };
  void (steps::InstallSteps::*const clicks[])() = {&steps::InstallSteps::Command2_Click,
                                                   &steps::InstallSteps::Command5_Click};
  for (const auto& c : cases) {
    for (const auto click : clicks) {
      const bool step1 = click == &steps::InstallSteps::Command2_Click;
      const std::string which = std::string(step1 ? "step 1, " : "step 3, ") + c.currentDirectory.value_or("?") +
                                ", " + c.windowsFolder.value_or("?") + ", " + c.drive;
      FakeForm form;
      ReadyStick(form);
      form.currentDirectory = c.currentDirectory;
      form.windowsFolder = c.windowsFolder;
      form.driveBox = c.drive;
      form.files[Image] = 1000;
      form.files["\\:palvelin\\jako\\VKR\\solvara-vkr-live-dvd.iso"] = 1000;  // the network folder's image
      (steps::InstallSteps(form).*click)();
      switch (c.expected) {
        case AskForStick:
          EXPECT_TRUE(form.Runs().empty()) << which;
          EXPECT_EQ(Outcome(form), (Lines{NoStick, "status: Laita USB-muisti!"})) << which;
          break;
        case WrongDriveRefused:
          EXPECT_TRUE(form.Runs().empty()) << which;
          EXPECT_EQ(Outcome(form), (Lines{WrongDrive, "status: Väärä aseman tunnus!"})) << which;
          break;
        case ToolsRun:
          EXPECT_EQ(form.Runs().size(), step1 ? 2u : 1u) << which;
          break;
      }
    }
  }
}

TEST(Extract, TwoLettersPassUnchanged) {
  FakeForm form;
  form.driveBox = "EF:";
  form.files[Image] = 1000;
  steps::InstallSteps(form).Command5_Click();
  EXPECT_EQ(form.Runs(), (Lines{"UltraISO -inputfile solvara-vkr-live-dvd.iso -extract EF:"}));
}

}  // namespace
