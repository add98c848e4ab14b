#include "install/tool_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/install/recording_system.h"

namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;

std::string At(milliseconds time) { return " at " + std::to_string(time.count()); }

// How a tool started with these parameters goes: it ends this long after its
// start with this exit code, or never.
struct Plan {
    std::optional<milliseconds> runs;
    std::uint32_t exitCode = 0;
};

class TimedTool : public StartedTool {
public:
    TimedTool(std::string named, std::optional<milliseconds> ends, std::uint32_t exits)
        : name(std::move(named)), end(ends), code(exits) {}
    std::string name;
    std::optional<milliseconds> end;
    std::uint32_t code;
};

// Tools on a clock that only the fake moves: each start takes 10 ms, and a wait
// goes on to the first planned end among the tools it is given, or to its timeout.
// It hears the pool's final wait too.
class TimedTools : public ScriptedSystem, public tw::ToolEvents {
public:
    std::map<std::string, Plan> plans;  // by parameters; none: never starts
    Events events;
    milliseconds now{0};

    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        const std::string name = request.parameters;
        events.push_back("start " + name + " in " + request.directory + At(now));
        auto plan = plans.find(name);
        if (plan == plans.end()) return nullptr;
        std::optional<milliseconds> end;
        if (plan->second.runs) end = now + *plan->second.runs;
        now += milliseconds(10);
        return std::make_unique<TimedTool>(name, end, plan->second.exitCode);
    }
    void WaitForAnyTool(const std::vector<StartedTool*>& running, milliseconds timeout) override {
        events.push_back("wait for " + std::to_string(running.size()) + " tools, " +
                         std::to_string(timeout.count()) + " ms");
        milliseconds wake = now + timeout;
        for (StartedTool* tool : running) {
            auto* timed = static_cast<TimedTool*>(tool);
            if (timed->end && *timed->end < wake) wake = *timed->end;
        }
        if (wake > now) now = wake;
        for (StartedTool* tool : running) {
            auto* timed = static_cast<TimedTool*>(tool);
            if (!timed->end || *timed->end > now) continue;
            tool->exitCode = timed->code;
            events.push_back(timed->name + " ended" + At(now));
        }
    }
    milliseconds Now() override { return now; }
    void FinalWait(bool begins) override {
        events.push_back(begins ? "final wait" : "final wait over");
    }
};

// Held for one tool: its release is an event.
class RecordedHold : public Hold {
public:
    RecordedHold(Events& events, std::string name) : m_events(events), m_name(std::move(name)) {}
    ~RecordedHold() override { m_events.push_back("release " + m_name); }

private:
    Events& m_events;
    std::string m_name;
};

std::string Outcome(const Registration& record) {
    switch (record.outcome) {
        case RegistrationOutcome::notStarted:
            return record.parameters + " not started";
        case RegistrationOutcome::exited:
            return record.parameters + " exit " + std::to_string(record.exitCode);
        case RegistrationOutcome::atRestart:
            return record.parameters + " at the restart";
        case RegistrationOutcome::stillRunning:
            break;
    }
    return record.parameters + " still running";
}

// Starts each named tool in turn through one pool, waits for all and lets go of
// the holds; the outcomes in the order of the records.
std::vector<std::string> RunPool(TimedTools& tools, const std::vector<std::string>& names,
                                 std::vector<bool>* started = nullptr) {
    std::vector<Registration> records;
    for (const std::string& name : names) records.push_back({"Driver\\x.dll", "A\\t.exe", name});
    {
        tw::ToolPool pool(tools, records, tools);
        for (std::size_t i = 0; i < names.size(); ++i) {
            bool ok = pool.Start(i, "A\\", std::make_unique<RecordedHold>(tools.events, names[i]));
            if (started) started->push_back(ok);
        }
        pool.WaitForAll();
        pool.TakeHolds();
        tools.events.push_back("holds taken");
    }
    std::vector<std::string> outcomes;
    for (const Registration& record : records) outcomes.push_back(Outcome(record));
    return outcomes;
}

// The wait for the end takes the tools one at a time, in the order they end, all
// against one deadline: the bound after the last start. A tool that did not start
// has its hold let go at once and leaves its record not started.
TEST(ToolPool, WaitsForEachEndInTurnUntilTheBoundAfterTheLastStart) {
    const struct {
        const char* name;
        std::map<std::string, Plan> plans;
        std::vector<std::string> names;
        Events events;
        std::vector<std::string> outcomes;
    } cases[] = {
        {"ends in their own order, one left running at the deadline",
         {{"a", {milliseconds(50), 0}}, {"b", {milliseconds(20), 1}}, {"c", {}}},
         {"a", "b", "c"},
         {"start a in A\\ at 0", "start b in A\\ at 10", "start c in A\\ at 20", "final wait",
          "wait for 3 tools, 300000 ms", "b ended at 30", "wait for 2 tools, 300000 ms",
          "a ended at 50", "wait for 1 tools, 299980 ms", "final wait over", "release a",
          "release b", "release c", "holds taken"},
         {"a exit 0", "b exit 1", "c still running"}},
        {"all ended before the wait: one look",
         {{"a", {milliseconds(5), 0}}, {"b", {milliseconds(5), 7}}},
         {"a", "b"},
         {"start a in A\\ at 0", "start b in A\\ at 10", "final wait",
          "wait for 2 tools, 300000 ms", "a ended at 20", "b ended at 20", "final wait over",
          "release a", "release b", "holds taken"},
         {"a exit 0", "b exit 7"}},
        {"a start that fails lets its hold go and the next still starts",
         {{"b", {milliseconds(5), 0}}},
         {"a", "b"},
         {"start a in A\\ at 0", "release a", "start b in A\\ at 0", "final wait",
          "wait for 1 tools, 300000 ms", "b ended at 10", "final wait over", "release b",
          "holds taken"},
         {"a not started", "b exit 0"}},
        {"nothing started: no wait at all",
         {},
         {"a"},
         {"start a in A\\ at 0", "release a", "holds taken"},
         {"a not started"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedTools tools;
        tools.plans = c.plans;
        EXPECT_EQ(RunPool(tools, c.names), c.outcomes);
        EXPECT_EQ(tools.events, c.events);
    }
}

// 64 tools run at once: the 65th start waits for the first of them to end, at most
// until the bound after the last start, and does not start when none ends by then;
// the wait for the end then has nothing left of the bound.
TEST(ToolPool, AtMost64RunAtOnce) {
    const struct {
        const char* name;
        std::optional<milliseconds> firstRuns;  // the others never end
        Events tail;                            // after the 64th start
        bool lastStarted;
        std::string lastOutcome;
    } cases[] = {
        {"the first to end makes room",
         milliseconds(5000),
         {"wait for 64 tools, 300000 ms", "t0 ended at 5000", "start t64 in A\\ at 5000",
          "final wait", "wait for 64 tools, 300000 ms", "final wait over"},
         true,
         "t64 still running"},
        {"none ends within the bound",
         std::nullopt,
         {"wait for 64 tools, 300000 ms", "release t64", "final wait", "wait for 64 tools, 0 ms",
          "final wait over"},
         false,
         "t64 not started"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedTools tools;
        std::vector<std::string> names;
        for (int i = 0; i <= 64; ++i) {
            std::string name = "t";
            name += std::to_string(i);
            names.push_back(name);
            tools.plans[name] = {i == 0 ? c.firstRuns : std::nullopt, 0};
        }
        std::vector<bool> started;
        std::vector<std::string> outcomes = RunPool(tools, names, &started);
        ASSERT_EQ(started.size(), 65u);
        EXPECT_EQ(std::count(started.begin(), started.end() - 1, true), 64);
        EXPECT_EQ(started.back(), c.lastStarted);
        EXPECT_EQ(outcomes.back(), c.lastOutcome);
        EXPECT_EQ(outcomes.front(), c.firstRuns ? "t0 exit 0" : "t0 still running");
        ASSERT_GE(tools.events.size(), 64 + c.tail.size());
        EXPECT_EQ(tools.events[63], "start t63 in A\\ at 630");
        Events tail(tools.events.begin() + 64,
                    tools.events.begin() + 64 + static_cast<std::ptrdiff_t>(c.tail.size()));
        EXPECT_EQ(tail, c.tail);
    }
}

}  // namespace
