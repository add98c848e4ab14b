// What a removal tells those who show its work, step by step as it goes on:
// each DLL as its unregistration begins and each file as its deletion begins,
// each by its listed path, and the tools' steps. Every call does nothing unless
// overridden.
#pragma once

#include <cstddef>
#include <string>

#include "install/install_events.h"
#include "install/progress_observer.h"
#include "uninstall/installed_list.h"

namespace tw {

class RemovalEvents : public ToolEvents {
public:
    virtual void Unregistering(const std::string& /*dll*/) {}
    virtual void Deleting(const std::string& /*file*/) {}
};

// Shows the removal of a list to an observer: one step per DLL's
// unregistration and one per file's deletion, each shown before it begins.
class RemovalProgress : public RemovalEvents {
public:
    RemovalProgress(const InstalledList& list, ProgressObserver& observer);

    void Unregistering(const std::string& dll) override { Show(ProgressStep::unregistering, dll); }
    void Deleting(const std::string& file) override { Show(ProgressStep::deleting, file); }

private:
    void Show(ProgressStep step, const std::string& path);

    ProgressObserver& m_observer;
    std::size_t m_steps;
    std::size_t m_done = 0;
};

}  // namespace tw
