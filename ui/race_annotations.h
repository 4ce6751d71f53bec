#pragma once
/// Qt hands a posted event from one thread to another under locks of its own, which
/// ThreadSanitizer cannot see because Qt is not built with it. These marks tell the tool
/// what Qt guarantees: everything written before the post is visible to the handler.
/// Outside ThreadSanitizer builds they are nothing.

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define QB_POSTED_FROM_HERE(address) __tsan_release(address)
#define QB_RECEIVED_HERE(address) __tsan_acquire(address)
#else
#define QB_POSTED_FROM_HERE(address) static_cast<void>(address)
#define QB_RECEIVED_HERE(address) static_cast<void>(address)
#endif
