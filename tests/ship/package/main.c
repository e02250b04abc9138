/* A host built against the installed package (found with CMake or with
   pkg-config); it starts its session from a profile file. */
#include <corvelin.h>

#include <stdio.h>

int main(void) {
  FILE* profile = fopen("consumer.ini", "w");
  if (profile == NULL) return 1;
  fputs("[Halvix]\n"
        "LogFileNamePrefix=pkg_\n"
        "LogWritePathDir=.\\pkg-logs\n"
        "WriteFlg=0\n"
        "CrLfOption=0\n"
        "LogOutPutLevel=4\n"
        "BomSetFlg=1\n",
        profile);
  fclose(profile);

  if (logInitProfile(".\\consumer.ini") != 1) {
    puts("package_consumer: logInitProfile failed");
    return 1;
  }
  logInfo("built against the installed package");
  logDebug("not written: DEBUG is above LogOutPutLevel 4");
  logPutHex("corvelin", 8, 1, 10);
  logTerm();
  puts("package_consumer: done");
  return 0;
}
