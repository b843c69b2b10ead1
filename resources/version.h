/* The program's version, stated once; usb.rc builds the version record from it. */
#ifndef USB_VERSION_H
#define USB_VERSION_H

#define USB_VERSION_FIXED 1, 0, 0, 0  /* FILEVERSION and PRODUCTVERSION */
#define USB_VERSION_TEXT "1.00"       /* the FileVersion and ProductVersion strings */

#endif
