// What each thread of the sound may touch, said in the code so that Clang
// checks it (-Wthread-safety, an error in the clang build of the tests):
// a capability is a lock, or a role a thread takes; a member GUARDED_BY one
// is touched only while it is held; a function that REQUIRES one is called
// only while it is held. Under other compilers the attributes are empty.
//
// libstdc++'s std::mutex carries no attributes, so the sound's locks are
// Mutex, held through MutexLock. The mixer (the one thread that makes the
// sound for the output in use, whichever it is) is a role: the places
// where a thread starts to make the sound hold an ActingAsMixer while they
// do, and everything only the mixer may call REQUIRES(the_mixer).
#pragma once

#include <mutex>

#if defined(__clang__)
#define TOMBORA_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define TOMBORA_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(name) TOMBORA_THREAD_ATTRIBUTE(capability(name))
#define SCOPED_CAPABILITY TOMBORA_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) TOMBORA_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) TOMBORA_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) TOMBORA_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) TOMBORA_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) TOMBORA_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define EXCLUDES(...) TOMBORA_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) TOMBORA_THREAD_ATTRIBUTE(assert_capability(x))
#define ACQUIRED_BEFORE(...) TOMBORA_THREAD_ATTRIBUTE(acquired_before(__VA_ARGS__))
// For the few reads meant to be made without the lock (an atomic written
// under it); say why beside each.
#define NO_THREAD_SAFETY_ANALYSIS TOMBORA_THREAD_ATTRIBUTE(no_thread_safety_analysis)

class CAPABILITY("mutex") Mutex {
public:
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

// A role a thread takes for a while: nothing is locked, the compiler only
// follows who holds it.
class CAPABILITY("role") ThreadRole {};

// The mixer's role. Only one thread takes it for an output's life (see the
// owner table in HACKING.md, Sound); that is the design, not checked at run
// time.
inline ThreadRole the_mixer;

// Held by a thread while it makes the sound: FluidSynth's ALSA callback,
// libpulse's callbacks and timer, the game's thread counting silent time,
// and the caller of an offline render.
class SCOPED_CAPABILITY ActingAsMixer {
public:
    ActingAsMixer() ACQUIRE(the_mixer) {}
    ~ActingAsMixer() RELEASE() {}
    ActingAsMixer(const ActingAsMixer&) = delete;
    ActingAsMixer& operator=(const ActingAsMixer&) = delete;
};
