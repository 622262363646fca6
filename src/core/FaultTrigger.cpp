#include "FaultTrigger.h"

#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace faulttrigger {

void trigger(const QString& kind)
{
#if defined(__x86_64__)
    // Registers 1..8 in the report's order (RAX, RBX, RCX, RDX, RBP, RSI, RDI, RSP), then the
    // faulting instruction. The handler runs on its own stack, so RSP may hold anything.
    if (kind == u"segv") {
        asm volatile("mov $16, %%rax; mov $2, %%rbx; mov $3, %%rcx; mov $4, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; movb $1, (%%rax)" ::: "memory");  // FAULT segv
    } else if (kind == u"fpe") {
        asm volatile("mov $1, %%rax; mov $2, %%rbx; mov $0, %%rcx; mov $0, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; divq %%rcx" ::: "memory");  // FAULT fpe
    } else if (kind == u"ill") {
        asm volatile("mov $1, %%rax; mov $2, %%rbx; mov $3, %%rcx; mov $4, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; ud2" ::: "memory");  // FAULT ill
    }
#endif
    if (kind == u"bus") {
        // A mapping longer than its file: touching the part past the end is a bus error.
        FILE* f = std::tmpfile();
        if (f) {
            void* p = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(f), 0);
            if (p != MAP_FAILED) *static_cast<volatile char*>(p) = 1;
        }
    }
    if (kind == u"kill-segv") ::kill(::getpid(), SIGSEGV);
    if (kind == u"segv" || kind == u"bus") {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
}

}  // namespace faulttrigger
