// The publisher's addresses, stated once for the whole program, as version.h states its version:
// the status sentences, the control table, the home-page link and the download step read them,
// and resources/make_pictures writes the host under the logo. The publisher is fictional: the
// .example names are reserved and can never reach a stranger's server. C++ only: windres does not
// read this file.
#pragma once

#include <string>

namespace publisher {

// The publisher's web host, stated once: the caption and tooltip of the link label, the
// status line after the home page opened, the host of the home page URL, and the address
// under the logo (resources/make_pictures reads it from this line). No "www.": a host has no
// word boundary to wrap at, and the label is 105 pixels wide in MS Sans Serif 8.25 bold.
inline constexpr const char* HomePageDisplayText = "vakkura.example";
// Scheme and host, no path, no trailing slash.
inline const std::string HomePageUrl = std::string("http://") + HomePageDisplayText;
// The download server; the download step fetches the live image from it.
inline constexpr const char* DownloadServer = "http://lataus.vakkura.example";

}  // namespace publisher
