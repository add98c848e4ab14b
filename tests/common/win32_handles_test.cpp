// The handle classes close each handle exactly once, whoever ends up owning it.
#ifdef _WIN32

#include "common/win32_handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

TEST(UniqueHandle, ClosesOnceWhereverItGoes) {
    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    ASSERT_TRUE(IsOpen(first) && IsOpen(second));
    {
        tw::KernelHandle owner(first);
        tw::KernelHandle moved(std::move(owner));
        EXPECT_FALSE(owner.IsValid());
        EXPECT_EQ(moved.Get(), first);
        tw::KernelHandle assigned(second);
        assigned = std::move(moved);  // closes second, takes first
        EXPECT_FALSE(IsOpen(second));
        EXPECT_TRUE(IsOpen(first));
        EXPECT_EQ(assigned.Get(), first);
    }
    EXPECT_FALSE(IsOpen(first));
}

TEST(UniqueHandle, ResetOutAndReleaseHandOverWhatTheyHeld) {
    HANDLE event = NewEvent();
    tw::KernelHandle handle(event);
    HANDLE* out = handle.Out();  // closes what it held
    EXPECT_FALSE(IsOpen(event));
    EXPECT_FALSE(handle.IsValid());
    *out = NewEvent();
    HANDLE given = handle.Release();
    EXPECT_FALSE(handle.IsValid());
    handle.Reset();  // holds nothing: closes nothing
    EXPECT_TRUE(IsOpen(given));
    handle.Reset(given);
    handle.Reset();
    EXPECT_FALSE(IsOpen(given));
}

// A failed CreateFileA gives INVALID_HANDLE_VALUE, which is no handle to close:
// a FileHandle of it is not valid, a KernelHandle of null neither.
TEST(UniqueHandle, EachKindKnowsItsNone) {
    tw::FileHandle missing(CreateFileA("Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing.IsValid());
    EXPECT_FALSE(tw::KernelHandle().IsValid());
    EXPECT_EQ(tw::FindHandle().Get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(tw::RegistryKey().Get(), nullptr);
}

#endif
