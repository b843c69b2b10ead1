# The sandbox's names, stated once. The scripts source this file (sandbox.sh does, for all that
# source it); the build reads it too (cmake/sandbox_names.cmake): the stand-ins and the end-to-end
# driver take their names from it, and scripts/sandbox/names_check.cpp holds it against the
# program's own names at build time.
# Plain NAME=value lines, so that the build can read them without a shell: a value is a word, or
# a text in single or double quotes without escapes, and no comment stands on a NAME= line. A
# value of digits alone is a number for the C++ side.

# The program folder, as Windows names it (on C:): USB.exe, the stand-ins and the SYSLINUX folder.
SANDBOX_PROGRAM_FOLDER='C:\Ohjelmatiedostot\VKR'

# The stand-ins for the outside programs, under the file names the program folder holds them by.
SANDBOX_STANDINS="HPUSBF.exe syslinux.exe wget.exe UltraISO.exe"

# The live image that the program downloads and extracts, and the server it comes from.
SANDBOX_IMAGE_NAME=solvara-vkr-live-dvd.iso
SANDBOX_DOWNLOAD_HOST=lataus.vakkura.example

# The file in a stick's root without which the stand-ins touch no drive.
SANDBOX_MARKER=vkr-sandbox.marker

# The exit codes of the format tool, the boot-loader installer and the extractor besides 0 (done):
# a refusal, or a job that could not be done (they say why on standard error), and a command line
# that they cannot read. (The downloader keeps wget's own codes.)
SANDBOX_EXIT_REFUSED=1
SANDBOX_EXIT_USAGE=2

# The SYSLINUX folder beside the program, which the format tool copies onto the stick: Debian's
# loader modules (syslinux-common), vesamenu.c32 among them, the file that step 1 looks for.
SANDBOX_SYSLINUX_MODULE_DIR=/usr/lib/syslinux/modules/bios
SANDBOX_SYSLINUX_MODULES="vesamenu.c32 ldlinux.c32 menu.c32 libcom32.c32 libutil.c32"

# The title of the stick's boot menu: syslinux.cfg and GRUB's grub.cfg show it, a boot check waits for it.
SANDBOX_MENU_TITLE="VKR Solvara-linux 7.10"
