// Linked into the program itself (not through a library, so that it is chosen before
// libstdc++'s own): std::terminate's default handler, replaced by one that just aborts.
//
// libstdc++'s verbose handler prints the escaping exception's demangled type to stderr, which
// a GUI program does not have; the demangler and printf it drags in are about a fifth of the
// program's size. Every handler's exception is caught in RunHandler, so std::terminate runs only
// after a broken invariant, and then ends the process exactly as before.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
