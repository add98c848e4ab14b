// A run lock for tests: answers each Take from a script, logs each step to a
// journal when given, and says whether it is held.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "common/run_lock.h"

class FakeRunLock : public tw::RunLock {
public:
    explicit FakeRunLock(std::vector<std::string>* journal = nullptr) : m_journal(journal) {}

    // The answers to the Takes in turn; the last one repeats (none: taken). A lock
    // already held answers taken, as the platform's does.
    std::vector<tw::RunLockTaking> answers;
    bool held = false;
    int takes = 0;

    tw::RunLockTaking Take() override {
        tw::RunLockTaking answer = tw::RunLockTaking::taken;
        if (!held && !answers.empty())
            answer =
                answers[std::min<std::size_t>(static_cast<std::size_t>(takes), answers.size() - 1)];
        ++takes;
        held = answer == tw::RunLockTaking::taken;
        Log(answer == tw::RunLockTaking::taken  ? "lock taken"
            : answer == tw::RunLockTaking::busy ? "lock busy"
                                                : "lock failed");
        return answer;
    }
    void Release() override {
        if (held) Log("lock released");
        held = false;
    }
    long Error() const override { return 5; }
    std::string Path() const override { return "P:\\Tw\\run.lock"; }

private:
    void Log(const char* step) {
        if (m_journal) m_journal->push_back(step);
    }
    std::vector<std::string>* m_journal;
};
