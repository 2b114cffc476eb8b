// ThreadSanitizer of Clang 16 does not see pthread_mutex_clocklock, which
// libstdc++ 12 uses for the timed mutexes' try_lock_for: it would report
// every unlock of such a mutex as an unlock of an unlocked mutex and miss
// the locking altogether. This definition, linked into the ThreadSanitizer
// programs only, takes the lock through pthread_mutex_timedlock, which it
// does see, with the same deadline.
#include <pthread.h>
#include <time.h>

extern "C" int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock, const struct timespec* deadline)
{
    if (clock == CLOCK_REALTIME)
        return pthread_mutex_timedlock(mutex, deadline);
    timespec now;
    timespec real;
    clock_gettime(clock, &now);
    clock_gettime(CLOCK_REALTIME, &real);
    long long left = (deadline->tv_sec - now.tv_sec) * 1000000000LL + (deadline->tv_nsec - now.tv_nsec);
    if (left < 0)
        left = 0;
    const long long at = real.tv_nsec + left;
    real.tv_sec += static_cast<time_t>(at / 1000000000LL);
    real.tv_nsec = static_cast<long>(at % 1000000000LL);
    return pthread_mutex_timedlock(mutex, &real);
}
