/* Resource IDs of USB.exe: shared by usb.rc and the C++ code that loads them (plain #defines only). */
#ifndef USB_RESOURCE_IDS_H
#define USB_RESOURCE_IDS_H

/* Icons. IDI_DRIVE is the lowest icon ID, so the shell also takes it as the program file's icon. */
#define IDI_DRIVE 1   /* grey external drive: window and program-file icon */
#define IDI_HELP 2    /* page with a blue question mark, shown by Image4 */

/* Bitmaps, each shown unstretched at its own size. */
#define IDB_LOGO 101    /* publisher's logo with the web address, Image1, 85 x 47 */
#define IDB_IMAGE2 102  /* free-space note, Image2, 441 x 54 */
#define IDB_IMAGE3 103  /* installation instructions, Image3, 441 x 54 */

#endif
