// The home-page link's outcomes, the help text's bytes and the credit.
#include <gtest/gtest.h>

#include "fake_form.h"
#include "links/links.h"

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
      click(form);
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
