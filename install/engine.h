// The installation engine: copies the support and driver files of a source root
// into the application directory, starts the registration tool for each DLL
// installed from the driver folder and waits for the tools.
#pragma once

#include "framework/CString.h"
#include "install/install_events.h"
#include "install/install_summary.h"
#include "install/install_system.h"

// sourceRoot holds driversupport\ and Driver\; appDir names an existing folder.
// Both are the engine's own copies. Creates appDir + "Driver\", runs the support
// pass and then the driver pass, each copy staged beside its destination; when
// every copy is staged, puts them in place, then starts the registration tools and
// waits for them (300 s at most after the last start), and reports what happened.
// A failure before every file is in place undoes the run (InstallSummary::undone);
// a failed registration does not. Each step is told to events as it happens.
InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir, InstallSystem& system,
                                  tw::InstallEvents& events);
