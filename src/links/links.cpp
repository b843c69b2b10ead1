// Opening the home page, the help and the credit.
#include "links/links.h"

#include "publisher.h"
#include "version.h"
#include "services/status_sentences.h"

namespace links {
namespace {

void OpenHomePage(services::WindowServices& window, services::SystemServices& system) {
  const int result = system.OpenWithShell(publisher::HomePageUrl, services::ShowNormal);
  if (result <= services::ShellFailureThreshold) {
    window.ShowMessage("Sivua ei voitu avata, tarkista selain!", services::MessageTitle, services::MessageStyle,
                       155, 129);
    window.SetStatusText(services::PageNotOpenedSentence);
    return;
  }
  // The shell took the request; what the browser then does is not observed.
  window.SetStatusText(services::PageOpenedSentence);
}

}  // namespace

std::string HelpText() {
  static const char* const lines[] = {
      "Liitä usb-muistitikku (väh. 1 Gt) koneeseen tunnistusta varten. Kun tikku on alustettu,",
      "voi ladata Vakkura-linuxin suoraan usb-tikulle. Anna Wget-ohjelmalle lupa",
      "ottaa nettiyhteys, jos palomuurisi sitä pyytää.",
      "",
      "Jotta Vakkura-linux käynnistyisi suoraan koneen käynnistyessä,",
      "on tietokoneen bios-asetuksista laitettava usb-boot-valinta päälle.",
  };
  std::string text = lines[0];
  for (size_t i = 1; i < sizeof lines / sizeof lines[0]; ++i) text += std::string("\r\n") + lines[i];
  return text;
}

// The product name and version as the version record states them.
std::string CreditText() { return USB_PRODUCT_NAME ", versio " USB_VERSION_TEXT "\r\nTekijä: VKR"; }

void Image1_Click(services::WindowServices& window, services::SystemServices& system) {
  OpenHomePage(window, system);
}
void Label5_Click(services::WindowServices& window, services::SystemServices& system) {
  OpenHomePage(window, system);
}

void Image4_Click(services::WindowServices& window) {
  window.ShowMessage(HelpText(), services::MessageTitle, services::MessageStyle, 20, 114);
}

void Label7_Click(services::WindowServices& window) {
  window.ShowMessage(CreditText(), CreditTitle, services::MessageStyle, 18, 252);
}

}  // namespace links
