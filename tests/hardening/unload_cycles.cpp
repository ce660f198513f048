// A plugin host: loads the shipped library, parses on its main thread and on
// three threads, unloads it while the threads still live, lets them exit, and
// does it all again, 2000 times. The library must leave nothing behind: the
// host can still make as many thread keys as before, keeps no more mappings
// than after the first cycle, and the library is really gone each time.
//   movrimsg_unload_cycles <path of the shared library> [cycles] [thread keys only]
// Sanitizer runtimes map memory for every thread they see, so builds with
// them check the thread keys only.
#include "movrimsg.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kThreads = 3;
constexpr const char *kDocument =
    "<movrimsg><id>7</id><ele name='n'>caf&#233;</ele><ele name='m'>v</ele></movrimsg>";

struct Library {
    void *handle = nullptr;
    decltype(&movri_msg_init) init = nullptr;
    decltype(&movri_msg_parse) parse = nullptr;
    decltype(&movri_msg_get_id) get_id = nullptr;
    decltype(&movri_msg_free) free = nullptr;
};

template <typename F>
bool find(void *handle, const char *name, F &function) {
    function = reinterpret_cast<F>(dlsym(handle, name));
    return function != nullptr;
}

bool load(const char *path, Library &library) {
    library.handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return library.handle != nullptr && find(library.handle, "movri_msg_init", library.init) &&
           find(library.handle, "movri_msg_parse", library.parse) &&
           find(library.handle, "movri_msg_get_id", library.get_id) &&
           find(library.handle, "movri_msg_free", library.free);
}

bool parses(const Library &library) {
    movri_msg *msg = nullptr;
    const bool right = library.init(&msg) == 0 && library.parse(msg, kDocument) == 0 &&
                       std::strcmp(library.get_id(msg), "7") == 0;
    library.free(msg);
    return right;
}

// Threads of one cycle: each parses, waits until the library is unloaded,
// then exits.
struct Cycle {
    const Library *library;
    pthread_barrier_t parsed;
    pthread_barrier_t unloaded;
    int wrong = 0;
};

void *parse_then_outlive(void *argument) {
    auto &cycle = *static_cast<Cycle *>(argument);
    if (!parses(*cycle.library)) __atomic_add_fetch(&cycle.wrong, 1, __ATOMIC_RELAXED);
    pthread_barrier_wait(&cycle.parsed);
    pthread_barrier_wait(&cycle.unloaded);
    return nullptr;
}

// How many thread keys the process can still make.
int free_thread_keys() {
    std::vector<pthread_key_t> keys;
    pthread_key_t key;
    while (pthread_key_create(&key, nullptr) == 0)
        keys.push_back(key);
    for (pthread_key_t made : keys)
        pthread_key_delete(made);
    return static_cast<int>(keys.size());
}

struct Mappings {
    int count = 0;
    bool library_mapped = false;
};

Mappings mappings(const std::string &library_file) {
    Mappings found;
    FILE *maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return found;
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        ++found.count;
        if (std::strstr(line, library_file.c_str()) != nullptr) found.library_mapped = true;
    }
    std::fclose(maps);
    return found;
}

// One cycle; an empty text when it went right, else what went wrong.
std::string run_cycle(const char *path, const std::string &library_file) {
    Library library;
    if (!load(path, library)) return std::string("cannot load: ") + dlerror();
    Cycle cycle{&library, {}, {}};
    pthread_barrier_init(&cycle.parsed, nullptr, kThreads + 1);
    pthread_barrier_init(&cycle.unloaded, nullptr, kThreads + 1);
    pthread_t threads[kThreads];
    int started = 0;
    while (started < kThreads &&
           pthread_create(&threads[started], nullptr, parse_then_outlive, &cycle) == 0)
        ++started;
    if (started < kThreads) std::abort();  // the threads would wait at the barriers forever
    const bool main_parsed = parses(library);
    pthread_barrier_wait(&cycle.parsed);
    dlclose(library.handle);
    const bool unloaded = !mappings(library_file).library_mapped;
    pthread_barrier_wait(&cycle.unloaded);
    for (pthread_t thread : threads)
        pthread_join(thread, nullptr);
    pthread_barrier_destroy(&cycle.parsed);
    pthread_barrier_destroy(&cycle.unloaded);
    if (!main_parsed || cycle.wrong != 0) return "a parse went wrong";
    if (!unloaded) return "the library stayed mapped after dlclose";
    return {};
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <library> [cycles]\n", argv[0]);
        return 2;
    }
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 2000;
    const bool keys_only = argc > 3;
    const char *slash = std::strrchr(argv[1], '/');
    const std::string library_file = slash != nullptr ? slash + 1 : argv[1];
    const int keys_before = free_thread_keys();
    int mappings_after_first = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (const std::string fault = run_cycle(argv[1], library_file); !fault.empty()) {
            std::fprintf(stderr, "cycle %d: %s\n", cycle, fault.c_str());
            return 1;
        }
        if (cycle == 1) mappings_after_first = mappings(library_file).count;
    }
    const int keys_after = free_thread_keys();
    const int mappings_after = mappings(library_file).count;
    std::printf(
        "%d cycles: %d thread keys free before, %d after; %d mappings after the first "
        "cycle, %d after the last\n",
        cycles, keys_before, keys_after, mappings_after_first, mappings_after);
    const bool nothing_left =
        keys_after == keys_before && (keys_only || mappings_after <= mappings_after_first);
    return nothing_left ? 0 : 1;
}
