// The three steps against a recording double of the window: which tools run,
// which boxes open where, and what the status line ends with.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_form.h"
#include "steps/steps.h"

namespace {

using test::Box;
using test::FakeForm;
using Lines = std::vector<std::string>;

const std::string Folder = "C:\\Ohjelmatiedostot\\VKR";
// Steps 2 and 3 name the image by its bare name, which resolves in the current directory.
const std::string ImageName = "solvara-vkr-live-dvd.iso";
const std::string KeptImage = ImageName + ".old";
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
  steps::InstallSteps(form, form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader}));
  // Each by its full path in the program folder, whatever the command line's first word says.
  EXPECT_EQ(form.programs, (Lines{Folder + "\\HPUSBF.exe", Folder + "\\syslinux.exe"}));
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
      {"P:", false}, {"EP:", false},  // the drive of the program's own file
      {" E:", false}, {"E:\\", false},  {"E;", false},
  };
  for (const auto& c : cases) {
    FakeForm form;
    ReadyStick(form);
    form.currentDirectory = "D:\\Asennus\\Tikku";
    form.windowsFolder = "w:\\WINDOWS";
    form.programFile = "\\\\?\\p:\\Tikku\\USB.exe";  // started from a stick by a shortcut
    form.driveBox = c.drive;
    steps::InstallSteps(form, form).Command2_Click();
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
  steps::InstallSteps(form, form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{Folder + "\\HPUSBF  EF: -FS:FAT32 -V:VKR -S:" + Folder + "\\SYSLINUX -Y",
                                Folder + "\\syslinux.exe  EF:"}));
  EXPECT_EQ(Outcome(form), (Lines{Formatted, "status: USB-muisti formatoitu!"}));
}

TEST(PrepareStick, RemovedStickIsReportedAndTheChainGoesOn) {
  FakeForm form;
  ReadyStick(form);
  form.status = "USB-muisti poistettiin!";
  form.onRun = [](const std::string&) { return 0; };  // nothing answers under E: any more
  steps::InstallSteps(form, form).Command2_Click();
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
    steps::InstallSteps(form, form).Command2_Click();
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
    steps::InstallSteps(form, form).Command2_Click();
    EXPECT_EQ(form.Runs(), (Lines{Format, BootLoader}));  // the boot loader runs whatever the format did
    EXPECT_EQ(Outcome(form), (Lines{FormatFailed, "status: Laita USB-muisti!"})) << c.format << " " << c.bootLoader;
  }
}

TEST(PrepareStick, NoBootMenuAfterTheToolsFails) {
  FakeForm form;
  ReadyStick(form);
  form.onRun = [](const std::string&) { return 0; };
  steps::InstallSteps(form, form).Command2_Click();
  EXPECT_EQ(Outcome(form), (Lines{FormatFailed, "status: Laita USB-muisti!"}));
}

TEST(PrepareStick, BlankInTheProgramFolderIsQuoted) {
  FakeForm form;
  ReadyStick(form);
  form.currentDirectory = "D:\\Program Files\\VKR";
  steps::InstallSteps(form, form).Command2_Click();
  EXPECT_EQ(form.Runs(), (Lines{"\"D:\\Program Files\\VKR\\HPUSBF\"  E: -FS:FAT32 -V:VKR "
                                "\"-S:D:\\Program Files\\VKR\\SYSLINUX\" -Y",
                                "\"D:\\Program Files\\VKR\\syslinux.exe\"  E:"}));
  EXPECT_EQ(Outcome(form), (Lines{Formatted, "status: USB-muisti formatoitu!"}));
}

// --- Step 2: download the image ---------------------------------------------

TEST(Download, SavedImageSucceeds) {
  FakeForm form;
  form.onRun = [&form](const std::string&) {
    form.files[ImageName] = 700 * 1024 * 1024;
    return 0;
  };
  steps::InstallSteps(form, form).Command1_Click();
  EXPECT_EQ(form.Runs(), (Lines{Download}));
  EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
}

TEST(Download, ImageOf2GiBOrMoreIsMeasuredWhole) {
  for (std::int64_t length : {std::int64_t{1} << 31, (std::int64_t{1} << 32) + 5, std::int64_t{5} << 30}) {
    FakeForm form;
    form.onRun = [&](const std::string&) {
      form.files[ImageName] = length;
      return 0;
    };
    steps::InstallSteps(form, form).Command1_Click();
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
      if (c.left) form.files[ImageName] = *c.left;
      return c.exit;
    };
    steps::InstallSteps(form, form).Command1_Click();
    EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"})) << c.exit;
    EXPECT_EQ(form.files.count(ImageName), 0u) << c.exit;
  }
}

TEST(Download, LeftoverImageIsMovedAsideAndDroppedOnSuccess) {
  FakeForm form;
  form.files[ImageName] = 111;
  form.files[KeptImage] = 5;  // kept aside by a run that ended while it downloaded: put back first
  form.onRun = [&form](const std::string&) {
    EXPECT_EQ(form.files.count(ImageName), 0u);  // the downloader saves under the name itself, not as ".1"
    EXPECT_EQ(form.files[KeptImage], 5);
    form.files[ImageName] = 222;
    return 0;
  };
  steps::InstallSteps(form, form).Command1_Click();
  EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, 222}}));
  EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
}

TEST(Download, LeftoverImageComesBackWhenTheDownloadFails) {
  FakeForm form;
  form.files[ImageName] = 111;
  form.onRun = [&form](const std::string&) {
    form.files[ImageName] = 17;  // a broken-off download
    return 4;
  };
  steps::InstallSteps(form, form).Command1_Click();
  EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, 111}}));
  EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"}));
}

TEST(Download, DriveBoxPlaysNoPart) {
  for (const char* drive : {"", "C:", "e:"}) {
    FakeForm form;
    form.driveBox = drive;
    form.onRun = [&form](const std::string&) {
      form.files[ImageName] = 10;
      return 0;
    };
    steps::InstallSteps(form, form).Command1_Click();
    EXPECT_EQ(form.Runs(), (Lines{Download}));
    EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"}));
  }
}

// A program ended while its download ran (Windows offers to end a window that does not answer)
// leaves the good image kept aside, a broken-off one in its place. Whatever follows, killed or
// failed downloads in any order, the good image is never lost: after a failure it stands under
// its name again, and only a good download replaces it.
TEST(Download, TheGoodImageSurvivesAnySequenceOfKilledAndFailedDownloads) {
  enum Run { Killed, Failed, FailedLeavingNothing, Saved };
  struct Ended {};  // thrown from the download: the program ends there, nothing after it runs
  const std::vector<std::vector<Run>> sequences = {
      {Killed, Failed},
      {Killed, Killed, Failed},
      {Killed, FailedLeavingNothing, Killed, Killed, Failed},
      {Failed, Killed, Failed, Killed},
      {Killed, Killed, Saved},
      {Killed, Saved, Killed, Failed},
  };
  const std::int64_t Good = 700, Partial = 17, New = 800;
  for (const auto& sequence : sequences) {
    FakeForm form;
    form.files[ImageName] = Good;
    std::int64_t best = Good;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
      const Run run = sequence[i];
      const std::string which = "run " + std::to_string(i) + " of sequence " +
                                std::to_string(&sequence - sequences.data());
      form.log.clear();
      form.onRun = [&form, run, Partial, New](const std::string&) -> std::int32_t {
        if (run == Saved) {
          form.files[ImageName] = New;
          return 0;
        }
        if (run != FailedLeavingNothing) form.files[ImageName] = Partial;
        if (run == Killed) throw Ended{};
        return 4;
      };
      steps::InstallSteps(form, form).Command1_Click();
      if (run == Saved) best = New;
      switch (run) {
        case Killed:
          EXPECT_TRUE(form.Boxes().empty()) << which;
          EXPECT_EQ(form.files[KeptImage], best) << which;
          break;
        case Failed:
        case FailedLeavingNothing:
          EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, best}})) << which;
          EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"})) << which;
          break;
        case Saved:
          EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, New}})) << which;
          EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"})) << which;
          break;
      }
    }
  }
}

// The kept image cannot be put back (held open by another program, say): no tool starts. A
// download's image would stand beside the kept one, and the next click would put the older one
// back over it; the extractor would read what a broken-off download left.
TEST(KeptImage, OneThatCannotComeBackStartsNoTool) {
  const struct {
    void (steps::InstallSteps::*click)();
    Lines outcome;
  } clicks[] = {{&steps::InstallSteps::Command1_Click, {DownloadFailed, "status: Lataa Solvara Linux uudelleen!"}},
                {&steps::InstallSteps::Command5_Click, {InstallFailed, "status: Asennus epäonnistui!"}}};
  for (const auto& click : clicks) {
    for (const bool partialLeft : {false, true}) {
      const std::string which = std::string(click.outcome[0]) + (partialLeft ? ", a partial image left" : "");
      FakeForm form;
      ReadyStick(form);
      form.files[KeptImage] = 700;
      if (partialLeft) form.files[ImageName] = 17;
      form.locked.insert(KeptImage);
      (steps::InstallSteps(form, form).*click.click)();
      EXPECT_TRUE(form.Runs().empty()) << which;
      EXPECT_EQ(form.files[KeptImage], 700) << which;
      EXPECT_EQ(Outcome(form), click.outcome) << which;
    }
  }
}

// Step 3 puts the kept image back first, as step 2 does: the extractor never gets what a
// broken-off download left under the image's name.
TEST(KeptImage, Step3PutsItBackBeforeTheExtraction) {
  for (const bool partialLeft : {false, true}) {
    FakeForm form;
    ReadyStick(form);
    form.files[KeptImage] = 700;
    if (partialLeft) form.files[ImageName] = 17;
    std::map<std::string, std::int64_t> extracted;
    form.onRun = [&form, &extracted](const std::string&) {
      extracted = form.files;
      return 0;
    };
    steps::InstallSteps(form, form).Command5_Click();
    EXPECT_EQ(form.Runs(), (Lines{Extract})) << partialLeft;
    EXPECT_EQ(extracted, (std::map<std::string, std::int64_t>{{ImageName, 700}})) << partialLeft;
    EXPECT_EQ(Outcome(form), (Lines{Installed, "status: Solvara ISO-image asennettu!"})) << partialLeft;
  }
}

// A good download whose older image another program holds open (it can then be neither removed
// nor renamed) leaves that image marked a leftover. No later click takes it for the image of a
// broken-off download: it never replaces the newer image, and it goes once it can.
TEST(KeptImage, OneThatAGoodDownloadCouldNotRemoveIsNeverPutBack) {
  const struct {
    const char* next;
    void (steps::InstallSteps::*click)();
    bool stillHeld;
    Lines runs;
    std::map<std::string, std::int64_t> files;
  } cases[] = {
      {"a failed download", &steps::InstallSteps::Command1_Click, false, {Download}, {{ImageName, 800}}},
      {"a failed download, still held", &steps::InstallSteps::Command1_Click, true, {},
       {{ImageName, 800}, {KeptImage, 700}}},
      {"step 3", &steps::InstallSteps::Command5_Click, false, {Extract}, {{ImageName, 800}}},
      {"step 3, still held", &steps::InstallSteps::Command5_Click, true, {Extract},
       {{ImageName, 800}, {KeptImage, 700}}},
  };
  for (const auto& c : cases) {
    FakeForm form;
    ReadyStick(form);
    form.files[ImageName] = 700;
    form.onRun = [&form](const std::string&) {
      form.files[ImageName] = 800;
      form.locked.insert(KeptImage);  // opened while the download ran
      return 0;
    };
    steps::InstallSteps(form, form).Command1_Click();
    ASSERT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"})) << c.next;
    ASSERT_TRUE(form.IsLeftover(KeptImage)) << c.next;

    if (!c.stillHeld) form.locked.clear();
    form.log.clear();
    std::int64_t extracted = 0;
    form.onRun = [&form, &extracted](const std::string& command) {
      if (command == Extract) extracted = form.files[ImageName];
      if (command == Download) form.files[ImageName] = 17;
      return command == Extract ? 0 : 4;
    };
    (steps::InstallSteps(form, form).*c.click)();
    EXPECT_EQ(form.Runs(), c.runs) << c.next;
    EXPECT_EQ(form.files, c.files) << c.next;
    if (c.click == &steps::InstallSteps::Command5_Click) {
      EXPECT_EQ(extracted, 800) << c.next;
    }
  }
}

// The downloader is started by its full path in the program folder, whatever that folder is
// called, and the image is tested, kept and removed by its bare name, which resolves in that same
// folder: never under a path built from the folder's name. Where the current directory cannot be
// read or held in the code page, no downloader can be named: the step fails, the old image kept.
TEST(Download, TheDownloaderComesFromTheProgramFolderAndTheImageIsTestedByItsBareName) {
  const struct {
    std::optional<std::string> folder;
    const char* downloader;  // null: none can be started
  } cases[] = {
      {Folder, "C:\\Ohjelmatiedostot\\VKR\\wget.exe"},
      {"D:\\Program Files\\VKR", "D:\\Program Files\\VKR\\wget.exe"},
      {"C:\\", "C:\\\\wget.exe"},
      {"\\\\palvelin\\jako\\VKR", "\\:palvelin\\jako\\VKR\\wget.exe"},  // names no folder: it cannot start
      {std::nullopt, nullptr},
  };
  for (const auto& c : cases) {
    const std::string which = c.folder.value_or("(cannot be named)");
    FakeForm form;
    form.currentDirectory = c.folder;
    form.files[ImageName] = 111;
    form.onRun = [&form](const std::string&) {
      form.files[ImageName] = 222;
      return 0;
    };
    steps::InstallSteps(form, form).Command1_Click();
    for (const auto& line : form.log) {
      if (line.rfind("run: ", 0) == 0 || line.rfind("box: ", 0) == 0 || line.rfind("status: ", 0) == 0) continue;
      EXPECT_EQ(line.find('\\'), std::string::npos) << which << ": " << line;
    }
    if (c.downloader == nullptr) {
      EXPECT_TRUE(form.Runs().empty()) << which;
      EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, 111}})) << which;
      EXPECT_EQ(Outcome(form), (Lines{DownloadFailed, "status: Lataa Solvara Linux uudelleen!"})) << which;
      continue;
    }
    EXPECT_EQ(form.Runs(), (Lines{Download})) << which;
    EXPECT_EQ(form.programs, (Lines{c.downloader})) << which;
    EXPECT_EQ(form.files, (std::map<std::string, std::int64_t>{{ImageName, 222}})) << which;
    EXPECT_EQ(Outcome(form), (Lines{Downloaded, "status: Solvara Linux ladattu!"})) << which;
  }
}

// --- Step 3: put the image on the stick ----------------------------------------

TEST(Extract, ExitCodeZeroReportsTheInstallation) {
  FakeForm form;
  form.driveBox = "E:";
  form.files[ImageName] = 1000;
  steps::InstallSteps(form, form).Command5_Click();
  EXPECT_EQ(form.Runs(), (Lines{Extract}));
  EXPECT_EQ(form.programs, (Lines{Folder + "\\UltraISO.exe"}));
  EXPECT_EQ(Outcome(form), (Lines{Installed, "status: Solvara ISO-image asennettu!"}));
}

TEST(Extract, FailedOrMissingExtractorIsReported) {
  for (std::int32_t exit : {-1, 1, 2, INT32_MIN}) {
    FakeForm form;
    form.driveBox = "E:";
    form.files[ImageName] = 1000;
    form.onRun = [&](const std::string&) { return exit; };
    steps::InstallSteps(form, form).Command5_Click();
    EXPECT_EQ(Outcome(form), (Lines{InstallFailed, "status: Asennus epäonnistui!"})) << exit;
  }
}

TEST(Extract, NoImageStartsNoTool) {
  FakeForm form;
  form.driveBox = "E:";
  steps::InstallSteps(form, form).Command5_Click();
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
    form.files[ImageName] = 1000;
    steps::InstallSteps(form, form).Command5_Click();
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
    std::optional<std::string> programFile = "C:\\Ohjelmatiedostot\\VKR\\USB.exe";
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
      {Folder, "C:\\windows", "E:", WrongDriveRefused, unreadable},
      {Folder, "C:\\windows", "E:", WrongDriveRefused, "E:\\VKR\\USB.exe"},  // the program on the stick itself
      {Folder, "C:\\windows", "EF:", WrongDriveRefused, "\\\\?\\F:\\USB.exe"},
      {Folder, "C:\\windows", "E:", ToolsRun, "\\\\palvelin\\jako\\USB.exe"},
      {Folder, "C:\\windows", "E:", ToolsRun, "\\\\?\\UNC\\palvelin\\jako\\USB.exe"},
  };
  void (steps::InstallSteps::*const clicks[])() = {&steps::InstallSteps::Command2_Click,
                                                   &steps::InstallSteps::Command5_Click};
  for (const auto& c : cases) {
    for (const auto click : clicks) {
      const bool step1 = click == &steps::InstallSteps::Command2_Click;
      const std::string which = std::string(step1 ? "step 1, " : "step 3, ") + c.currentDirectory.value_or("?") +
                                ", " + c.windowsFolder.value_or("?") + ", " + c.programFile.value_or("?") + ", " +
                                c.drive;
      FakeForm form;
      ReadyStick(form);
      form.currentDirectory = c.currentDirectory;
      form.windowsFolder = c.windowsFolder;
      form.programFile = c.programFile;
      form.driveBox = c.drive;
      form.files[ImageName] = 1000;
      (steps::InstallSteps(form, form).*click)();
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

// Steps 1 and 3 write only to a drive that can be a stick, and only on a clear answer. What the
// system says of the drive (its type, the device behind its letter, and the bus of its disk where
// that can be asked) lets through a disk on USB, SD, MMC or SCSI, and, where the bus cannot be
// asked, a removable drive or a letter that names no drive at all (the format then fails and says
// so). Every other bus, a fixed drive of unknown bus, a network drive, a CD or DVD drive, a RAM
// disk, a letter of a folder (subst) and a letter whose device cannot be named are refused.
TEST(DriveCheck, OnlyADriveThatCanBeAStickIsWrittenTo) {
  constexpr std::uint32_t Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6;
  constexpr std::uint32_t BusUnknown = 0, Scsi = 1, Atapi = 2, Ata = 3, Bus1394 = 4, Ssa = 5, Fibre = 6, Usb = 7,
                          Raid = 8, IScsi = 9, Sas = 10, Sata = 11, Sd = 12, Mmc = 13, Virtual = 14,
                          FileBackedVirtual = 15, Spaces = 16, Nvme = 17, Scm = 18, Ufs = 19;
  const std::optional<std::uint32_t> noBus;  // the question could not be put
  const std::optional<std::string> noDevice;  // the system names none, or the code page cannot hold its name
  const std::optional<std::string> folder = "\\??\\C:\\data", folderOnStick = "\\??\\F:\\kuvat";
  const struct {
    std::uint32_t type;
    std::optional<std::uint32_t> bus;
    bool accepted;
    std::optional<std::string> device = "\\Device\\HarddiskVolume5";  // a volume
  } cases[] = {
      {Removable, Usb, true},     {Fixed, Usb, true},         {Fixed, Scsi, true},  // UAS enclosures say SCSI
      {Removable, Sd, true},      {Removable, Mmc, true},     {Removable, noBus, true},
      {NoRootDir, noBus, true, noDevice},                     // names no drive: the tool fails
      {Fixed, noBus, false},      {Unknown, noBus, false},    {NoRootDir, noBus, false},
      {Fixed, BusUnknown, false}, {Removable, BusUnknown, false},
      {Fixed, Bus1394, false},    {Fixed, Ssa, false},        {Fixed, Fibre, false},
      {Fixed, Virtual, false},    {Fixed, Scm, false},        {Fixed, Ufs, false},
      {Fixed, 0x7F, false},       {Remote, noBus, false},     {CdRom, noBus, false},
      {CdRom, Usb, false},        {RamDisk, noBus, false},    {Remote, Scsi, false},
      {Fixed, Ata, false},        {Fixed, Atapi, false},      {Fixed, Sata, false},
      {Fixed, Nvme, false},       {Fixed, Raid, false},       {Fixed, Sas, false},
      {Fixed, IScsi, false},      {Fixed, Spaces, false},     {Fixed, FileBackedVirtual, false},
      {Removable, Sata, false},   {Removable, Atapi, false},
      // subst letters: the drive type and bus of the drive that holds the folder, where asked
      {Fixed, noBus, false, folder},        {Removable, noBus, false, folderOnStick},
      {Removable, Usb, false, folderOnStick},
      {Removable, Usb, false, noDevice},    {Removable, noBus, false, noDevice},
  };
  void (steps::InstallSteps::*const clicks[])() = {&steps::InstallSteps::Command2_Click,
                                                   &steps::InstallSteps::Command5_Click};
  for (const auto& c : cases) {
    for (const auto click : clicks) {
      for (const char* box : {"E:", "FE:"}) {  // the second letter of two is asked about too
        const bool step1 = click == &steps::InstallSteps::Command2_Click;
        const std::string which = std::string(step1 ? "step 1, " : "step 3, ") + box + " type " +
                                  std::to_string(c.type) + ", bus " + (c.bus ? std::to_string(*c.bus) : "?") +
                                  ", device " + c.device.value_or("?");
        FakeForm form;
        ReadyStick(form);
        form.driveBox = box;
        form.files[ImageName] = 1000;
        form.drives['E'] = services::DriveFacts{c.type, c.device, c.bus};
        (steps::InstallSteps(form, form).*click)();
        if (c.accepted) {
          EXPECT_EQ(form.Runs().size(), step1 ? 2u : 1u) << which;
        } else {
          EXPECT_TRUE(form.Runs().empty()) << which;
          EXPECT_EQ(Outcome(form), (Lines{WrongDrive, "status: Väärä aseman tunnus!"})) << which;
        }
      }
    }
  }
}

// A close request is handled inside a box's modal loop too (the taskbar's "Close window", Task
// Manager's "End task"). Once the window has gone, the chain starts no tool and shows no box, and
// the box that was open sets no status line.
TEST(Steps, NothingRunsOrShowsOnceTheWindowIsClosedInABox) {
  const struct {
    const char* what;
    void (steps::InstallSteps::*click)();
    const char* status;
    std::string boxClosed;
    Lines runs;
  } cases[] = {
      {"the stick-gone box", &steps::InstallSteps::Command2_Click, "USB-muisti poistettiin!", StickGone, {Format}},
      {"step 1's result", &steps::InstallSteps::Command2_Click, "", Formatted, {Format, BootLoader}},
      {"a refused drive", &steps::InstallSteps::Command2_Click, "", WrongDrive, {}},
      {"step 2's result", &steps::InstallSteps::Command1_Click, "", Downloaded, {Download}},
      {"step 3's result", &steps::InstallSteps::Command5_Click, "", Installed, {Extract}},
  };
  for (const auto& c : cases) {
    FakeForm form;
    ReadyStick(form);
    form.status = c.status;
    if (c.boxClosed == WrongDrive) form.driveBox = "C:";
    form.files[ImageName] = 1000;
    form.onRun = [&form](const std::string& command) {
      if (command == BootLoader) form.files["E:\\vesamenu.c32"] = 26000;
      if (command == Download) form.files[ImageName] = 700;
      return 0;
    };
    form.whileBoxOpen = [&form] { form.closed = true; };
    (steps::InstallSteps(form, form).*c.click)();
    EXPECT_EQ(form.Runs(), c.runs) << c.what;
    EXPECT_EQ(Outcome(form), (Lines{c.boxClosed})) << c.what;
  }
}

TEST(Extract, TwoLettersPassUnchanged) {
  FakeForm form;
  form.driveBox = "EF:";
  form.files[ImageName] = 1000;
  steps::InstallSteps(form, form).Command5_Click();
  EXPECT_EQ(form.Runs(), (Lines{"UltraISO -inputfile solvara-vkr-live-dvd.iso -extract EF:"}));
}

}  // namespace
