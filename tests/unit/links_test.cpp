// The home-page link's outcomes, the help text's bytes and the credit.
#include <gtest/gtest.h>

#include "fake_form.h"
#include "links/links.h"
#include "os/shell.h"

namespace {

TEST(HomePage, ShellResultOf32OrLessFails) {
  const struct {
    int shell;
    bool opened;
  } cases[] = {{0, false}, {2, false}, {32, false}, {33, true}, {42, true}};
  for (auto click : {&links::Image1_Click, &links::Label5_Click}) {
    for (const auto& c : cases) {
      test::FakeForm form;
      form.shellResult = c.shell;
      click(form, form);
      std::vector<std::string> expected{"shell: http://vakkura.example 1"};
      if (c.opened) {
        expected.push_back("status: vakkura.example");
      } else {
        expected.push_back(test::Box("Sivua ei voitu avata, tarkista selain!", 155, 129));
        expected.push_back("status: Sivua ei voitu avata!");
      }
      EXPECT_EQ(form.log, expected) << c.shell;
    }
  }
}

// The shell routes as a table sees them: what each is asked, in order, and what it answers.
struct FakeRoutes : os::ShellRoutes {
  os::Elevation elevation = os::Elevation::NotElevated;
  os::DesktopAnswer desktop = os::DesktopAnswer::NotReached;
  std::int32_t direct = 42;
  std::vector<std::string> log;

  os::Elevation ProcessElevation() override { return elevation; }
  os::DesktopAnswer OpenThroughDesktop(const std::string& document, std::int32_t show) override {
    log.push_back("desktop: " + document + " " + std::to_string(show));
    return desktop;
  }
  std::int32_t OpenDirectly(const std::string& document, std::int32_t show) override {
    log.push_back("direct: " + document + " " + std::to_string(show));
    return direct;
  }
};

// Only a program known not to be elevated calls ShellExecuteA; one that is elevated, or cannot
// tell, goes through the desktop's shell, and where that shell cannot be reached or refuses, the
// page is not opened. The handlers then see a result on the right side of 32.
TEST(HomePage, OnlyAProgramKnownNotToBeElevatedOpensThePageItself) {
  using os::DesktopAnswer;
  using os::Elevation;
  const std::string desktop = "desktop: http://vakkura.example 1";
  const std::string direct = "direct: http://vakkura.example 1";
  const struct {
    Elevation elevation;
    DesktopAnswer desktop;
    std::int32_t direct;
    std::vector<std::string> calls;
    std::int32_t result;
    bool opened;
  } cases[] = {
      // Not elevated: the program's own shell call, its result unchanged.
      {Elevation::NotElevated, DesktopAnswer::Opened, 42, {direct}, 42, true},
      {Elevation::NotElevated, DesktopAnswer::NotReached, 2, {direct}, 2, false},
      // Elevated, or cannot tell (XP): the desktop's shell, whose answer stands.
      {Elevation::Elevated, DesktopAnswer::Opened, 42, {desktop}, 33, true},
      {Elevation::Elevated, DesktopAnswer::Refused, 42, {desktop}, 32, false},
      {Elevation::Elevated, DesktopAnswer::NotReached, 42, {desktop}, 32, false},  // no Explorer
      {Elevation::Unknown, DesktopAnswer::Opened, 42, {desktop}, 33, true},
      {Elevation::Unknown, DesktopAnswer::Refused, 42, {desktop}, 32, false},
      {Elevation::Unknown, DesktopAnswer::NotReached, 42, {desktop}, 32, false},
  };
  for (const auto& c : cases) {
    FakeRoutes routes;
    routes.elevation = c.elevation;
    routes.desktop = c.desktop;
    routes.direct = c.direct;
    const std::int32_t result = os::OpenWithShell(routes, "http://vakkura.example", services::ShowNormal);
    const std::string row = "elevation " + std::to_string(static_cast<int>(c.elevation)) + ", desktop " +
                            std::to_string(static_cast<int>(c.desktop)) + ", direct " + std::to_string(c.direct);
    EXPECT_EQ(routes.log, c.calls) << row;
    EXPECT_EQ(result, c.result) << row;

    test::FakeForm form;
    form.shellResult = result;
    links::Label5_Click(form, form);
    EXPECT_EQ(form.status, c.opened ? "vakkura.example" : "Sivua ei voitu avata!") << row;
    EXPECT_EQ(form.Boxes().size(), c.opened ? 0u : 1u) << row;
  }
}

TEST(Help, IsSixLinesWithTheFourthEmpty) {
  const std::string expected =
      "Liit\xC3\xA4 usb-muistitikku (v\xC3\xA4h. 1 Gt) koneeseen tunnistusta varten. Kun tikku on alustettu,\r\n"
      "voi ladata Vakkura-linuxin suoraan usb-tikulle. Anna Wget-ohjelmalle lupa\r\n"
      "ottaa nettiyhteys, jos palomuurisi sit\xC3\xA4 pyyt\xC3\xA4\xC3\xA4.\r\n"
      "\r\n"
      "Jotta Vakkura-linux k\xC3\xA4ynnistyisi suoraan koneen k\xC3\xA4ynnistyess\xC3\xA4,\r\n"
      "on tietokoneen bios-asetuksista laitettava usb-boot-valinta p\xC3\xA4\xC3\xA4lle.";
  EXPECT_EQ(links::HelpText(), expected);

  test::FakeForm form;
  form.status = "USB-muisti formatoitu!";
  links::Image4_Click(form);
  EXPECT_EQ(form.log, (std::vector<std::string>{test::Box(expected, 20, 114)}));
  EXPECT_EQ(form.status, "USB-muisti formatoitu!");
}

TEST(Credit, IsTitledWithTheCopyrightSignAlone) {
  test::FakeForm form;
  form.status = "Solvara Linux ladattu!";
  links::Label7_Click(form);
  ASSERT_EQ(form.log.size(), 1u);
  EXPECT_EQ(form.log[0], test::Box(links::CreditText(), 18, 252, "\xC2\xA9"));
  EXPECT_NE(links::CreditText().find("VKR"), std::string::npos);
  EXPECT_EQ(form.status, "Solvara Linux ladattu!");
}

}  // namespace
