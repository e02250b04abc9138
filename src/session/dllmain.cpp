// The loader's entry point. Loading the library starts nothing and unloading
// it neither writes the end banner nor closes the file: the host calls logTerm.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) { return 1; }
