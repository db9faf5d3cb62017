// Small stand-ins for the parts of the static C++ runtime that a Windows program
// drags in without using them. Link this file into a program (not through the
// framework library: it must come before libstdc++ on the link line).
//
// - libstdc++ raises its own errors (a string or vector asked to grow past its
//   maximum, substr past the end, an empty std::function called) through the
//   std::__throw_* helpers. Their library versions build std::logic_error and
//   friends, whose message strings pull in the old reference-counted string, its
//   explicit instantiation, std::random_device and the new string's explicit
//   instantiation: about 150 KB of code and unwind tables. These versions throw
//   std::bad_alloc where the request could not be met (what the program's catch
//   sites already handle) and a small exception of their own for logic errors,
//   which the application object's catch-all turns into its fatal message.
// - The default terminate handler demangles the type of an uncaught exception
//   and prints it to stderr, which a GUI program does not have; the demangler
//   alone is 46 KB. This one ends the process quietly, as abort() does.
#include <cstdlib>
#include <exception>
#include <new>

namespace {

class RuntimeLogicError : public std::exception {
public:
    const char* what() const noexcept override { return "logic error in the C++ runtime"; }
};

[[noreturn]] void ThrowLogicError() { throw RuntimeLogicError(); }

}  // namespace

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw std::bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char*) { throw std::bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) { ThrowLogicError(); }
[[noreturn]] void __throw_out_of_range(const char*) { ThrowLogicError(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { ThrowLogicError(); }
[[noreturn]] void __throw_invalid_argument(const char*) { ThrowLogicError(); }
[[noreturn]] void __throw_bad_function_call() { ThrowLogicError(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
