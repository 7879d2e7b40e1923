// The one application object, constructed before the entry routine runs.
#include "app/LauncherApp.h"

CLauncherApp theApp;
