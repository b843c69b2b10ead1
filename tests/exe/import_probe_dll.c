/* The DLL that import_probe needs: not one of Windows' own. */
__declspec(dllexport) int ProbeValue(void) { return 7; }
