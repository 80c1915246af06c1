#include "sync/timer.h"

#include <type_traits>

// The interface is a bare vtable pointer and cannot be destroyed through itself.
static_assert(std::is_abstract_v<Sync::Timer>);
static_assert(!std::has_virtual_destructor_v<Sync::Timer>);
static_assert(!std::is_destructible_v<Sync::Timer>);
static_assert(sizeof(Sync::Timer) == sizeof(void*));
