// Parses in a child process under a seccomp filter that refuses what
// sandboxes refuse: the kernel's random source, /dev/urandom, the secret's
// page or its wipe-on-fork advice. Every parse must give the right message,
// the process must live (expat drawing a salt of its own would make glibc
// abort where getrandom is refused), and a refused source is tried at most
// once, not on every parse.
#include "support/message_copy.h"

#include <gtest/gtest.h>

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <string>
#include <vector>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#endif

namespace {

using namespace msgcopy;

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
void set_result(ucontext_t &context, long result) { context.uc_mcontext.gregs[REG_RAX] = result; }
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
void set_result(ucontext_t &context, long result) { context.uc_mcontext.regs[0] = result; }
#else
constexpr unsigned kArch = 0;
void set_result(ucontext_t &, long) {}
#endif

// AddressSanitizer maps its heap as it goes, and gives up where mmap is
// refused.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapNeedsMmap = true;
#elif defined(__has_feature)
constexpr bool kHeapNeedsMmap = __has_feature(address_sanitizer);
#else
constexpr bool kHeapNeedsMmap = false;
#endif

struct Refusal {
    long call;
    int error;
};

constexpr int kMaxRefusals = 3;

// The refusals of the child's filter, and how often each call was made.
Refusal refusals[kMaxRefusals];
int refusal_count = 0;
volatile sig_atomic_t attempts[kMaxRefusals];

void on_refused_call(int, siginfo_t *info, void *context) {
    for (int i = 0; i < refusal_count; ++i) {
        if (refusals[i].call != info->si_syscall) continue;
        attempts[i] = attempts[i] + 1;
        set_result(*static_cast<ucontext_t *>(context), -refusals[i].error);
        return;
    }
}

// Traps every listed call into on_refused_call, which answers with the
// refusal's error.
bool install_filter() {
    struct sigaction action = {};
    action.sa_sigaction = on_refused_call;
    action.sa_flags = SA_SIGINFO;
    if (sigaction(SIGSYS, &action, nullptr) != 0) return false;
    std::vector<sock_filter> program = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    for (int i = 0; i < refusal_count; ++i) {
        program.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(refusals[i].call), 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter = {static_cast<unsigned short>(program.size()), program.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

MessageCopy parsed(const std::string &document) {
    movri_msg *msg = nullptr;
    MessageCopy copy;
    if (movri_msg_init(&msg) == 0 && movri_msg_parse(msg, document.c_str()) == 0)
        copy = copy_of(msg);
    movri_msg_free(msg);
    return copy;
}

// What the child found: 0 when all went right.
enum ChildResult { kRight, kNoFilter, kWrongMessage, kRetried };

ChildResult parse_in_sandbox(const std::string &document, const MessageCopy &expected) {
    if (!install_filter()) return kNoFilter;
    for (int i = 0; i < 50; ++i) {
        if (parsed(document) != expected) return kWrongMessage;
    }
    for (int i = 0; i < refusal_count; ++i) {
        if (attempts[i] > 1) return kRetried;
    }
    return kRight;
}

TEST(SandboxedParse, EveryParseSucceedsWhateverTheKernelRefuses) {
    if (kArch == 0) GTEST_SKIP() << "no seccomp filter written for this architecture";
    // valgrind makes the filtered calls itself, and gives up.
    if (RUNNING_ON_VALGRIND) GTEST_SKIP() << "valgrind cannot run under a seccomp filter";
    const struct {
        const char *sandbox;
        std::vector<Refusal> refused;
        bool refuses_mappings = false;
    } cases[] = {
        {"getrandom refused (EPERM)", {{SYS_getrandom, EPERM}}},
        {"getrandom unknown (ENOSYS)", {{SYS_getrandom, ENOSYS}}},
        {"getrandom unknown, no file opens",
         {{SYS_getrandom, ENOSYS}, {SYS_openat, EACCES}, {SYS_open, EACCES}}},
        {"getrandom refused, no wipe-on-fork", {{SYS_getrandom, EPERM}, {SYS_madvise, EINVAL}}},
        {"getrandom refused, no new mappings", {{SYS_getrandom, EPERM}, {SYS_mmap, EPERM}}, true},
    };
    movri_msg *msg = nullptr;
    ASSERT_EQ(movri_msg_init(&msg), 0);
    movri_msg_set_id(msg, "42");
    for (const char *name : {"a", "b", "c", "d"})
        movri_msg_append_element(msg, "ele", name, "caf\xE9 <&>");
    const MessageCopy expected = copy_of(msg);
    const std::string document = rendered(msg).value_or("");
    movri_msg_free(msg);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sandbox);
        if (c.refuses_mappings && kHeapNeedsMmap) continue;
        refusal_count = static_cast<int>(c.refused.size());
        for (int i = 0; i < refusal_count; ++i)
            refusals[i] = c.refused[i];
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(parse_in_sandbox(document, expected));
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status))
            ADD_FAILURE() << "killed by signal " << WTERMSIG(status);
        else
            EXPECT_EQ(WEXITSTATUS(status), kRight);
    }
}

}  // namespace
