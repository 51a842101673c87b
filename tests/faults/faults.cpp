#include "faults.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

std::atomic<bool> running{false};
std::atomic<int64_t> counted{0};
std::atomic<int64_t> perCall[5];
std::atomic<int64_t> ofPath{0};
std::atomic<bool> fired{false};
faults::Plan plan;

// Whether this call fails; counts it while a run is on.
bool Fails(faults::Call call, const char* path = nullptr)
{
    if (!running.load())
        return false;
    const int64_t all = counted.fetch_add(1) + 1;
    const int64_t ofKind = perCall[int(call)].fetch_add(1) + 1;
    if ((plan.Kind && *plan.Kind != call) || (!plan.Path.empty() && (!path || plan.Path != path)))
        return false;
    const int64_t number = !plan.Path.empty() ? ofPath.fetch_add(1) + 1 : plan.Kind ? ofKind : all;
    const bool fails = plan.Nth > 0 && (number == plan.Nth || (plan.Persistent && number > plan.Nth));
    if (fails) {
        fired = true;
        errno = plan.Error;
    }
    return fails;
}

template <typename F>
F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t ModeOf(int flags, va_list& args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

}  // namespace

namespace faults {

Plan NthCall(int64_t nth, int error, bool persistent)
{
    Plan plan;
    plan.Nth = nth;
    plan.Error = error;
    plan.Persistent = persistent;
    return plan;
}

Plan NthOf(Call kind, int64_t nth, int error, bool persistent)
{
    Plan plan = NthCall(nth, error, persistent);
    plan.Kind = kind;
    return plan;
}

Plan NthOpenOf(const std::string& path, int64_t nth, int error, bool persistent)
{
    Plan plan = NthCall(nth, error, persistent);
    plan.Path = path;
    return plan;
}

void Start(const Plan& newPlan)
{
    running = false;
    plan = newPlan;
    counted = 0;
    ofPath = 0;
    for (auto& count : perCall)
        count = 0;
    fired = false;
    running = true;
}

int64_t Stop()
{
    running = false;
    return counted.load();
}

int64_t Count(Call call)
{
    return perCall[int(call)].load();
}

bool Fired()
{
    return fired.load();
}

}  // namespace faults

using faults::Call;

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return Fails(Call::Open, path) ? -1 : next(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return Fails(Call::Open, path) ? -1 : next(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return Fails(Call::Open, path) ? -1 : next(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return Fails(Call::Open, path) ? -1 : next(dir, path, flags, mode);
}

ssize_t write(int fd, const void* data, size_t size)
{
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return fd > 2 && Fails(Call::Write) ? -1 : next(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at)
{
    static const auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Fails(Call::Write) ? -1 : next(fd, data, size, at);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t at)
{
    static const auto next = Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    return Fails(Call::Write) ? -1 : next(fd, data, size, at);
}

int fsync(int fd)
{
    static const auto next = Next<int (*)(int)>("fsync");
    return Fails(Call::Sync) ? -1 : next(fd);
}

int fdatasync(int fd)
{
    static const auto next = Next<int (*)(int)>("fdatasync");
    return Fails(Call::Sync) ? -1 : next(fd);
}

int rename(const char* from, const char* to) noexcept
{
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return Fails(Call::Rename) ? -1 : next(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept
{
    static const auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
    return Fails(Call::Rename) ? -1 : next(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept
{
    static const auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return Fails(Call::Rename) ? -1 : next(fromDir, from, toDir, to, flags);
}

// A failed close still releases the descriptor, as the system does.
int close(int fd)
{
    static const auto next = Next<int (*)(int)>("close");
    const int result = next(fd);
    if (fd > 2 && Fails(Call::Close))
        return -1;
    return result;
}

}  // extern "C"
