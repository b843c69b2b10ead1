// Every sentence that the status line (Label4) can show, in one place.
#pragma once

#include "publisher.h"

namespace services {

// The status line is one line high (17 px) and 185 px wide in MS Sans Serif 8.25 bold, and it
// does not grow: a sentence that wraps loses its second line. Whoever writes a new sentence
// adds it here, to the named constants and to StatusSentences below, where the Windows tests
// measure it in the label's own font.

// The volume watcher, on every arrival or removal notice. Step 1 compares the removal
// sentence character for character to learn that the stick has gone.
inline constexpr const char* ArrivalSentence = "USB-muisti laitettiin asemaan!";
inline constexpr const char* RemovalSentence = "USB-muisti poistettiin!";

// The drive box refused a key; step 1 or 3 found no drive; step 1's result test failed.
inline constexpr const char* PutStickInSentence = "Laita USB-muisti!";
// Steps 1 and 3 refused the drive in the drive box.
inline constexpr const char* WrongDriveSentence = "Väärä aseman tunnus!";
// Step 1: the stick was pulled out while the format tool ran.
inline constexpr const char* PlugStickInSentence = "Kytke USB-muisti!";
inline constexpr const char* FormattedSentence = "USB-muisti formatoitu!";

// Step 2.
inline constexpr const char* DownloadedSentence = "Solvara Linux ladattu!";
inline constexpr const char* DownloadAgainSentence = "Lataa Solvara Linux uudelleen!";

// Step 3.
inline constexpr const char* DownloadFirstSentence = "Lataa Solvara Linux ensin!";
inline constexpr const char* InstalledSentence = "Solvara ISO-image asennettu!";
// The extractor failed. Short on purpose: the word that says it failed must not be the one
// that wraps out of sight.
inline constexpr const char* InstallFailedSentence = "Asennus epäonnistui!";

// The home page: the shell refused it, or took it (then the line shows the bare host).
inline constexpr const char* PageNotOpenedSentence = "Sivua ei voitu avata!";
inline constexpr const char* PageOpenedSentence = publisher::HomePageDisplayText;

// Whose words a sentence is. The given ones are the program's classic wording and are not
// reworded; our own keep a tenth of the line free, because the MS Sans Serif of Windows and
// the face that stands in for it under Wine differ in width by several per cent.
enum class Wording { Given, Ours };

struct StatusSentence {
  const char* text;  // UTF-8
  Wording wording;
};

inline constexpr StatusSentence StatusSentences[] = {
    {ArrivalSentence, Wording::Given},
    {RemovalSentence, Wording::Given},
    {PutStickInSentence, Wording::Given},
    {WrongDriveSentence, Wording::Given},
    {PlugStickInSentence, Wording::Given},
    {FormattedSentence, Wording::Given},
    {DownloadedSentence, Wording::Given},
    {DownloadAgainSentence, Wording::Given},
    {DownloadFirstSentence, Wording::Ours},
    {InstalledSentence, Wording::Given},
    {InstallFailedSentence, Wording::Ours},
    {PageNotOpenedSentence, Wording::Given},
    {PageOpenedSentence, Wording::Ours},  // the host is ours to choose
};

}  // namespace services
