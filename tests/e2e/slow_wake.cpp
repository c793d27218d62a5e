// Loaded into the game under test with LD_PRELOAD: every thread but the
// main one, once woken from a condition wait, lets go of the mutex and
// waits 20 ms before taking it back, as a woken thread waits for a core on
// a busy machine. The main thread runs on meanwhile, so a race between it
// and a thread it has just woken goes the main thread's way, which on a
// quiet machine it seldom does.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

namespace {

using CondWait = int (*)(pthread_cond_t*, pthread_mutex_t*);

CondWait real_wait()
{
    // The versioned name: the unversioned one is glibc's old ABI.
    static auto real = reinterpret_cast<CondWait>(dlvsym(RTLD_NEXT, "pthread_cond_wait", "GLIBC_2.3.2"));
    return real;
}

}  // namespace

extern "C" int pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex)
{
    int status = real_wait()(cond, mutex);
    // Held over the delay, the mutex would keep the main thread waiting
    // too, and the race would not be run.
    if (gettid() != getpid()) {
        pthread_mutex_unlock(mutex);
        usleep(20000);
        pthread_mutex_lock(mutex);
    }
    return status;
}
