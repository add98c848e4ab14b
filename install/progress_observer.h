// What a run shows of an installation while it goes on: the step and file under
// way and how far the run has come. The installation reports to it through
// InstallProgress, the removal through RemovalProgress; a window (or a test)
// implements it.
#pragma once

#include <string>

namespace tw {

// The bar's positions run from 0 (nothing done) to this (everything done).
constexpr int kProgressRange = 1000;

enum class ProgressStep {
    copying,        // a file is being copied
    registering,    // the registration tool of a DLL is started or waited for
    unregistering,  // the removal's tool of a DLL is started or waited for
    deleting,       // the removal deletes a file
};

class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // A step begins on file, named by its path under the package folder
    // ("Driver\a.dll"; the removal's by full path); position is how much of the
    // run was done before it.
    virtual void Show(ProgressStep step, const std::string& file, int position) = 0;
};

}  // namespace tw
