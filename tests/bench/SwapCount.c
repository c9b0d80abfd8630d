/* Frame counter for the frame-rate benchmark (fps_bench.py), loaded into pex
 * with LD_PRELOAD. It wraps glfwSwapBuffers and adds one for every swap to the
 * 64-bit count at the start of the file named by PEX_SWAP_COUNT_FILE, which the
 * benchmark reads while pex runs. Pex itself is not changed for this and runs
 * the same with or without the counter. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

typedef struct GLFWwindow GLFWwindow;

static volatile uint64_t* Count;

__attribute__((constructor)) static void OpenCount(void) {
    const char* Name = getenv("PEX_SWAP_COUNT_FILE");
    if (Name == NULL) return;
    const int Handle = open(Name, O_RDWR | O_CLOEXEC);
    if (Handle < 0) return;
    void* Map = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, Handle, 0);
    close(Handle);
    if (Map != MAP_FAILED) Count = Map;
}

void glfwSwapBuffers(GLFWwindow* Window) {
    static void (*Real)(GLFWwindow*);
    if (Real == NULL) *(void**)&Real = dlsym(RTLD_NEXT, "glfwSwapBuffers");
    if (Real != NULL) Real(Window);
    if (Count != NULL) __atomic_add_fetch(Count, 1, __ATOMIC_RELAXED);
}
