#pragma once

// An allocation that fails anywhere ends the program with a clear message instead of an
// abort that names an exception type.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace orvelt {

inline const char* out_of_memory_program = "orvelt";

[[noreturn]] inline void Out_Of_Memory_Exit() {
  // No allocation here: the message is written with what is already there.
  std::fputs(out_of_memory_program, stderr);
  std::fputs(": out of memory; stopped.\n", stderr);
  std::_Exit(EXIT_FAILURE);
}

inline void Exit_Clearly_When_Out_Of_Memory(const char* program) {
  out_of_memory_program = program;
  std::set_new_handler([] { Out_Of_Memory_Exit(); });
  // Allocations that do not go through operator new (malloc in libraries) may still end in a
  // std::bad_alloc thrown from a place that cannot handle it.
  std::set_terminate([] {
    if (const std::exception_ptr e = std::current_exception()) {
      try {
        std::rethrow_exception(e);
      } catch (const std::bad_alloc&) {
        Out_Of_Memory_Exit();
      } catch (...) {
      }
    }
    std::abort();
  });
}

}  // namespace orvelt
