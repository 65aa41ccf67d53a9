#include "app/crash_report.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

extern "C" char __executable_start;  // start of the program image (linker symbol)

namespace orvane::app {

namespace {

// State kept ready before a crash: nothing may be allocated in the handler.
const char* g_version_text = "";
const char* g_support_address = "";
char g_report_path[4096];
uintptr_t g_stack_top = 0;
std::atomic<bool> g_reporting{false};
char g_report[16384];
alignas(16) char g_alternate_stack[65536];

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// A tiny writer into a fixed buffer; text past the end is dropped.
class Writer {
  public:
    Writer(char* buffer, size_t size) : buffer_(buffer), size_(size) {}
    void text(const char* s) {
        while (*s) put(*s++);
    }
    void hex(uint64_t value, int min_digits) {
        char digits[16];
        int n = 0;
        do {
            digits[n++] = "0123456789ABCDEF"[value & 15];
            value >>= 4;
        } while (value && n < 16);
        while (n < min_digits && n < 16) digits[n++] = '0';
        while (n) put(digits[--n]);
    }
    void decimal(int value) {
        char digits[12];
        int n = 0;
        unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        if (value < 0) put('-');
        while (n) put(digits[--n]);
    }
    size_t finish() {
        size_t end = length_ < size_ ? length_ : size_ - 1;
        buffer_[end] = '\0';
        return end;
    }

  private:
    void put(char c) {
        if (length_ + 1 < size_) buffer_[length_] = c;
        ++length_;
    }
    char* buffer_;
    size_t size_;
    size_t length_ = 0;
};

constexpr int kAddressDigits = static_cast<int>(sizeof(uintptr_t) * 2);

void gather_registers(const ucontext_t* context, CrashFacts* facts) {
#if defined(__x86_64__)
    static const char* const kNames[] = {"RAX", "RBX", "RCX", "RDX", "RSI",   "RDI", "RBP",
                                         "RSP", "R8",  "R9",  "R10", "R11",   "R12", "R13",
                                         "R14", "R15", "RIP", "EFL", "CSGSFS"};
    static const int kIndex[] = {REG_RAX, REG_RBX, REG_RCX, REG_RDX, REG_RSI,   REG_RDI, REG_RBP,
                                 REG_RSP, REG_R8,  REG_R9,  REG_R10, REG_R11,   REG_R12, REG_R13,
                                 REG_R14, REG_R15, REG_RIP, REG_EFL, REG_CSGSFS};
    const greg_t* regs = context->uc_mcontext.gregs;
    facts->register_count = static_cast<int>(sizeof kIndex / sizeof kIndex[0]);
    for (int i = 0; i < facts->register_count; ++i) {
        facts->register_names[i] = kNames[i];
        facts->register_values[i] = static_cast<uint64_t>(regs[kIndex[i]]);
    }
    facts->has_registers = true;
    facts->fault_address = static_cast<uintptr_t>(regs[REG_RIP]);
    facts->frame_pointer = static_cast<uintptr_t>(regs[REG_RBP]);
    facts->stack_pointer = static_cast<uintptr_t>(regs[REG_RSP]);
    facts->access_was_write = (regs[REG_ERR] & 2) != 0;  // page-fault error code: bit 1 is a write
#elif defined(__aarch64__)
    static const char* const kNames[] = {"X0",  "X1",  "X2",  "X3",  "X4",  "X5",  "X6",  "X7",
                                         "X8",  "X9",  "X10", "X11", "X12", "X13", "X14", "X15",
                                         "X16", "X17", "X18", "FP",  "LR",  "SP",  "PC",  "PSTATE"};
    const auto& m = context->uc_mcontext;
    for (int i = 0; i < 19; ++i) facts->register_values[i] = m.regs[i];
    facts->register_values[19] = m.regs[29];
    facts->register_values[20] = m.regs[30];
    facts->register_values[21] = m.sp;
    facts->register_values[22] = m.pc;
    facts->register_values[23] = m.pstate;
    facts->register_count = 24;
    for (int i = 0; i < 24; ++i) facts->register_names[i] = kNames[i];
    facts->has_registers = true;
    facts->fault_address = m.pc;
    facts->frame_pointer = m.regs[29];
    facts->stack_pointer = m.sp;
#else
    (void)context;
    (void)facts;
#endif
}

void write_all(int fd, const char* data, size_t length) {
    while (length) {
        ssize_t n = ::write(fd, data, length);
        if (n <= 0) return;
        data += n;
        length -= static_cast<size_t>(n);
    }
}

void handle_fatal_signal(int signal, siginfo_t* info, void* raw_context) {
    // A fault while reporting must not start a second report.
    if (g_reporting.exchange(true)) {
        ::signal(signal, SIG_DFL);
        raise(signal);
        return;
    }
    CrashFacts facts;
    facts.version_text = g_version_text;
    facts.signal = signal;
    facts.fault_address = reinterpret_cast<uintptr_t>(info->si_addr);
    if (signal == SIGSEGV || signal == SIGBUS) {
        facts.has_access = true;
        facts.accessed_address = reinterpret_cast<uintptr_t>(info->si_addr);
    }
    if (raw_context) gather_registers(static_cast<const ucontext_t*>(raw_context), &facts);
    facts.module_address = reinterpret_cast<uintptr_t>(&__executable_start);
    facts.stack_top = g_stack_top;
    size_t length = format_crash_report(facts, g_report, sizeof g_report);

    int fd = ::open(g_report_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        write_all(fd, g_report, length);
        ::close(fd);
    }
    Writer notice(g_report + length + 1, sizeof g_report - length - 1);
    notice.text(g_version_text);
    notice.text(" crashed\nPlease send the crash report below (also saved in\n");
    notice.text(g_report_path);
    notice.text(")\nin an email to\n<");
    notice.text(g_support_address);
    notice.text(">\n\n");
    size_t notice_length = notice.finish();
    write_all(STDERR_FILENO, g_report + length + 1, notice_length);
    write_all(STDERR_FILENO, g_report, length);

    // Let the process end the way the signal would have ended it.
    ::signal(signal, SIG_DFL);
    raise(signal);
}

uintptr_t current_stack_top() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* base = nullptr;
    size_t size = 0;
    uintptr_t top = 0;
    if (pthread_attr_getstack(&attr, &base, &size) == 0)
        top = reinterpret_cast<uintptr_t>(base) + size;
    pthread_attr_destroy(&attr);
    return top;
}

}  // namespace

size_t format_crash_report(const CrashFacts& facts, char* buffer, size_t size) {
    Writer w(buffer, size);
    w.text(facts.version_text);
    w.text(": Exception ");
    w.hex(static_cast<uint64_t>(facts.signal), 8);
    w.text(" (");
    const char* name = sigabbrev_np(facts.signal);
    w.text(name ? name : "?");
    w.text(") at ");
    w.hex(facts.fault_address, kAddressDigits);
    if (facts.has_access) {
        w.text(facts.access_was_write ? " writing " : " reading ");
        w.hex(facts.accessed_address, kAddressDigits);
    }
    if (facts.has_registers) {
        w.text("\r\n\r\nRegisters:\r\n\r\n");
        for (int i = 0; i < facts.register_count; ++i) {
            w.text(facts.register_names[i]);
            w.text("=");
            w.hex(facts.register_values[i], 16);
            w.text((i % 4 == 3 || i + 1 == facts.register_count) ? "\r\n" : " ");
        }
        w.text("\r\nModule Address = ");
        w.hex(facts.module_address, kAddressDigits);
        w.text("\r\n\r\nStack trace:\r\n");
        // Frame-pointer walk: each frame holds the caller's frame pointer and
        // the return address just above it. Stop at the stack top, or at a
        // saved frame pointer that goes down, leaves the stack or is not
        // aligned: beyond that the chain is not trustworthy.
        w.text("\r\n");
        w.hex(facts.fault_address, 1);
        uintptr_t frame = facts.frame_pointer;
        uintptr_t floor = facts.stack_pointer;
        for (int depth = 0; depth < 256; ++depth) {
            if (frame < floor || frame % sizeof(uintptr_t) != 0 || facts.stack_top == 0 ||
                frame + 2 * sizeof(uintptr_t) > facts.stack_top) {
                break;
            }
            const auto* slots = reinterpret_cast<const uintptr_t*>(frame);
            uintptr_t saved = slots[0];
            uintptr_t return_address = slots[1];
            w.text("\r\n");
            w.hex(return_address, 1);
            if (saved <= frame) break;
            floor = frame;
            frame = saved;
        }
    }
    w.text("\r\n");
    return w.finish();
}

const char* crash_report_path() {
    return g_report_path;
}

void install_crash_handler(const char* version_text, const char* support_address,
                           const std::string& report_directory) {
    g_version_text = version_text;
    g_support_address = support_address;
    std::string path =
        report_directory.empty() ? "crash-report.txt" : report_directory + "/crash-report.txt";
    std::strncpy(g_report_path, path.c_str(), sizeof g_report_path - 1);
    g_stack_top = current_stack_top();

    // Run on a stack of our own, so that a stack overflow can be reported.
    stack_t alternate{};
    alternate.ss_sp = g_alternate_stack;
    alternate.ss_size = sizeof g_alternate_stack;
    sigaltstack(&alternate, nullptr);

    struct sigaction action {};
    action.sa_sigaction = handle_fatal_signal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) sigaction(signal, &action, nullptr);
}

}  // namespace orvane::app
