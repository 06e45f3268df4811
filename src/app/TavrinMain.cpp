#include "app/TavrinApp.h"

// The one application object; WinMain runs it.
CTavrinApp theApp;
