/* The program's name and version, stated once: usb.rc builds the version record from them, the
   credit message (src/links/links.cpp) shows them, and resources/CMakeLists.txt writes the
   manifest's version from the two numbers. Plain #defines only: windres reads this file too. */
#ifndef USB_VERSION_H
#define USB_VERSION_H

#define USB_PRODUCT_NAME "Solvara USB-asennus"
#define USB_VERSION_MAJOR 1
#define USB_VERSION_MINOR 0 /* written with two digits: 1.00 */

/* FILEVERSION and PRODUCTVERSION, and the manifest's assembly version: MAJOR.MINOR.0.0. */
#define USB_VERSION_FIXED USB_VERSION_MAJOR, USB_VERSION_MINOR, 0, 0

/* The FileVersion and ProductVersion strings and the credit's version: "1.00". */
#define USB_VERSION_STRINGIZE_(x) #x
#define USB_VERSION_STRINGIZE(x) USB_VERSION_STRINGIZE_(x)
#if USB_VERSION_MINOR < 10
#define USB_VERSION_TEXT USB_VERSION_STRINGIZE(USB_VERSION_MAJOR) ".0" USB_VERSION_STRINGIZE(USB_VERSION_MINOR)
#else
#define USB_VERSION_TEXT USB_VERSION_STRINGIZE(USB_VERSION_MAJOR) "." USB_VERSION_STRINGIZE(USB_VERSION_MINOR)
#endif

#endif
