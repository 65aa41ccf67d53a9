// Turns a crash (a fatal signal) into a text report that the user can mail
// to support: the version, the signal and faulting address, the registers,
// and a walk of the frame-pointer chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::app {

inline constexpr const char* kSupportAddress = "support@orvane.example";

// Installs the handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT. The
// report goes to "crash-report.txt" in `report_directory` and to stderr.
void install_crash_handler(const char* version_text, const char* support_address,
                           const std::string& report_directory);

// The path the report is written to (empty until installed).
const char* crash_report_path();

// Everything the report is made of, gathered by the handler; separate so the
// formatting can be checked without crashing.
struct CrashFacts {
    const char* version_text = "";
    int signal = 0;
    uintptr_t fault_address = 0;  // the instruction that failed
    bool has_access = false;      // a memory access fault
    bool access_was_write = false;
    uintptr_t accessed_address = 0;
    bool has_registers = false;
    // Named registers of this machine, in report order.
    const char* register_names[24] = {};
    uint64_t register_values[24] = {};
    int register_count = 0;
    uintptr_t module_address = 0;
    uintptr_t frame_pointer = 0;
    uintptr_t stack_pointer = 0;
    uintptr_t stack_top = 0;
};

// Writes the report into `buffer` (at most `size` bytes, NUL-terminated)
// without allocating; returns its length. Follows the frame chain through
// memory, so it must only be given frames of this process's own stack.
size_t format_crash_report(const CrashFacts& facts, char* buffer, size_t size);

}  // namespace orvane::app
