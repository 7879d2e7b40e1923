// The system's side of the first-run writer (WholeFile.h) on the build
// machine, for the native tests.
#include "app/WholeFile.h"

#include <sys/stat.h>
#include <time.h>

FileState GetFileState(const char* pszPath, unsigned nRecentSeconds)
{
    struct stat status;
    if (stat(pszPath, &status) != 0 || !S_ISREG(status.st_mode))
        return kNoFile;
    const time_t nNow = time(nullptr);
    const time_t nDistance = nNow > status.st_mtime ? nNow - status.st_mtime : status.st_mtime - nNow;
    return nDistance < static_cast<time_t>(nRecentSeconds) ? kFileRecent : kFileOlder;
}
