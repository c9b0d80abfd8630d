// fmodtypes has no operations; this file checks the entry-point list at
// compile time so that a wrong signature or a lost row cannot go unnoticed.
#include "fmodtypes.h"

#include <type_traits>

namespace {

// Bytes an argument takes on the 32-bit Windows stack: pointers and everything
// up to 4 bytes take one 4-byte slot.
template <typename T>
constexpr int32_t StackSlot() {
    return std::is_pointer<T>::value ? 4 : static_cast<int32_t>((sizeof(T) + 3) / 4 * 4);
}

template <typename F>
struct TArgBytes;

template <typename R, typename... A>
struct TArgBytes<R(A...)> {
    static constexpr int32_t Value = (0 + ... + StackSlot<A>());
};

#define CHECK_ENTRY(Ret, Name, Params, Bytes)            \
    static_assert(TArgBytes<Ret Params>::Value == Bytes, \
                  #Name ": argument types disagree with the byte count");
FMOD_ENTRY_POINTS(CHECK_ENTRY, CHECK_ENTRY)
#undef CHECK_ENTRY

#define COUNT_ENTRY(Ret, Name, Params, Bytes) +1
static_assert(0 FMOD_ENTRY_POINTS(COUNT_ENTRY, COUNT_ENTRY) == FmodEntryPointCount,
              "the entry-point list must hold every exported function");
#undef COUNT_ENTRY

}  // namespace
