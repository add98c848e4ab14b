// The main of every test program. GoogleTest's own result printer also sends each
// failed or skipped assertion to OutputDebugStringA on Windows; under Wine on a
// kernel without IA-32 support that call brings the process down. This printer
// forwards everything to GoogleTest's, except that it prints assertion results
// itself, to standard output only.
//
// Last of all it prints the program's closing line, "tests: N passed, N failed,
// N skipped": tools/test-program.sh passes a program only when that line says
// every test passed. Under Wine a program killed by a signal ends with 0, so its
// exit code alone proves nothing; a killed or hung program prints no such line.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

class StdoutOnlyPrinter : public testing::TestEventListener {
public:
    explicit StdoutOnlyPrinter(testing::TestEventListener* inner) : m_inner(inner) {}

    void OnTestProgramStart(const testing::UnitTest& u) override { m_inner->OnTestProgramStart(u); }
    void OnTestIterationStart(const testing::UnitTest& u, int i) override {
        m_inner->OnTestIterationStart(u, i);
    }
    void OnEnvironmentsSetUpStart(const testing::UnitTest& u) override {
        m_inner->OnEnvironmentsSetUpStart(u);
    }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest& u) override {
        m_inner->OnEnvironmentsSetUpEnd(u);
    }
    void OnTestSuiteStart(const testing::TestSuite& s) override { m_inner->OnTestSuiteStart(s); }
    void OnTestStart(const testing::TestInfo& t) override { m_inner->OnTestStart(t); }
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.type() == testing::TestPartResult::kSuccess) return;
        const char* kind = result.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure";
        std::printf("%s:%d: %s\n%s\n", result.file_name() ? result.file_name() : "unknown file",
                    result.line_number(), kind, result.message());
        std::fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo& t) override { m_inner->OnTestEnd(t); }
    void OnTestSuiteEnd(const testing::TestSuite& s) override { m_inner->OnTestSuiteEnd(s); }
    void OnEnvironmentsTearDownStart(const testing::UnitTest& u) override {
        m_inner->OnEnvironmentsTearDownStart(u);
    }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest& u) override {
        m_inner->OnEnvironmentsTearDownEnd(u);
    }
    void OnTestIterationEnd(const testing::UnitTest& u, int i) override {
        m_inner->OnTestIterationEnd(u, i);
    }
    void OnTestProgramEnd(const testing::UnitTest& u) override {
        m_inner->OnTestProgramEnd(u);
        std::printf("tests: %d passed, %d failed, %d skipped\n", u.successful_test_count(),
                    u.failed_test_count(), u.skipped_test_count());
        std::fflush(stdout);
    }

private:
    std::unique_ptr<testing::TestEventListener> m_inner;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer());
    if (printer) listeners.Append(new StdoutOnlyPrinter(printer));
    return RUN_ALL_TESTS();
}
