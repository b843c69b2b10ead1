// The publisher's addresses, in one place. The publisher is fictional: the .example
// names are reserved and can never reach a stranger's server.
#pragma once

namespace links {

inline constexpr const char* HomePageUrl = "http://www.vakkura.example";
// The same address without the scheme: the caption and tooltip of the link label.
inline constexpr const char* HomePageDisplayText = "www.vakkura.example";
// The download server; the download step fetches the live image from it.
inline constexpr const char* DownloadServer = "http://lataus.vakkura.example";

}  // namespace links
