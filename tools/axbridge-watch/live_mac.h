// What watching the real desktop needs from macOS beyond the library.
#pragma once

#include <string>

// The name of the application whose accessibility permission this program runs under: the
// nearest ancestor process inside an application bundle (Terminal, iTerm, an editor), else
// what the terminal says it is; empty when neither tells.
std::string permissionHolderName();

// Runs the main run loop in its default mode until it is stopped, draining an autorelease pool
// after every pass: without an application object nothing else would, and objects the system
// autoreleases while delivering notifications would pile up for as long as the program runs.
void runMainRunLoop();
