// Replacements for two corners of the static C++ runtime, linked into
// Tarnwhistle.exe only. Each library version drags in far more than it does:
//
// - The default terminate handler names the uncaught exception's type, and with
//   it comes the whole name demangler (about 46 KB). A window program has nowhere
//   to print that name; it ends at once instead.
// - The containers and strings report misuse through one library object that
//   holds every std::__throw_* helper; its logic_error family brings the old
//   reference-counted string and, through it, random_device and a second string
//   instantiation (about 80 KB). Here each helper throws std::bad_alloc. The
//   program treats every exception other than a file error alike (the "unexpected
//   failure" message), so the choice of type changes nothing a user sees.
//
// Only the helpers this program's code calls are here: should the library need
// another one, the link fails on a second definition instead of growing quietly.
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
}  // namespace std
